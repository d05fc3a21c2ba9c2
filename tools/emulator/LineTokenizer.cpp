// SPDX-License-Identifier: GPL-3.0-or-later
#include "LineTokenizer.h"

#include <cctype>

namespace zarvo::emu {

std::string upperCase(std::string s)
{
    for (char& c : s)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool LineTokenizer::atEnd()
{
    skipBlanks();
    return m_pos >= m_text.size();
}

char LineTokenizer::peek()
{
    skipBlanks();
    return m_pos < m_text.size() ? char(std::toupper(static_cast<unsigned char>(m_text[m_pos]))) : '\0';
}

char LineTokenizer::take()
{
    char c = peek();
    if (c)
        ++m_pos;
    return c;
}

bool LineTokenizer::accept(char c)
{
    if (peek() != c)
        return false;
    ++m_pos;
    return true;
}

std::optional<int> LineTokenizer::number()
{
    skipBlanks();
    std::size_t end = m_pos;
    while (end < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text[end])) && end - m_pos < 6)
        ++end;
    if (end == m_pos || end - m_pos > 5)
        return std::nullopt;
    int v = std::stoi(m_text.substr(m_pos, end - m_pos));
    m_pos = end;
    return v;
}

std::optional<int> LineTokenizer::digit()
{
    char c = peek();
    if (c < '0' || c > '9')
        return std::nullopt;
    ++m_pos;
    return c - '0';
}

std::string LineTokenizer::rest()
{
    std::string r = m_text.substr(m_pos);
    m_pos = m_text.size();
    return r;
}

std::optional<std::string> LineTokenizer::quoted()
{
    skipBlanks();
    if (m_pos >= m_text.size() || m_text[m_pos] != '"')
        return std::nullopt;
    std::size_t close = m_text.find('"', m_pos + 1);
    if (close == std::string::npos)
        return std::nullopt;
    std::string r = m_text.substr(m_pos + 1, close - m_pos - 1);
    m_pos = close + 1;
    return r;
}

std::string LineTokenizer::name()
{
    std::string n;
    while (n.size() < 3 && std::isalpha(static_cast<unsigned char>(peek())))
        n += take();
    return n;
}

void LineTokenizer::skipBlanks()
{
    while (m_pos < m_text.size() && m_text[m_pos] == ' ')
        ++m_pos;
}

} // namespace zarvo::emu
