// SPDX-License-Identifier: GPL-3.0-or-later
// Fields of the ";"-separated files people open in a spreadsheet (the batch folders' index, the
// archive's journals). Caller IDs come from the remote side, so a text a spreadsheet would run as a
// formula is written so that it stays text.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace zarvo::csv {

// Starts a new file, so a spreadsheet reads it as UTF-8.
inline constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

// The field as written: quoted when it holds ";", a quote or a line end; a text starting with "=",
// "+", "-", "@" or an apostrophe gets an apostrophe inside the quotes, which split() takes off again.
QString field(const QString& text);

// The fields of one record (line ends inside quotes belong to the field).
QStringList split(QStringView record);

} // namespace zarvo::csv
