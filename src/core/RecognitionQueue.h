// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ocr/FaxOcr.h"

#include <QObject>
#include <QString>

#include <condition_variable>
#include <deque>
#include <mutex>

class QThread;

namespace zarvo {

// Recognises archived faxes one after the other in a worker thread of idle priority, never in the
// thread it lives in. The worker opens the archive and builds its Tesseract engine itself (neither
// may be shared between threads), and starts with the first queued fax.
//
//   auto* queue = new RecognitionQueue(folder, ProgramPaths::archiveIndexFile(), settings, this);
//   connect(queue, &RecognitionQueue::faxDone, this, &Window::showRecognition);
//   queue->enqueue(id);
//   ... at exit: queue->stop();
class RecognitionQueue : public QObject {
    Q_OBJECT

  public:
    RecognitionQueue(QString archiveFolder, QString indexPath, OcrSettings settings,
                     QObject* parent = nullptr);
    ~RecognitionQueue() override; // stop()

    // A fax (full id) to recognise; one whose text file exists only has its text put into the index.
    void enqueue(const QString& id);
    // Cancels the page being read (it is left as it was), drops the queue and waits for the worker.
    void stop();
    // Faxes queued and not finished yet.
    int pending() const;

  signals:
    // In the queue's own thread: one fax finished; `text` says in German what became of it.
    void faxDone(const QString& id, bool ok, const QString& text);

  private:
    void work();

    QString m_folder;
    QString m_indexPath;
    OcrSettings m_settings;
    QThread* m_thread = nullptr;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<QString> m_ids;
    int m_busy = 0;
    bool m_stopping = false;
    FaxOcr* m_ocr = nullptr; // the worker's engine while it exists, for cancel()
};

} // namespace zarvo
