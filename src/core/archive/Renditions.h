// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/archive/ArchiveLayout.h"
#include "core/archive/ArchiveTypes.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace zarvo {
class TZarvo;
}

namespace zarvo::archive {

// Writes a message's files through the program's own converters: the downloaded bytes (".msg"),
// a voice message's WAV, a fax's TIFF and PDF, a data message's bytes (".dat"). Every file is
// written whole or not at all, never over another file; a file that holds the very same bytes
// already counts as written (an add that was cut short is finished by the next one).
class Renditions {
  public:
    Renditions();
    ~Renditions();
    Renditions(const Renditions&) = delete;
    Renditions& operator=(const Renditions&) = delete;

    struct Written {
        int bits = 0;           // layout::FileBit of the files now there
        bool nameTaken = false; // the first file's name holds other bytes: try a longer name
        QString failure;        // nothing of the message could be kept
        QStringList notes;      // files that could not be made (the message is kept without them)
    };
    // `absBase` is the absolute path without the ending.
    Written write(const ArchivedMessageInput& input, const QString& absBase);
    // Files copied or written as bytes leave their flush to the caller's syncfs (an import).
    void setDeferSync(bool defer) { m_deferSync = defer; }
    // One file again from the downloaded bytes; empty text on success.
    QString remake(const QByteArray& downloaded, layout::FileBit bit, const QString& path);

  private:
    QString writeBytes(const QByteArray& data, const QString& path, bool& taken) const;
    QString writeOne(const QByteArray& downloaded, layout::FileBit bit, const QString& path, bool& taken);
    std::unique_ptr<TZarvo> m_zarvo;
    bool m_deferSync = false;
};

} // namespace zarvo::archive
