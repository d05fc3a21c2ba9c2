// SPDX-License-Identifier: GPL-3.0-or-later
#include "FaultOverlay.h"

#include "LineTokenizer.h"

#include <algorithm>
#include <vector>

namespace zarvo::emu {

namespace {

bool hits(CommandFault& f, const std::string& line)
{
    if (f.match.empty() || f.times == 0 || upperCase(line).find(upperCase(f.match)) == std::string::npos)
        return false;
    if (f.times > 0)
        --f.times;
    return true;
}

bool hits(BlockFault& f, int block)
{
    if (!f.enabled || f.times == 0 || (f.block >= 0 && f.block != block))
        return false;
    if (f.times > 0)
        --f.times;
    return true;
}

void overlayOk(std::string& data, std::size_t offset, const std::string& text)
{
    if (data.size() < text.size())
        return;
    offset = std::min(offset, data.size() - text.size());
    data.replace(offset, text.size(), text);
}

std::string replaceField(const std::string& line, int index, const std::string& text)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = line.find(',', start);
        fields.push_back(line.substr(start, comma - start));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (index >= 1 && std::size_t(index) <= fields.size())
        fields[std::size_t(index) - 1] = text;
    std::string out;
    for (std::size_t i = 0; i < fields.size(); ++i)
        out += (i ? "," : "") + fields[i];
    return out;
}

} // namespace

bool FaultOverlay::swallows(const std::string& line)
{
    return hits(m_faults.noReply, line);
}

bool FaultOverlay::answersLate(const std::string& line)
{
    return hits(m_faults.lateReply, line);
}

bool FaultOverlay::answersError(const std::string& line)
{
    return hits(m_faults.error, line);
}

bool FaultOverlay::garblesField(const std::string& line)
{
    return hits(m_faults.badField, line);
}

std::string FaultOverlay::garbleField(const std::string& valueLine) const
{
    return replaceField(valueLine, m_faults.badFieldIndex, m_faults.badFieldText);
}

bool FaultOverlay::writesOkInData(int block)
{
    return hits(m_faults.okInData, block);
}

std::optional<std::size_t> FaultOverlay::cutShortAt(int block)
{
    if (!hits(m_faults.cutShort, block))
        return std::nullopt;
    return m_faults.cutShort.offset;
}

std::optional<std::size_t> FaultOverlay::lineDeadAt(int block)
{
    if (!hits(m_faults.lineDead, block))
        return std::nullopt;
    return m_faults.lineDead.offset;
}

std::string FaultOverlay::withPendingOk(std::string data, int block) const
{
    const BlockFault& f = m_faults.okInData;
    if (f.enabled && f.times != 0 && (f.block < 0 || f.block == block))
        overlayOk(data, f.offset, m_faults.okInDataText);
    return data;
}

} // namespace zarvo::emu
