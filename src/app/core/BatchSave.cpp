#include "app/core/BatchSave.h"

#include "modem/Zarvo.h"

#include <QFileInfo>

namespace zarvo {

QString BatchFileName(int number, char type)
{
    return QStringLiteral("MESS%1%2")
        .arg(number)
        .arg(type == 'F' ? QStringLiteral(".TIF") : QStringLiteral(".WAV"));
}

namespace {

// Saves one downloaded message; an empty text on success, else why it failed.
QString SaveOne(TZarvo& zarvo, const QByteArray& data, const QString& file)
{
    if (QFileInfo::exists(file))
        return QStringLiteral("%1 gibt es schon und wird nicht überschrieben").arg(file);
    try {
        const quint8 result = data.at(0) == 'F' ? zarvo.SaveFax(data, file) : zarvo.ConvertVoice(data, file);
        if (result != 0)
            return QStringLiteral("%1 konnte nicht geschrieben werden (Fehler %2)").arg(file).arg(result);
    }
    catch (const std::exception& e) {
        return QStringLiteral("%1 konnte nicht geschrieben werden: %2")
            .arg(file, QString::fromUtf8(e.what()));
    }
    return QString();
}

} // namespace

BatchSaveReport SaveAllMessages(TZarvo& zarvo, const QString& folder, int messageCount)
{
    BatchSaveReport report;
    for (int n = 1; n <= messageCount; ++n) {
        QByteArray data;
        const quint8 result = n <= 255 ? zarvo.GetMessage(static_cast<quint8>(n), data) : quint8(6);
        QString problem;
        if (result != 0 || data.isEmpty()) {
            problem =
                QStringLiteral("Nachricht %1 konnte nicht gelesen werden (Fehler %2)").arg(n).arg(result);
        }
        else if (data.at(0) != 'F' && data.at(0) != 'V') {
            ++report.Skipped;
            continue;
        }
        else {
            problem = SaveOne(zarvo, data, folder + BatchFileName(n, data.at(0)));
        }
        if (problem.isEmpty()) {
            ++report.Saved;
        }
        else {
            report.Failed.push_back(n);
            report.Problems << problem;
        }
    }
    return report;
}

} // namespace zarvo
