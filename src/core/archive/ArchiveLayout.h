// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/archive/ArchiveTypes.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

// Where a message's files lie in the archive folder and what they are called:
//   2026/12/2026-12-09_1403_Fax_3fa9c01b2e.msg   the message data string as downloaded
//   2026/12/2026-12-09_1403_Fax_3fa9c01b2e.tif   (and .pdf, .wav, .dat) what people open
//   2026/12/Nachrichten.csv                       the month's journal
// Names come from the reception time (in its own offset), the kind and the identity only: nothing
// a caller sent ever becomes part of a path.
namespace zarvo::archive::layout {

inline const QString kJournalName = QStringLiteral("Nachrichten.csv");
inline const QString kLockName = QStringLiteral(".archiv.lock");
inline constexpr int kShortIdLength = 10;
inline constexpr int kLongIdLength = 20; // when a short name is taken by other bytes

// The files a message has, as bits (the index keeps them so).
enum FileBit { Msg = 1, Wav = 2, Tif = 4, Pdf = 8, Dat = 16 };
inline constexpr int kFileBits[] = {Msg, Wav, Tif, Pdf, Dat};
QString suffixOf(FileBit bit); // "msg", "wav", ...
// The bits of file names by their endings (unknown endings are left out).
int bitsOfFiles(const QStringList& names);

// "2026/12"
QString monthFolder(const QDateTime& received);
// "2026/12/2026-12-09_1403_Fax_3fa9c01b2e" for an id cut to idLength digits.
QString baseName(const QDateTime& received, MessageKind kind, const QString& id, int idLength);
// The relative file names of base for the given bits, in the order of kFileBits.
QStringList fileNames(const QString& base, int bits);
// The id length used in a relative file name (10 or 20); 0 when the name is not one of ours.
int idLengthOf(const QString& relativeName);

// ISO 8601 with the offset ("2026-12-09T14:03:00+01:00") and back (invalid when malformed).
QString isoText(const QDateTime& when);
QDateTime fromIso(const QString& text);

} // namespace zarvo::archive::layout
