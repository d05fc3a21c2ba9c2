// SPDX-License-Identifier: GPL-3.0-or-later
// The message list's rows and size rules, free of widgets.
#include "core/MessageList.h"

#include "modem/Zarvo.h"
#include "modem/ZarvoFields.h"

#include <cmath>
#include <exception>

namespace zarvo {

const MessageRow& MessageListHeaders()
{
    static const MessageRow headers = {QStringLiteral("Typ"),         QStringLiteral("ID"),
                                       QString::fromUtf8("Abgehört"), QStringLiteral("Eingelesen"),
                                       QString::fromUtf8("Größe"),    QStringLiteral("Empfangszeit")};
    return headers;
}

MessageRow MessageRowFor(const tMessageReport& report)
{
    MessageRow row;
    QString unit;
    switch (report.MsgType) {
    case 1:
        row[0] = kCellFax;
        unit = QStringLiteral("Seite(n)");
        break;
    case 2:
        row[0] = kCellVoice;
        unit = QStringLiteral("Sekunden");
        break;
    case 3:
        row[0] = QStringLiteral("Daten");
        unit = QStringLiteral("Byte");
        break;
    default:
        break; // an unknown type leaves the type cell empty and the unit out
    }
    row[1] = report.Id;
    row[2] = report.Listened ? kCellTrue : kCellFalse;
    row[3] = report.Downloaded ? kCellTrue : kCellFalse;
    row[4] = QString::number(report.Size) + u' ' + unit;
    row[5] = ReceptionTimeText(report.Received);
    return row;
}

MessageListData ReadMessageList(TZarvo& zarvo)
{
    MessageListData list;
    tMemoryStatus status;
    try {
        if (zarvo.ReadMemoryStatus(status) != 0)
            return list;
    }
    catch (const std::exception& e) {
        list.Error = QString::fromUtf8(e.what());
        return list;
    }
    list.UsedPercent = status.UsedPercent;
    list.MessageCount = status.CountA + status.CountB;
    list.Rows.reserve(list.MessageCount);
    for (int n = 1; n <= list.MessageCount; ++n) {
        tMessageReport report;
        MessageRow row;
        try {
            if (zarvo.ReadMessageReport(static_cast<quint8>(n), report) == 0) {
                row = MessageRowFor(report);
                list.Reports.push_back(report);
            }
        }
        catch (const std::exception& e) {
            if (list.Error.isEmpty())
                list.Error = QString::fromUtf8(e.what());
        }
        list.Rows.push_back(row);
    }
    return list;
}

std::vector<int> UnlistenedMessages(const std::vector<MessageRow>& rows)
{
    std::vector<int> numbers;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i][2] == kCellFalse)
            numbers.push_back(static_cast<int>(i) + 1);
    return numbers;
}

int ColumnWidth(int widestText, int cellPadding)
{
    return widestText + 3 + cellPadding;
}

int FittedClientWidth(int columnSum)
{
    return columnSum + 50 < 419 ? 419 : columnSum + 66;
}

int CellImageX(int left, int right)
{
    return left + static_cast<int>(std::nearbyint((right - left) / 2.0)) - 16;
}

BusyDisplay BusyDisplayFor(bool busy, int messageRows)
{
    if (busy)
        return {QStringLiteral("warten..."), false, false, false};
    return {QString(), true, true, messageRows > 0};
}

} // namespace zarvo
