// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/MessageIndex.h"
#include "core/MessageList.h"
#include "modem/MessageLayout.h"

#include "fax/FaxSaveReport.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <span>
#include <vector>

namespace zarvo {

class TZarvo;

// What saving messages of the modem into a folder achieved.
struct BatchSaveReport {
    int Saved = 0;           // messages whose every file is there (written now or found identical)
    int AlreadyThere = 0;    // of those: every file was there already with the very same bytes
    std::vector<int> Failed; // message numbers that could not be downloaded or saved
    QStringList Problems;    // one German line per failure (a message, or the index)
    bool AllSaved() const { return Failed.empty() && Problems.isEmpty(); }
    void Add(const BatchSaveReport& other);
};

// The file name a message is saved under: "MESS" + number + ".TIF" for a fax, ".WAV" for voice and
// ".DAT" for a data message or one of unknown type.
QString BatchFileName(int number, char type);

// A row of the list whose directory entry could not be read (every row of a readable entry shows a
// size, also for a message of unknown type).
bool EntryUnreadable(const MessageRow& row);

// True when `now` was read whole and lists exactly the messages of `shown` (same number, type,
// identification, size and time): what an erase may take away without losing anything unseen.
bool ListShowsSameMessages(const std::vector<MessageRow>& shown, const MessageListData& now);

// What writing one file of a message did. Failed says why; a written fax whose pages could not all
// be drawn also keeps the fax as received (`extraFiles`) and says so in `notice`.
struct FileOutcome {
    enum class State { Written, AlreadyThere, Failed };
    State state = State::Failed;
    QString reason;         // Failed: why, in German
    QString notice;         // done, but worth saying (standard error in a batch run)
    QStringList extraFiles; // more files written for the message (names within the folder)
    bool leftOut = false;   // no page could be drawn: the file itself was not written
    bool Failed() const { return state == State::Failed; }
};

// One file written for a downloaded message, whole or not at all. A name that exists with other
// bytes, or as anything but a regular file, is never replaced; one holding exactly these bytes is
// AlreadyThere.
struct MessageFileWriter {
    QString Suffix; // ".TIF", ".PDF", ...
    std::function<FileOutcome(TZarvo& zarvo, const QByteArray& data, const QString& file)> Write;
};

// The fax as received beside `file` (its name with ".UFR") when pages of it could not be drawn:
// the file keeps the other pages, the .UFR every byte. Fills the outcome's notice and extra file.
void KeepFaxAsReceived(const QByteArray& data, const QString& file, const FaxSaveReport& report,
                       FileOutcome& outcome);

// Where a batch run puts each downloaded message: a folder of MESS<n> files, or the archive.
class MessageSink {
  public:
    virtual ~MessageSink() = default;
    // Where the messages go, for the run's summary and its messages (a folder ending in "/").
    virtual QString Place() const = 0;
    // Stores message `number` (its list row, its directory entry when read, its data as downloaded).
    // An empty text when it is there whole (`alreadyThere`: found so, nothing written), else why not.
    virtual QString Store(int number, const MessageRow& row, const tMessageReport* entry,
                          const QByteArray& data, bool& alreadyThere) = 0;
    // After each round of Store: what belongs to the round as a whole (a folder's index). Empty
    // text when done, else why not.
    virtual QString Finish() { return QString(); }
};

// A folder as the batch run fills it: faxes become MESS<n>.TIF, voice MESS<n>.WAV, data and
// unknown messages their downloaded bytes as MESS<n>.DAT; every saved message gets a row in the
// folder's Nachrichten.csv.
class FolderSink : public MessageSink {
  public:
    FolderSink(TZarvo& zarvo, QString folder); // folder ends in "/"
    // One more file for each fax, written after the TIFF (say, another document format).
    void AddFaxWriter(MessageFileWriter writer);
    QString Place() const override { return m_folder; }
    QString Store(int number, const MessageRow& row, const tMessageReport* entry, const QByteArray& data,
                  bool& alreadyThere) override;
    QString Finish() override;

  private:
    TZarvo& m_zarvo;
    QString m_folder;
    std::vector<MessageFileWriter> m_faxWriters;
    std::vector<MessageIndexRow> m_indexRows; // of the round in progress
};

// Saves the modem's messages into a sink and remembers which it saved, so that a second look at the
// directory finds what came in meanwhile (a call the modem answered during the download).
class BatchSaver {
  public:
    BatchSaver(TZarvo& zarvo, QString folder); // into a FolderSink; folder ends in "/"
    BatchSaver(TZarvo& zarvo, std::unique_ptr<MessageSink> sink);
    // One more file for each fax of a folder (nothing for another sink).
    void AddFaxWriter(MessageFileWriter writer);

    // Downloads and saves every message of `list` not saved yet by this saver. A message whose
    // entry cannot be read, whose download or any of whose files fails counts as failed.
    BatchSaveReport SaveNew(const MessageListData& list);
    // The message numbers of `list` this saver has not saved: new ones, blank rows (unreadable
    // entries), and any whose entry differs from the one saved under that number.
    std::vector<int> Unsaved(const MessageListData& list) const;
    QString Folder() const { return m_sink->Place(); }
    MessageSink& Sink() { return *m_sink; }

  private:
    TZarvo& m_zarvo;
    std::unique_ptr<MessageSink> m_sink;
    FolderSink* m_folderSink = nullptr; // m_sink when it is a folder
    std::map<int, MessageRow> m_saved;
};

} // namespace zarvo
