// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The message archive's values: what goes in, what comes out. Plain structs.
namespace zarvo::archive {

enum class MessageKind { Voice, Fax, Data, Unknown };

// "voice", "fax", "data", "unknown" (the program's JSON) and back; anything else is Unknown.
QString kindKey(MessageKind kind);
MessageKind kindFromKey(const QString& key);
// "Sprache", "Fax", "Daten", "unbekannt": what people read, in the journal and the list.
QString kindText(MessageKind kind);
MessageKind kindFromText(const QString& text);
// The message data string's type letter: 'V', 'F', 'D', anything else Unknown.
MessageKind kindFromLetter(char letter);

// One message to keep.
struct ArchivedMessageInput {
    MessageKind kind = MessageKind::Unknown;
    QString caller;     // the identification as the modem lists it (remote text)
    QDateTime received; // with its offset; invalid (a restarted modem clock) takes the time of archiving
    int amount = 0;     // seconds (voice), pages (fax), bytes (data) as listed
    // The message data string as downloaded (type letter, page count for a fax, the stored bytes).
    // Its SHA-256 is the message's identity.
    QByteArray downloaded;
    // Instead of `downloaded`, for messages of earlier batch runs: the files people opened (WAV,
    // TIF, PDF, DAT), taken as they are; their identity is the SHA-256 of the first one.
    QStringList takenFiles;
};

struct AddResult {
    enum Status { NewlyStored, AlreadyThere, Failed };
    Status status = Failed;
    QString reason;    // German: why it failed, or what is missing of a stored message
    QString id;        // 64 hex digits
    QStringList files; // absolute paths
    bool newlyStored() const { return status == NewlyStored; }
    bool alreadyThere() const { return status == AlreadyThere; }
    bool failed() const { return status == Failed; }
};

struct ArchivedMessage {
    QString id;
    MessageKind kind = MessageKind::Unknown;
    QString caller;
    QDateTime received; // with its offset
    int amount = 0;
    bool heard = false;
    QString note;
    QStringList files; // absolute paths; the downloaded bytes (".msg") first when kept
    int hitPage = 0;   // a search's words found in the fax text of this page (from 1); 0: elsewhere
    QString shortId() const { return id.left(10); }
    // A fax's recognised text lies beside its files ("<base>.txt") and goes with them; empty for
    // other kinds.
    QString textFile() const
    {
        if (kind != MessageKind::Fax || files.isEmpty())
            return QString();
        return files.front().left(files.front().lastIndexOf(u'.')) + QStringLiteral(".txt");
    }
};

// Where the next page of a list starts: after (received, row) of the last message shown.
struct ListCursor {
    qint64 received = 0; // seconds since the epoch, UTC
    qint64 row = 0;
};

struct ListFilter {
    QString text;                    // words the caller or the note (or a fax's text) begins with
    std::optional<MessageKind> kind; // only this kind
    QDateTime from;                  // received at or after (invalid: no limit)
    QDateTime to;                    // received before (invalid: no limit)
    bool oldestFirst = false;        // the other way round (the cursor then continues upwards)
};

struct ListPage {
    std::vector<ArchivedMessage> messages; // newest first (or oldest first, as the filter asks)
    std::optional<ListCursor> next;        // set while more may follow
};

// One finding of a check: a file missing, changed or not belonging to any message.
struct CheckFinding {
    enum What { Missing, Changed, Stray, Repaired, Dropped };
    What what = Missing;
    QString id;   // empty for a stray file
    QString path; // absolute
    QString text; // German, for people
};

} // namespace zarvo::archive
