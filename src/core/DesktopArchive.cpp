// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/DesktopArchive.h"

#include "core/RecognitionQueue.h"

#include "common/ProgramPaths.h"
#include "core/BatchArchive.h"
#include "core/NewMessageCommand.h"
#include "core/archive/Archive.h"
#include "core/archive/ModemInput.h"
#include "modem/ZarvoFields.h"

#include <algorithm>

namespace zarvo {

namespace {

archive::MessageKind KindOfType(int type)
{
    switch (type) {
    case 1:
        return archive::MessageKind::Fax;
    case 2:
        return archive::MessageKind::Voice;
    case 3:
        return archive::MessageKind::Data;
    default:
        return archive::MessageKind::Unknown;
    }
}

} // namespace

EntryKey KeyOf(const tMessageReport& entry)
{
    return EntryKey{entry.MsgType, entry.Id, entry.Received, entry.Size};
}

QString EraseArchiveQuestion(int notArchived)
{
    if (notArchived <= 0)
        return {};
    if (notArchived == 1)
        return QString::fromUtf8(
            "Eine Nachricht ist noch nicht archiviert. Erst archivieren und dann löschen?");
    return QString::fromUtf8("%1 Nachrichten sind noch nicht archiviert. Erst archivieren und dann löschen?")
        .arg(notArchived);
}

DesktopArchive::DesktopArchive(ArchiveSettings settings) : m_settings(std::move(settings))
{
    setSettings(m_settings);
}

DesktopArchive::~DesktopArchive() = default;

void DesktopArchive::setSettings(const ArchiveSettings& settings)
{
    const bool first = !m_command && m_archive == nullptr;
    if (settings.Folder() != m_settings.Folder() || settings.recognition != m_settings.recognition ||
        settings.languages != m_settings.languages) {
        m_recognition.reset();
        m_recognitionOffSaid = false;
    }
    if (settings.Folder() != m_settings.Folder()) {
        m_archive.reset();
        m_session.clear();
    }
    const bool newCommand = first || settings.command != m_settings.command;
    m_settings = settings;
    if (!newCommand)
        return;
    // Another command: a run of the old one still going is ended with its runner.
    m_command.reset();
    if (m_settings.command.trimmed().isEmpty())
        return;
    m_command = std::make_unique<NewMessageCommand>(m_settings.command, m_settings.Folder());
    m_command->setOutputSink([this](const QString& line) {
        if (log)
            log(line);
    });
    QObject::connect(m_command.get(), &NewMessageCommand::jobFinished, [this](const CommandResult& result) {
        if (result.ok()) {
            if (log)
                log(result.text);
        }
        else {
            say(result.text);
        }
    });
}

void DesktopArchive::say(const QString& text)
{
    if (log)
        log(text);
    if (status)
        status(text);
}

archive::Archive* DesktopArchive::open(QString* problem)
{
    if (!m_archive) {
        m_archive = archive::Archive::open(m_settings.Folder(), m_settings.Index(), problem);
        if (m_archive && m_archive->indexRebuilt() && log)
            log(m_archive->rebuildNote());
    }
    return m_archive.get();
}

DesktopArchive::Outcome DesktopArchive::store(int number, const tMessageReport* entry, const QByteArray& data)
{
    Outcome out;
    if (data.isEmpty())
        return out;
    QString problem;
    archive::Archive* archive = open(&problem);
    if (!archive) {
        out.text = QString::fromUtf8("Nachricht %1 wurde nicht archiviert: %2").arg(number).arg(problem);
        say(out.text);
        return out;
    }
    archive::ArchivedMessageInput input;
    if (entry) {
        input = archive::inputFromModem(*entry, data);
    }
    else {
        input.kind = archive::kindFromLetter(data.at(0));
        input.downloaded = data;
    }
    const archive::AddResult result = archive->add(input);
    if (result.failed()) {
        out.text =
            QString::fromUtf8("Nachricht %1 wurde nicht archiviert: %2").arg(number).arg(result.reason);
        say(out.text);
        return out;
    }
    out.ok = true;
    out.newlyStored = result.newlyStored();
    if (entry)
        m_session.push_back(KeyOf(*entry));
    if (!out.newlyStored) {
        out.text = QString::fromUtf8("Nachricht %1 ist bereits im Archiv.").arg(number);
        if (log)
            log(out.text);
        return out;
    }
    out.text = QString::fromUtf8("Nachricht %1 wurde archiviert.").arg(number);
    if (log) {
        log(out.text);
        // A file that could not be made (a fax without a readable line) is missing; the message is kept.
        if (!result.reason.isEmpty())
            log(result.reason);
    }
    if (input.kind == archive::MessageKind::Fax)
        recognise(result.id);
    if (m_command) {
        if (m_command->isValid())
            m_command->enqueue(NewMessageInfoFor(StoredMessage(input, result)));
        else
            say(m_command->error());
    }
    return out;
}

void DesktopArchive::recognise(const QString& id)
{
    if (!m_settings.recognition)
        return;
    if (!m_recognition) {
        OcrSettings ocr;
        ocr.languages = m_settings.languages.toStdString();
        const QString off = QString::fromStdString(OcrUnavailableReason(ocr));
        if (!off.isEmpty()) {
            if (!m_recognitionOffSaid && log)
                log(off);
            m_recognitionOffSaid = true;
            return;
        }
        m_recognition = std::make_unique<RecognitionQueue>(m_settings.Folder(), m_settings.Index(), ocr);
        QObject::connect(m_recognition.get(), &RecognitionQueue::faxDone, m_recognition.get(),
                         [this](const QString&, bool, const QString& text) {
                             if (log)
                                 log(text);
                         });
    }
    m_recognition->enqueue(id);
}

int DesktopArchive::knownArchived(const EntryKey& key)
{
    const int inSession = static_cast<int>(std::count(m_session.begin(), m_session.end(), key));
    // A modem clock that restarted counts from its zero: such times tell no message from another.
    QDate date;
    QTime time;
    if (!FromTDateTime(key.received, date, time) || date.year() < 2000)
        return inSession;
    QString problem;
    archive::Archive* archive = open(&problem);
    if (!archive)
        return inSession;
    const QDateTime local(date, time);
    archive::ListFilter filter;
    filter.kind = KindOfType(key.type);
    filter.from = local;
    filter.to = local.addSecs(1);
    int found = 0;
    for (const archive::ArchivedMessage& m : archive->list(filter, std::nullopt, 50).messages)
        if (m.caller == key.caller && m.amount == key.size)
            ++found;
    return std::max(inSession, found);
}

std::vector<int> DesktopArchive::notArchived(const std::vector<tMessageReport>& entries)
{
    std::vector<EntryKey> keys;
    keys.reserve(entries.size());
    for (const tMessageReport& e : entries)
        keys.push_back(KeyOf(e));
    std::vector<int> rows;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const int inList = static_cast<int>(std::count(keys.begin(), keys.end(), keys[i]));
        if (knownArchived(keys[i]) < inList)
            rows.push_back(static_cast<int>(i) + 1);
    }
    return rows;
}

} // namespace zarvo
