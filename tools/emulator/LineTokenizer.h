// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

namespace zarvo::emu {

// The text in upper case (ASCII): commands and fault matches ignore case.
std::string upperCase(std::string s);

// Reading position in one command line. Blanks between commands are skipped, as modems do.
class LineTokenizer {
  public:
    LineTokenizer(const std::string& text, std::size_t pos) : m_text(text), m_pos(pos) {}

    bool atEnd();
    char peek(); // upper case; '\0' at the end
    char take();
    bool accept(char c);
    // A decimal number of at most five digits; nullopt (nothing consumed) without one.
    std::optional<int> number();
    std::optional<int> digit();
    // Everything up to the end of the line, blanks included.
    std::string rest();
    // A text in double quotes; nullopt when the quotes are missing.
    std::optional<std::string> quoted();
    // An extended command's name: up to three letters.
    std::string name();

  private:
    void skipBlanks();

    const std::string& m_text;
    std::size_t m_pos;
};

} // namespace zarvo::emu
