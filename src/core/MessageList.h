// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "modem/ModemTypes.h"

#include <QString>

#include <array>
#include <vector>

// The message list of the main window without its widgets: rows built from the modem's memory status
// and directory, the new-message count, and the size rules the grid applies.
namespace zarvo {

class TZarvo;

inline constexpr int kListColumns = 6;
using MessageRow = std::array<QString, kListColumns>;

// "Typ", "ID", "Abgehört", "Eingelesen", "Größe", "Empfangszeit".
const MessageRow& MessageListHeaders();

// The exact cell texts the drawing and the new-message count compare against.
inline const QString kCellTrue = QStringLiteral("True");
inline const QString kCellFalse = QStringLiteral("false");
inline const QString kCellFax = QStringLiteral("Fax");
inline const QString kCellVoice = QStringLiteral("Sprache");

// One row of the list for a directory entry.
MessageRow MessageRowFor(const tMessageReport& report);

// What the list shows: the memory usage, the number of directory entries it was built for (-1 when
// the status query failed) and one row per entry (row n holds message n + 1).
struct MessageListData {
    int MessageCount = -1;
    int UsedPercent = 0;
    std::vector<MessageRow> Rows;
    // The directory entries read; as many as Rows only when every query succeeded.
    std::vector<tMessageReport> Reports;
    // The first malformed reply met while reading (ConvertError text); the list is whole anyway.
    QString Error;
};

// Reads the memory status, then every directory entry. A failed status query gives an empty list
// with MessageCount -1 rather than rows of an earlier or a garbled answer; an entry whose query fails
// stays a blank row, so the row numbers keep matching the modem's message numbers.
MessageListData ReadMessageList(TZarvo& zarvo);

// The message numbers (1-based) whose "Abgehört" cell reads "false", in list order.
std::vector<int> UnlistenedMessages(const std::vector<MessageRow>& rows);

// Column width: the widest text + 3 pixels, plus the cell's own padding (the grid draws its text
// inside margins, so the text alone would be cut).
int ColumnWidth(int widestText, int cellPadding);

// The window width for the sum of the column widths: 419 while sum + 50 stays below 419, else
// sum + 66.
int FittedClientWidth(int columnSum);

// Left edge of the image drawn over a cell from left (inclusive) to right (exclusive):
// left + half the width rounded half to even - 16.
int CellImageX(int left, int right);

// The busy display of the background tick: the second status panel and which commands may run.
struct BusyDisplay {
    QString PanelText;    // "warten..." while busy, else empty
    bool GridEnabled;     // SG
    bool ProgramCommands; // Schliessen, AC_Speicherloesch, AC_Modemreset, AC_Optionen
    bool MessageCommands; // Abspielen, LAbspielen, LStoppen, AC_Nachrge
};
BusyDisplay BusyDisplayFor(bool busy, int messageRows);

} // namespace zarvo
