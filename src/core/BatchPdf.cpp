#include "core/BatchPdf.h"

#include "fax/FaxPdf.h"

#include <QFile>

namespace zarvo {

namespace {

QString WritePdf(TZarvo&, const QByteArray& data, const QString& file, bool& alreadyThere)
{
    // The message data: "F", the page count, then the DLE-coded fax.
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.constData());
    const std::span<const uint8_t> fax =
        data.size() > 2 ? std::span<const uint8_t>(bytes + 2, static_cast<size_t>(data.size() - 2))
                        : std::span<const uint8_t>();
    const std::vector<FaxBytes> pages = SplitFaxPages(fax);
    if (SaveFaxAsPdf(pages, QFile::encodeName(file).toStdString(), UserPaper(), Existing::AcceptSame,
                     &alreadyThere)
            .pages == 0)
        return QStringLiteral("%1 konnte nicht geschrieben werden (keine lesbare Seite)").arg(file);
    return QString();
}

} // namespace

MessageFileWriter PdfFaxWriter()
{
    return {QStringLiteral(".PDF"), WritePdf};
}

} // namespace zarvo
