// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/BatchPdf.h"

#include "fax/FaxPdf.h"

#include <QFile>

namespace zarvo {

namespace {

FileOutcome WritePdf(TZarvo&, const QByteArray& data, const QString& file)
{
    const std::vector<FaxBytes> pages = SplitFaxPages(FaxPartOf(data));
    const FaxSaveReport report =
        SaveFaxAsPdf(pages, QFile::encodeName(file).toStdString(), UserPaper(), Existing::AcceptSame);
    FileOutcome outcome;
    if (report.pages == 0 && report.undrawable.empty()) {
        outcome.reason = QStringLiteral("%1 konnte nicht geschrieben werden (keine Seite)").arg(file);
        return outcome;
    }
    outcome.state = report.alreadyThere ? FileOutcome::State::AlreadyThere : FileOutcome::State::Written;
    KeepFaxAsReceived(data, file, report, outcome);
    return outcome;
}

} // namespace

MessageFileWriter PdfFaxWriter()
{
    return {QStringLiteral(".PDF"), WritePdf};
}

} // namespace zarvo
