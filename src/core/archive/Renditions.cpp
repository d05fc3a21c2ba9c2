// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/archive/Renditions.h"

#include "common/OutputFile.h"
#include "fax/FaxDocument.h"
#include "fax/FaxPdf.h"
#include "modem/MessageLayout.h"
#include "modem/Zarvo.h"

#include <QFile>

#include <cerrno>
#include <exception>

namespace zarvo::archive {

namespace {

std::string localName(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

std::span<const std::byte> bytesOf(const QByteArray& data)
{
    return std::as_bytes(std::span<const char>(data.constData(), static_cast<std::size_t>(data.size())));
}

} // namespace

QString Renditions::writeBytes(const QByteArray& data, const QString& path, bool& taken) const
{
    OutputFile out(localName(path), Existing::AcceptSame);
    if (m_deferSync)
        out.DeferSync();
    if (out.Open() && out.Write(bytesOf(data)) && out.Commit())
        return QString();
    taken = out.Error() == EEXIST;
    return QStringLiteral("%1 nicht geschrieben (%2)").arg(path, QString::fromStdString(out.Reason()));
}

Renditions::Renditions() = default;

Renditions::~Renditions() = default;

QString Renditions::writeOne(const QByteArray& downloaded, layout::FileBit bit, const QString& path,
                             bool& taken)
{
    if (!m_zarvo && (bit == layout::Wav || bit == layout::Tif))
        m_zarvo = std::make_unique<TZarvo>();
    try {
        switch (bit) {
        case layout::Msg:
            return writeBytes(downloaded, path, taken);
        case layout::Dat:
            return writeBytes(downloaded.mid(1), path, taken);
        case layout::Wav: {
            const quint8 result = m_zarvo->ConvertVoice(downloaded, path, Existing::AcceptSame);
            if (result == 0)
                return QString();
            const QString why = m_zarvo->LastWriteProblem.isEmpty() ? QStringLiteral("Fehler %1").arg(result)
                                                                    : m_zarvo->LastWriteProblem;
            return QStringLiteral("%1 nicht geschrieben (%2)").arg(path, why);
        }
        case layout::Tif: {
            const quint8 result = m_zarvo->SaveFax(downloaded, path, Existing::AcceptSame);
            if (result == 0)
                return QString();
            return QStringLiteral("%1 nicht geschrieben (%2)")
                .arg(path, result == 25 ? QStringLiteral("keine lesbare Seite") : QStringLiteral("kein Fax"));
        }
        case layout::Pdf: {
            if (downloaded.size() < 2 || downloaded[1] == '\0')
                return QStringLiteral("%1 nicht geschrieben (keine Seite)").arg(path);
            const std::vector<FaxBytes> pages = SplitFaxPages(FaxPartOf(downloaded));
            if (SaveFaxAsPdf(pages, localName(path), UserPaper(), Existing::AcceptSame).pages == 0)
                return QStringLiteral("%1 nicht geschrieben (keine lesbare Seite)").arg(path);
            return QString();
        }
        }
    }
    catch (const std::exception& e) { // the converters' file errors name the file and the reason
        return QString::fromUtf8(e.what());
    }
    return QString();
}

Renditions::Written Renditions::write(const ArchivedMessageInput& input, const QString& absBase)
{
    Written w;
    if (!input.takenFiles.isEmpty()) {
        // Files of an earlier batch run: copied as they are, the first one is the message.
        for (int i = 0; i < input.takenFiles.size(); ++i) {
            const QString& source = input.takenFiles[i];
            const int bit = layout::bitsOfFiles({source});
            QFile in(source);
            if (bit == 0 || !in.open(QIODevice::ReadOnly)) {
                (i == 0 ? w.failure : w.notes.emplaceBack()) =
                    QStringLiteral("%1 lässt sich nicht lesen").arg(source);
                if (i == 0)
                    return w;
                continue;
            }
            bool taken = false;
            const QString problem =
                writeBytes(in.readAll(), absBase + u'.' + layout::suffixOf(layout::FileBit(bit)), taken);
            if (problem.isEmpty())
                w.bits |= bit;
            else if (i == 0) {
                w.failure = problem;
                w.nameTaken = taken;
                return w;
            }
            else
                w.notes << problem;
        }
        return w;
    }
    // The downloaded bytes first: once they are there, the message is kept whatever else fails.
    bool taken = false;
    const QString first = writeOne(input.downloaded, layout::Msg, absBase + QStringLiteral(".msg"), taken);
    if (!first.isEmpty()) {
        w.failure = first;
        w.nameTaken = taken;
        return w;
    }
    w.bits = layout::Msg;
    std::vector<layout::FileBit> more;
    switch (input.kind) {
    case MessageKind::Voice:
        more = {layout::Wav};
        break;
    case MessageKind::Fax:
        more = {layout::Tif, layout::Pdf};
        break;
    case MessageKind::Data:
    case MessageKind::Unknown:
        more = {layout::Dat};
        break;
    }
    for (layout::FileBit bit : more) {
        bool ignored = false;
        const QString problem =
            writeOne(input.downloaded, bit, absBase + u'.' + layout::suffixOf(bit), ignored);
        if (problem.isEmpty())
            w.bits |= bit;
        else
            w.notes << problem;
    }
    return w;
}

QString Renditions::remake(const QByteArray& downloaded, layout::FileBit bit, const QString& path)
{
    bool taken = false;
    return writeOne(downloaded, bit, path, taken);
}

} // namespace zarvo::archive
