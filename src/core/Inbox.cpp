// SPDX-License-Identifier: GPL-3.0-or-later
// The modem's messages as last seen, shared by the list, the poll, the tray and the notice.
#include "core/Inbox.h"

#include "core/AnnouncedMessages.h"

#include <algorithm>

namespace zarvo {

bool SameMessage(const tMessageReport& a, const tMessageReport& b)
{
    return a.MsgType == b.MsgType && a.Id == b.Id && a.Day == b.Day && a.Hour == b.Hour &&
           a.Minute == b.Minute && a.Size == b.Size && a.Block == b.Block && a.PosHi == b.PosHi &&
           a.PosLo == b.PosLo;
}

Inbox::Inbox(const QString& announcedFile, QObject* parent)
    : QObject(parent), m_announced(std::make_unique<AnnouncedMessages>(announcedFile))
{
}

Inbox::~Inbox() = default;

void Inbox::UseAnnouncedFile(const QString& file)
{
    m_announced = std::make_unique<AnnouncedMessages>(file);
    if (m_known)
        ShownAreAnnounced();
}

void Inbox::SetList(const MessageListData& list)
{
    m_messageCount = list.MessageCount;
    m_usedPercent = list.UsedPercent;
    m_rows = list.Rows;
    // An entry whose query failed is a blank row: such a list says nothing about the directory.
    if (list.MessageCount >= 0 && list.Reports.size() == list.Rows.size()) {
        m_directory = list.Reports;
        m_known = true;
        ShownAreAnnounced();
    }
    emit Changed();
}

void Inbox::Invalidate()
{
    m_messageCount = -1;
}

void Inbox::ShownAreAnnounced()
{
    m_announced->Retain(m_directory);
    std::vector<tMessageReport> unheard;
    std::copy_if(m_directory.begin(), m_directory.end(), std::back_inserter(unheard),
                 [](const tMessageReport& r) { return !r.Listened; });
    m_announced->Add(unheard);
}

std::vector<tMessageReport> Inbox::Update(std::vector<tMessageReport> directory, int firstRead, bool whole)
{
    m_directory = std::move(directory);
    m_known = true;
    if (whole)
        m_announced->Retain(m_directory);
    std::vector<tMessageReport> fresh;
    for (auto it = m_directory.begin() + std::clamp(firstRead - 1, 0, static_cast<int>(m_directory.size()));
         it != m_directory.end(); ++it)
        if (!it->Listened && !m_announced->Contains(*it))
            fresh.push_back(*it);
    m_announced->Add(fresh);
    emit Changed();
    return fresh;
}

void Inbox::Refresh(int index, const tMessageReport& entry)
{
    if (index < 1 || index > static_cast<int>(m_directory.size()))
        return;
    tMessageReport& known = m_directory[static_cast<std::size_t>(index - 1)];
    if (known.Listened == entry.Listened && known.Downloaded == entry.Downloaded)
        return;
    known.Listened = entry.Listened;
    known.Downloaded = entry.Downloaded;
    emit Changed();
}

void Inbox::NoteHeard(int index)
{
    if (index < 1 || index > static_cast<int>(m_directory.size()))
        return;
    m_directory[static_cast<std::size_t>(index - 1)].Listened = true;
    m_directory[static_cast<std::size_t>(index - 1)].Downloaded = true;
    emit Changed();
}

int Inbox::Unheard() const
{
    return static_cast<int>(std::count_if(m_directory.begin(), m_directory.end(),
                                          [](const tMessageReport& r) { return !r.Listened; }));
}

} // namespace zarvo
