// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/RecognitionQueue.h"

#include "core/FaxRecognition.h"
#include "core/archive/Archive.h"

#include <QThread>

#include <exception>

namespace zarvo {

RecognitionQueue::RecognitionQueue(QString archiveFolder, QString indexPath, OcrSettings settings,
                                   QObject* parent)
    : QObject(parent), m_folder(std::move(archiveFolder)), m_indexPath(std::move(indexPath)),
      m_settings(std::move(settings))
{
}

RecognitionQueue::~RecognitionQueue()
{
    stop();
}

void RecognitionQueue::enqueue(const QString& id)
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;
        m_ids.push_back(id);
    }
    m_wake.notify_one();
    if (!m_thread) {
        m_thread = QThread::create([this] { work(); });
        m_thread->setObjectName(QStringLiteral("Texterkennung"));
        m_thread->start(QThread::IdlePriority);
    }
}

int RecognitionQueue::pending() const
{
    const std::lock_guard lock(m_mutex);
    return static_cast<int>(m_ids.size()) + m_busy;
}

void RecognitionQueue::stop()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_ids.clear();
        if (m_ocr)
            m_ocr->cancel();
    }
    m_wake.notify_all();
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
        m_thread = nullptr;
    }
}

void RecognitionQueue::work()
{
    FaxOcr ocr(m_settings);
    QString problem;
    const std::unique_ptr<archive::Archive> archive = archive::Archive::open(m_folder, m_indexPath, &problem);
    if (!ocr.unavailableReason().empty())
        problem = QString::fromStdString(ocr.unavailableReason());
    {
        const std::lock_guard lock(m_mutex);
        m_ocr = &ocr;
        if (m_stopping)
            ocr.cancel();
    }
    for (;;) {
        QString id;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_ids.empty(); });
            if (m_stopping)
                break;
            id = m_ids.front();
            m_ids.pop_front();
            m_busy = 1;
        }
        bool ok = false;
        QString text = problem;
        if (problem.isEmpty()) {
            // An index that cannot be read or written (a full disk, a lock held too long, damage) costs
            // this fax its text, not the program: nothing may leave the thread.
            try {
                archive->refresh(); // the id may come from another Archive object or process
                const auto message = archive->get(id, &text);
                if (message) {
                    const FaxRecognitionResult result = FaxRecognition(*archive, ocr).recognise(*message);
                    ok = result.ok();
                    text = result.text;
                }
            }
            catch (const std::exception& e) {
                text =
                    QStringLiteral("Texterkennung: das Verzeichnis des Archivs lässt sich nicht lesen oder "
                                   "schreiben: %1")
                        .arg(QString::fromUtf8(e.what()));
            }
        }
        {
            const std::lock_guard lock(m_mutex);
            m_busy = 0;
        }
        emit faxDone(id, ok, text);
    }
    const std::lock_guard lock(m_mutex);
    m_ocr = nullptr;
}

} // namespace zarvo
