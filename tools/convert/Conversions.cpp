// SPDX-License-Identifier: GPL-3.0-or-later
#include "Conversions.h"

#include "common/Errors.h"
#include "common/Targets.h"
#include "fax/FAXTIF.h"
#include "fax/FaxDocument.h"
#include "fax/FaxFileError.h"
#include "fax/FaxPdf.h"
#include "fax/PageDecoder.h"
#include "modem/Zarvo.h"

#include <QFile>

#include <cerrno>
#include <exception>

namespace zarvo::convert {

namespace {

std::string localName(const QString& fileName)
{
    return QFile::encodeName(fileName).toStdString();
}

QByteArray readWhole(const QString& fileName)
{
    const FaxBytes bytes = ReadFaxFile(localName(fileName));
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

// Passes the modem component's status texts on and keeps the last one for a failure report.
class StatusRelay : public StatusTarget {
  public:
    explicit StatusRelay(const Progress& progress) : m_progress(progress) {}
    void setText(const QString& text) override
    {
        last = text;
        if (m_progress)
            m_progress(text);
    }
    QString last;

  private:
    const Progress& m_progress;
};

// The system's result code with the status text reported with it, or a description of ours where
// the system reports none.
Outcome fromResult(quint8 result, const QString& status, const QString& silentMeaning)
{
    if (result == 0)
        return {};
    const QString text = status.isEmpty() ? silentMeaning : status;
    // One arg() call: a chained one would fill a "%1" inside the text itself.
    return Outcome::failed(QStringLiteral("%1 (Ergebnis %2)").arg(text, QString::number(result)));
}

PageDecodeHooks decodeHooks(const Progress& progress)
{
    PageDecodeHooks hooks;
    if (progress)
        hooks.status = [&progress](const std::string& text) { progress(QString::fromStdString(text)); };
    return hooks;
}

// Opens a fax file as the viewer's open command does; only ".UFR" and ".MMF" load.
bool openFax(FaxDocument& doc, const QString& inFile)
{
    const FaxFileKind kind = FaxFileKindOf(localName(inFile));
    if (kind != FaxFileKind::Ufr && kind != FaxFileKind::Mmf)
        return false;
    return doc.OpenFile(localName(inFile));
}

void writePbm(const PageBitmap& page, const std::string& fileName)
{
    UniqueFile f(std::fopen(fileName.c_str(), "wb"));
    if (!f)
        throw FileErrorFor(fileName, "erstellt", errno);
    const std::string header = "P4\n" + std::to_string(page.width) + ' ' + std::to_string(page.height) + '\n';
    // PageBitmap rows are PBM rows already: packed MSB first, 1 = black, padded to whole bytes.
    if (std::fwrite(header.data(), 1, header.size(), f.get()) != header.size() ||
        std::fwrite(page.bits.data(), 1, page.bits.size(), f.get()) != page.bits.size())
        throw FileErrorFor(fileName, "geschrieben", errno);
    if (std::fclose(f.release()) != 0)
        throw FileErrorFor(fileName, "geschrieben", errno);
}

CodeTable viewerTable()
{
    CodeTable table;
    LoadCodeTable(table);
    return table;
}

// The end of a fax conversion that writes its pages into one file: no page means no file.
Outcome pagesWritten(const FaxSaveReport& saved, const Progress& progress)
{
    if (saved.pages == 0)
        return Outcome::failed(
            QStringLiteral("Keine Seite mit einer lesbaren Zeile, keine Datei geschrieben"));
    if (progress)
        progress(QStringLiteral("%1 Seite(n) gespeichert").arg(saved.pages));
    // The file is there, but it is not the whole fax.
    if (!saved.Whole())
        return Outcome::failed(QString::fromStdString(UndrawablePagesText(saved.undrawable)) +
                               QStringLiteral("; die Datei enthält nur die übrigen Seiten"));
    return Outcome{};
}

template <typename Work> Outcome guarded(Work work)
{
    try {
        return work();
    }
    catch (const std::exception& e) { // FaxFileError, ConvertError: the system's error texts
        return Outcome::failed(QString::fromStdString(e.what()));
    }
}

} // namespace

Outcome VoiceToWav(const QString& messageFile, const QString& wavFile, const Progress& progress)
{
    return guarded([&] {
        const QByteArray message = readWhole(messageFile);
        TZarvo zarvo;
        StatusRelay status(progress);
        zarvo.StatusPanel = &status;
        const quint8 result = zarvo.ConvertVoice(message, wavFile);
        return fromResult(result, status.last, QStringLiteral("keine Sprachnachricht"));
    });
}

Outcome FaxToTiff(const QString& inFile, const QString& tiffFile, const Progress& progress)
{
    return guarded([&] {
        const QByteArray data = readWhole(inFile);
        if (FaxFileKindOf(localName(inFile)) == FaxFileKind::Ufr) {
            const auto* bytes = reinterpret_cast<const uint8_t*>(data.constData());
            return pagesWritten(ProgramTiffWriter().SaveFaxAsTiff({bytes, static_cast<size_t>(data.size())},
                                                                  localName(tiffFile),
                                                                  localName(TZarvo::CodeFilePath())),
                                progress);
        }
        TZarvo zarvo;
        StatusRelay status(progress);
        zarvo.StatusPanel = &status;
        FaxSaveReport saved;
        const quint8 result = zarvo.SaveFax(data, tiffFile, Existing::Replace, &saved);
        if (result == 0)
            return pagesWritten(saved, Progress());
        // A 25 comes with SaveFax's own closing status text; the meaning names the code for the exit line.
        const QString meaning =
            result == 21 ? QStringLiteral("kein Fax") : QStringLiteral("keine Seite zu speichern");
        return fromResult(result, QString(), meaning);
    });
}

Outcome FaxToPdf(const QString& inFile, const QString& pdfFile, const Progress& progress)
{
    return guarded([&] {
        const QByteArray data = readWhole(inFile);
        const auto* bytes = reinterpret_cast<const uint8_t*>(data.constData());
        const std::span<const uint8_t> all(bytes, static_cast<size_t>(data.size()));
        std::vector<FaxBytes> pages;
        switch (FaxFileKindOf(localName(inFile))) {
        case FaxFileKind::Ufr:
            pages = SplitFaxPages(all);
            break;
        case FaxFileKind::Mmf:
            pages.emplace_back(all.begin(), all.end());
            break;
        default: // a message data string, as SaveFax takes it
            if (data.isEmpty() || data[0] != 'F')
                return Outcome::failed(QStringLiteral("kein Fax (Ergebnis 21)"));
            if (data.size() < 2 || data[1] == '\0')
                return Outcome::failed(QStringLiteral("keine Seite zu speichern (Ergebnis 25)"));
            pages = SplitFaxPages(all.subspan(2));
            break;
        }
        return pagesWritten(SaveFaxAsPdf(pages, localName(pdfFile), UserPaper()), progress);
    });
}

Outcome FaxToPbm(const QString& inFile, const QString& prefix, const Progress& progress, const Progress& note)
{
    return guarded([&] {
        FaxDocument doc;
        if (!openFax(doc, inFile))
            return Outcome::failed(QStringLiteral("%1 ist keine .UFR- oder .MMF-Datei").arg(inFile));
        const PageDecoder decoder(viewerTable());
        const PageDecodeHooks hooks = decodeHooks(progress);
        for (int page = 0; page < doc.PageCount; ++page) {
            const DecodedPage decoded = decoder.decode(doc.Pages[static_cast<size_t>(page)], 1.0, 1, hooks);
            const QString name = QStringLiteral("%1-%2.pbm").arg(prefix, QString::number(page + 1));
            if (decoded.bitmap.width == 0 || decoded.bitmap.height == 0) {
                if (note)
                    note(QStringLiteral("Seite %1 ergibt kein Bild, %2 nicht geschrieben")
                             .arg(page + 1)
                             .arg(name));
                continue;
            }
            writePbm(decoded.bitmap, localName(name));
        }
        return Outcome{};
    });
}

Outcome PageToPicture(const QString& inFile, int page, const QString& pictureFile, int heightFactor,
                      const Progress& progress)
{
    return guarded([&] {
        FaxDocument doc;
        if (!openFax(doc, inFile))
            return Outcome::failed(QStringLiteral("%1 ist keine .UFR- oder .MMF-Datei").arg(inFile));
        if (page < 1 || page > doc.PageCount)
            return Outcome::failed(QStringLiteral("Seite %1 gibt es nicht, das Fax hat %2 Seite(n)")
                                       .arg(page)
                                       .arg(doc.PageCount));
        doc.CurrentPage = page - 1;
        doc.HeightFactor = static_cast<uint8_t>(heightFactor);
        doc.Image = DecodePage(doc.Pages[static_cast<size_t>(doc.CurrentPage)], viewerTable(), 1.0,
                               heightFactor, decodeHooks(progress))
                        .bitmap;
        doc.SaveFile(localName(pictureFile)); // the viewer's save command
        return Outcome{};
    });
}

} // namespace zarvo::convert
