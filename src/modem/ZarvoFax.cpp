// SPDX-License-Identifier: GPL-3.0-or-later
// TZarvo: handing a downloaded fax to a viewer window, and saving it as a multi-page TIFF file.

#include "modem/Zarvo.h"

#include "common/ProgramPaths.h"
#include "fax/FAXTIF.h"
#include "modem/FaxViewerOpener.h"
#include "modem/MessageLayout.h"

#include <QFile>

#include <algorithm>

namespace zarvo {

namespace {

bool IsFax(const QByteArray& message)
{
    return !message.isEmpty() && message.at(0) == 'F';
}

// The fax itself: the message data after its type letter and page-count byte.
FaxBytes FaxPart(const QByteArray& message)
{
    const std::span<const uint8_t> fax = FaxPartOf(message);
    return FaxBytes(fax.begin(), fax.end());
}

std::string LocalName(const QString& fileName)
{
    return QFile::encodeName(fileName).toStdString();
}

} // namespace

quint8 TZarvo::ShowFax(const QByteArray& Message)
{
    if (!IsFax(Message))
        return 21;
    // Without an installed opener there is no viewer to show the fax in: the component is absent.
    if (!m_viewerOpener)
        return 24;
    ShowStatus(QStringLiteral("FAX wird decodiert. Bitte warten..."));
    m_viewerOpener->OpenFaxViewer(*this, FaxPart(Message));
    ShowStatus(QStringLiteral("FAX fertig decodiert"));
    return 0;
}

void TZarvo::OpenFaxViewer()
{
    if (m_viewerOpener)
        m_viewerOpener->OpenEmptyViewer(*this);
}

// File errors (the code table or the TIFF file) and a malformed code table are not result codes:
// they propagate as FaxFileError or ConvertError for the application's error display, and
// "FAX gespeichert" is then not shown.
QString TZarvo::CodeFilePath()
{
    const QString found = ProgramPaths::findData(QStringLiteral("RFCG3.DAT"));
    // Where none is found, the program's directory is the place the error message names.
    return found.isEmpty() ? ProgramPaths::programFile(QStringLiteral("RFCG3.DAT")) : found;
}

quint8 TZarvo::SaveFax(const QByteArray& Message, const QString& TiffFileName, Existing existing,
                       FaxSaveReport* report)
{
    if (report)
        *report = {};
    if (!IsFax(Message))
        return 21;
    // Whatever the outcome, an earlier work file of that name (another fax) must not be taken for
    // this one by the viewer started next. A file that is never replaced is never removed either.
    if (Message.size() < 2 || Message.at(1) == '\0') {
        if (existing == Existing::Replace)
            RemoveOldTiff(LocalName(TiffFileName));
        return 25;
    }
    ShowStatus(QStringLiteral("FAX wird decodiert. Bitte warten..."));
    const FaxBytes fax = FaxPart(Message);
    int pages = 0;
    try {
        const FaxSaveReport saved = ProgramTiffWriter().SaveFaxAsTiff(fax, LocalName(TiffFileName),
                                                                      LocalName(CodeFilePath()), existing);
        pages = saved.pages;
        if (report)
            *report = saved;
    }
    catch (...) {
        ShowStatus(QStringLiteral("FAX nicht gespeichert"));
        throw;
    }
    // A fax without a single readable line gives no file rather than one no reader opens.
    if (pages == 0) {
        ShowStatus(QStringLiteral("FAX nicht gespeichert: keine lesbare Seite"));
        return 25;
    }
    ShowStatus(QStringLiteral("FAX gespeichert"));
    return 0;
}

} // namespace zarvo
