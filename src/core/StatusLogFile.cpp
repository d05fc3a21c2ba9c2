// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/StatusLogFile.h"

#include <QSaveFile>
#include <QStringList>

#include <stdexcept>

namespace zarvo {

void SaveStatusLog(const QString& logText, const QString& fileName)
{
    QByteArray bytes;
    if (!logText.isEmpty()) {
        const QStringList lines = logText.split(u'\n');
        for (const QString& line : lines)
            bytes += line.toLocal8Bit() + "\r\n";
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw std::runtime_error(("Datei " + fileName + " kann nicht erstellt werden").toStdString());
}

} // namespace zarvo
