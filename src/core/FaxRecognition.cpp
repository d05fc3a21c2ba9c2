// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/FaxRecognition.h"

#include "common/OutputFile.h"
#include "core/archive/Archive.h"
#include "fax/FaxDocument.h"
#include "fax/FaxPdfText.h"
#include "fax/FaxResolution.h"
#include "modem/MessageLayout.h"
#include "ocr/FaxOcr.h"
#include "ocr/OcrTextFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

#include <cerrno>

namespace zarvo {

namespace {

std::string localName(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

std::span<const std::byte> bytesOf(const std::string& text)
{
    return std::as_bytes(std::span<const char>(text.data(), text.size()));
}

QString fileWithSuffix(const archive::ArchivedMessage& message, const QString& suffix)
{
    for (const QString& file : message.files)
        if (file.endsWith(u'.' + suffix))
            return file;
    return QString();
}

// The paper the PDF was made on (the user's paper then), so the new one places its pictures alike.
PdfPaper paperOf(const std::string& pdf)
{
    static const QRegularExpression box(QStringLiteral("/MediaBox \\[0 0 ([0-9.]+) ([0-9.]+)\\]"));
    const QRegularExpressionMatch m = box.match(QString::fromLatin1(pdf.data(), qsizetype(pdf.size())));
    if (!m.hasMatch())
        return UserPaper();
    return PdfPaper{m.captured(1).toDouble(), m.captured(2).toDouble()};
}

int countOf(const std::string& text, std::string_view what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++n;
    return n;
}

} // namespace

FaxRecognition::FaxRecognition(archive::Archive& archive, FaxOcr& ocr) : m_archive(archive), m_ocr(ocr) {}

FaxRecognitionResult FaxRecognition::fromTextFile(const archive::ArchivedMessage& message,
                                                  const QString& path)
{
    FaxRecognitionResult result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.outcome = FaxRecognitionResult::Failed;
        result.text = QStringLiteral("%1 lässt sich nicht lesen: %2").arg(path, file.errorString());
        return result;
    }
    const QByteArray bytes = file.readAll();
    const OcrTextRead read = ReadOcrTextFile(std::string_view(bytes.constData(), size_t(bytes.size())));
    if (!read.known) {
        result.outcome = FaxRecognitionResult::Failed;
        result.text = QStringLiteral("%1 ist keine Textdatei der Texterkennung").arg(path);
        return result;
    }
    for (const OcrPage& page : read.pages) {
        const QString problem =
            m_archive.setFaxText(message.id, page.number, QString::fromStdString(page.text()));
        if (!problem.isEmpty()) {
            result.outcome = FaxRecognitionResult::Failed;
            result.text = problem;
            return result;
        }
    }
    result.outcome = FaxRecognitionResult::FromTextFile;
    result.pages = static_cast<int>(read.pages.size());
    result.text = QStringLiteral("Fax %1: Text aus %2 übernommen").arg(message.shortId(), path);
    return result;
}

QString FaxRecognition::replacePdf(const QString& pdfPath, const std::string& newPdf,
                                   const std::string& oldPdf) const
{
    // Only the file we read is replaced: one that changed meanwhile is left alone.
    QFile check(pdfPath);
    if (!check.open(QIODevice::ReadOnly) || check.readAll().toStdString() != oldPdf)
        return QStringLiteral("%1 hat sich während der Texterkennung geändert und bleibt, wie es ist")
            .arg(pdfPath);
    const std::string problem = WriteWholeFile(localName(pdfPath), bytesOf(newPdf), Existing::Replace);
    if (!problem.empty())
        return QStringLiteral("%1 nicht geschrieben (%2)").arg(pdfPath, QString::fromStdString(problem));
    return QString();
}

FaxRecognitionResult FaxRecognition::recognise(const archive::ArchivedMessage& message, bool again)
{
    FaxRecognitionResult result;
    const QString msgPath = fileWithSuffix(message, QStringLiteral("msg"));
    if (message.kind != archive::MessageKind::Fax) {
        result.text = QStringLiteral("Nachricht %1 ist kein Fax").arg(message.shortId());
        return result;
    }
    if (msgPath.isEmpty()) {
        result.text = QStringLiteral("Fax %1 wurde aus einer Datei übernommen (ohne die empfangenen Bytes) "
                                     "und bleibt ohne Text")
                          .arg(message.shortId());
        return result;
    }
    const QString textPath = message.textFile();
    if (!again && QFileInfo::exists(textPath))
        return fromTextFile(message, textPath);
    const auto fail = [&](const QString& why) {
        result.outcome = FaxRecognitionResult::Failed;
        result.text =
            QStringLiteral("Texterkennung von Fax %1 nicht möglich: %2").arg(message.shortId(), why);
        return result;
    };

    QElapsedTimer timer;
    timer.start();
    QFile msgFile(msgPath);
    if (!msgFile.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("%1 lässt sich nicht lesen (%2)").arg(msgPath, msgFile.errorString()));
    const QByteArray downloaded = msgFile.readAll();
    if (downloaded.size() < 2 || downloaded[0] != 'F' || downloaded[1] == '\0') {
        result.text = QStringLiteral("Fax %1 hat keine Seite").arg(message.shortId());
        return result;
    }
    const std::vector<FaxBytes> faxPages = SplitFaxPages(FaxPartOf(downloaded));

    const QString pdfPath = fileWithSuffix(message, QStringLiteral("pdf"));
    std::string oldPdf;
    if (!pdfPath.isEmpty()) {
        QFile pdfFile(pdfPath);
        if (pdfFile.open(QIODevice::ReadOnly))
            oldPdf = pdfFile.readAll().toStdString();
    }

    // Each page is read as the PDF pictures it; the pictures' bytes show the old PDF is ours.
    std::vector<OcrPage> recognised;
    std::vector<std::vector<uint8_t>> pictures;
    QString pageProblem;
    const FaxPdf pdf = MakeFaxPdfWithText(
        faxPages, paperOf(oldPdf), [&](int index, const PageBitmap& picture) -> std::vector<PdfTextWord> {
            if (!pageProblem.isEmpty())
                return {};
            OcrResult read = m_ocr.recognise(picture, IsFinePage(picture.height), index + 1);
            if (!read.ok()) {
                pageProblem =
                    QStringLiteral("Seite %1: %2").arg(index + 1).arg(QString::fromStdString(read.error));
                return {};
            }
            pictures.push_back(PdfImageOf(picture).g4);
            std::vector<PdfTextWord> words;
            for (const OcrWord& w : read.page.words)
                words.push_back({w.x, w.y, w.width, w.height, w.text});
            recognised.push_back(std::move(read.page));
            return words;
        });
    if (!pageProblem.isEmpty())
        return fail(pageProblem);
    if (pdf.pages == 0)
        return fail(QStringLiteral("keine lesbare Seite"));

    QStringList notes;
    if (!oldPdf.empty()) {
        bool same = countOf(oldPdf, "/Type /Page ") == pdf.pages;
        for (const auto& g4 : pictures)
            same = same && oldPdf.find(std::string(g4.begin(), g4.end())) != std::string::npos;
        const QString problem =
            same ? replacePdf(pdfPath, pdf.bytes, oldPdf)
                 : QStringLiteral("%1 zeigt nicht die Seiten des Faxes und bleibt, wie es ist").arg(pdfPath);
        if (!problem.isEmpty())
            notes << problem;
    }

    // The text file last: it marks the fax as recognised.
    bool alreadyThere = false;
    const std::string written =
        WriteWholeFile(localName(textPath), bytesOf(OcrTextFile(recognised)),
                       again ? Existing::Replace : Existing::AcceptSame, &alreadyThere);
    if (!written.empty())
        return fail(
            QStringLiteral("%1 nicht geschrieben (%2)").arg(textPath, QString::fromStdString(written)));

    int words = 0;
    for (const OcrPage& page : recognised) {
        words += static_cast<int>(page.words.size());
        const QString problem =
            m_archive.setFaxText(message.id, page.number, QString::fromStdString(page.text()));
        if (!problem.isEmpty())
            return fail(problem);
    }
    result.outcome = FaxRecognitionResult::Recognised;
    result.pages = static_cast<int>(recognised.size());
    result.text =
        QStringLiteral("Fax %1: %2 erkannt, %3 Wörter (%4 s je Seite)")
            .arg(message.shortId())
            .arg(result.pages == 1 ? QStringLiteral("1 Seite")
                                   : QStringLiteral("%1 Seiten").arg(result.pages))
            .arg(words)
            .arg(QLocale(QLocale::German).toString(timer.elapsed() / 1000.0 / result.pages, 'f', 1));
    if (!notes.isEmpty())
        result.text += QStringLiteral(" (") + notes.join(QStringLiteral("; ")) + u')';
    return result;
}

} // namespace zarvo
