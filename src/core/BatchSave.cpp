// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/BatchSave.h"

#include "common/MessageSeam.h"
#include "core/MessageIndex.h"
#include "fax/FAXTIF.h"
#include "modem/Zarvo.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <exception>

namespace zarvo {

namespace {

// What identifies a message in the list: everything but the two flags, which a download changes.
bool SameEntry(const MessageRow& a, const MessageRow& b)
{
    return !EntryUnreadable(a) && a[0] == b[0] && a[1] == b[1] && a[4] == b[4] && a[5] == b[5];
}

FileOutcome Done(bool alreadyThere)
{
    FileOutcome outcome;
    outcome.state = alreadyThere ? FileOutcome::State::AlreadyThere : FileOutcome::State::Written;
    return outcome;
}

FileOutcome Failed(const QString& reason)
{
    FileOutcome outcome;
    outcome.reason = reason;
    return outcome;
}

FileOutcome TiffWriter(TZarvo&, const QByteArray& data, const QString& file)
{
    const std::span<const uint8_t> fax = FaxPartOf(data);
    const FaxSaveReport report = ProgramTiffWriter().SaveFaxAsTiff(
        fax, QFile::encodeName(file).toStdString(), QFile::encodeName(TZarvo::CodeFilePath()).toStdString(),
        Existing::AcceptSame);
    if (report.pages == 0 && report.undrawable.empty())
        return Failed(QStringLiteral("%1 konnte nicht geschrieben werden (keine Seite)").arg(file));
    FileOutcome outcome = Done(report.alreadyThere);
    KeepFaxAsReceived(data, file, report, outcome);
    return outcome;
}

FileOutcome WaveWriter(TZarvo& zarvo, const QByteArray& data, const QString& file)
{
    bool alreadyThere = false;
    const quint8 result = zarvo.ConvertVoice(data, file, Existing::AcceptSame, &alreadyThere);
    if (result != 0) {
        const QString why = zarvo.LastWriteProblem.isEmpty() ? QStringLiteral("Fehler %1").arg(result)
                                                             : zarvo.LastWriteProblem;
        return Failed(QStringLiteral("%1 konnte nicht geschrieben werden (%2)").arg(file, why));
    }
    return Done(alreadyThere);
}

// Data and unknown messages: the stored bytes after the type letter, as downloaded.
FileOutcome RawWriter(TZarvo&, const QByteArray& data, const QString& file)
{
    const QByteArray body = data.mid(1);
    bool alreadyThere = false;
    const std::string problem = WriteWholeFile(
        QFile::encodeName(file).toStdString(),
        std::as_bytes(std::span<const char>(body.constData(), static_cast<std::size_t>(body.size()))),
        Existing::AcceptSame, &alreadyThere);
    if (problem.empty())
        return Done(alreadyThere);
    return Failed(
        QStringLiteral("%1 konnte nicht geschrieben werden (%2)").arg(file, QString::fromStdString(problem)));
}

QString KindOf(const MessageRow& row, char type)
{
    if (!row[0].isEmpty())
        return row[0];
    return type == 'D' ? QStringLiteral("Daten") : QStringLiteral("unbekannt");
}

} // namespace

void KeepFaxAsReceived(const QByteArray& data, const QString& file, const FaxSaveReport& report,
                       FileOutcome& outcome)
{
    if (report.Whole())
        return;
    outcome.leftOut = report.pages == 0;
    const QString ufr =
        QFileInfo(file).path() + u'/' + QFileInfo(file).completeBaseName() + QStringLiteral(".UFR");
    const std::span<const uint8_t> fax = FaxPartOf(data);
    const std::string problem =
        WriteWholeFile(QFile::encodeName(ufr).toStdString(), std::as_bytes(fax), Existing::AcceptSame);
    if (!problem.empty()) {
        // Without the fax as received the missing pages would be lost: the message is not saved.
        outcome = Failed(QStringLiteral("%1: %2, und %3 konnte nicht geschrieben werden (%4)")
                             .arg(file, QString::fromStdString(UndrawablePagesText(report.undrawable)), ufr,
                                  QString::fromStdString(problem)));
        return;
    }
    outcome.extraFiles << QFileInfo(ufr).fileName();
    outcome.notice = QStringLiteral("%1: %2; das Fax ist so, wie es empfangen wurde, in %3 gesichert.")
                         .arg(file, QString::fromStdString(UndrawablePagesText(report.undrawable)), ufr);
}

bool EntryUnreadable(const MessageRow& row)
{
    return row[4].isEmpty();
}

bool ListShowsSameMessages(const std::vector<MessageRow>& shown, const MessageListData& now)
{
    if (now.MessageCount < 0 || !now.Error.isEmpty() || now.Rows.size() != shown.size())
        return false;
    for (std::size_t i = 0; i < shown.size(); ++i)
        if (!SameEntry(shown[i], now.Rows[i]))
            return false;
    return true;
}

void BatchSaveReport::Add(const BatchSaveReport& other)
{
    Saved += other.Saved;
    AlreadyThere += other.AlreadyThere;
    Failed.insert(Failed.end(), other.Failed.begin(), other.Failed.end());
    Problems << other.Problems;
}

QString BatchFileName(int number, char type)
{
    const QString suffix = type == 'F'   ? QStringLiteral(".TIF")
                           : type == 'V' ? QStringLiteral(".WAV")
                                         : QStringLiteral(".DAT");
    return QStringLiteral("MESS%1").arg(number) + suffix;
}

FolderSink::FolderSink(TZarvo& zarvo, QString folder) : m_zarvo(zarvo), m_folder(std::move(folder))
{
    m_faxWriters.push_back({QStringLiteral(".TIF"), TiffWriter});
}

void FolderSink::AddFaxWriter(MessageFileWriter writer)
{
    m_faxWriters.push_back(std::move(writer));
}

QString FolderSink::Store(int number, const MessageRow& row, const tMessageReport*, const QByteArray& data,
                          bool& allThere)
{
    const QString base = m_folder + QStringLiteral("MESS%1").arg(number);
    std::vector<MessageFileWriter> writers;
    if (data.at(0) == 'F')
        writers = m_faxWriters;
    else if (data.at(0) == 'V')
        writers = {{QStringLiteral(".WAV"), WaveWriter}};
    else
        writers = {{QStringLiteral(".DAT"), RawWriter}};
    allThere = true;
    QStringList files;
    for (const MessageFileWriter& writer : writers) {
        FileOutcome outcome;
        try {
            outcome = writer.Write(m_zarvo, data, base + writer.Suffix);
        }
        catch (const std::exception& e) {
            // The file layer's texts name the file already ("Datei ... kann nicht ... werden (...)").
            const QString what = QString::fromUtf8(e.what());
            outcome = Failed(what.contains(base + writer.Suffix)
                                 ? what
                                 : QStringLiteral("%1 konnte nicht geschrieben werden: %2")
                                       .arg(base + writer.Suffix, what));
        }
        if (outcome.Failed())
            return outcome.reason;
        if (!outcome.notice.isEmpty())
            Messages().warning(kAppCaption, outcome.notice);
        allThere = allThere && outcome.state == FileOutcome::State::AlreadyThere;
        if (!outcome.leftOut)
            files << QStringLiteral("MESS%1").arg(number) + writer.Suffix;
        for (const QString& extra : outcome.extraFiles)
            if (!files.contains(extra))
                files << extra;
    }
    m_indexRows.push_back({number, KindOf(row, data.at(0)), row[1], row[5], row[4], files});
    return QString();
}

QString FolderSink::Finish()
{
    QString problem = AppendToMessageIndex(m_folder, m_indexRows);
    m_indexRows.clear();
    // The new names must survive a power cut before anything relies on them (the erase).
    if (problem.isEmpty())
        problem = QString::fromStdString(SyncFolder(QFile::encodeName(m_folder).toStdString()));
    return problem.isEmpty() ? problem : QStringLiteral("%1: %2").arg(m_folder, problem);
}

BatchSaver::BatchSaver(TZarvo& zarvo, QString folder) : m_zarvo(zarvo)
{
    auto sink = std::make_unique<FolderSink>(zarvo, std::move(folder));
    m_folderSink = sink.get();
    m_sink = std::move(sink);
}

BatchSaver::BatchSaver(TZarvo& zarvo, std::unique_ptr<MessageSink> sink)
    : m_zarvo(zarvo), m_sink(std::move(sink))
{
}

void BatchSaver::AddFaxWriter(MessageFileWriter writer)
{
    if (m_folderSink)
        m_folderSink->AddFaxWriter(std::move(writer));
}

std::vector<int> BatchSaver::Unsaved(const MessageListData& list) const
{
    std::vector<int> numbers;
    for (int n = 1; n <= static_cast<int>(list.Rows.size()); ++n) {
        const auto saved = m_saved.find(n);
        if (saved == m_saved.end() || !SameEntry(saved->second, list.Rows[static_cast<std::size_t>(n - 1)]))
            numbers.push_back(n);
    }
    return numbers;
}

BatchSaveReport BatchSaver::SaveNew(const MessageListData& list)
{
    BatchSaveReport report;
    for (int n : Unsaved(list)) {
        const auto index = static_cast<std::size_t>(n - 1);
        const MessageRow& row = list.Rows[index];
        QByteArray data;
        QString problem;
        try {
            const quint8 result = n <= 255 ? m_zarvo.GetMessage(static_cast<quint8>(n), data) : quint8(6);
            if (result != 0 || data.isEmpty())
                problem =
                    QStringLiteral("Nachricht %1 konnte nicht gelesen werden (Fehler %2)").arg(n).arg(result);
        }
        catch (const std::exception& e) {
            // A garbled reply: that message is not saved, so nothing may be erased.
            problem = QStringLiteral("Nachricht %1 konnte nicht gelesen werden: %2")
                          .arg(n)
                          .arg(QString::fromUtf8(e.what()));
        }
        bool allThere = false;
        if (problem.isEmpty()) {
            const tMessageReport* entry = index < list.Reports.size() ? &list.Reports[index] : nullptr;
            problem = m_sink->Store(n, row, entry, data, allThere);
        }
        if (!problem.isEmpty()) {
            report.Failed.push_back(n);
            report.Problems << problem;
            continue;
        }
        ++report.Saved;
        report.AlreadyThere += allThere ? 1 : 0;
        m_saved[n] = row;
    }
    const QString finishProblem = m_sink->Finish();
    if (!finishProblem.isEmpty())
        report.Problems << finishProblem;
    return report;
}

} // namespace zarvo
