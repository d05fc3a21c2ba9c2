// SPDX-License-Identifier: GPL-3.0-or-later
// zarvo-archive ocr: the text recognition of archived faxes that have none yet (or, with --all,
// of every fax again).
#include "ArchiveTool.h"

#include "common/ProgramPaths.h"
#include "core/ArchiveSettings.h"
#include "core/FaxRecognition.h"
#include "core/archive/Archive.h"
#include "ocr/FaxOcr.h"

#include <QFileInfo>

#include <algorithm>

namespace zarvo::archive {

int RecogniseArchivedFaxes(Archive& archive, bool all, QTextStream& out, QTextStream& err)
{
    const ArchiveSettings settings =
        LoadArchiveSettings(ProgramPaths::programFile(QStringLiteral("ZARVO2.ini")));
    OcrSettings ocrSettings;
    ocrSettings.languages = settings.languages.toStdString();
    FaxOcr ocr(ocrSettings);
    if (!ocr.unavailableReason().empty()) {
        err << "zarvo-archive: " << QString::fromStdString(ocr.unavailableReason()) << '\n';
        return ExitFailed;
    }
    // The faxes to read, oldest first; the list is taken before any is read. A fax read before
    // (perhaps by another machine sharing the folder) has its text file put into this index.
    FaxRecognition recognition(archive, ocr);
    std::vector<ArchivedMessage> faxes;
    int failed = 0;
    ListFilter filter;
    filter.kind = MessageKind::Fax;
    std::optional<ListCursor> after;
    do {
        ListPage page = archive.list(filter, after, 1000);
        for (ArchivedMessage& m : page.messages) {
            if (all || !QFileInfo::exists(m.textFile()))
                faxes.push_back(std::move(m));
            else if (const FaxRecognitionResult r = recognition.recognise(m); !r.ok()) {
                err << "zarvo-archive: " << r.text << '\n';
                ++failed;
            }
        }
        after = page.next;
    } while (after);
    std::reverse(faxes.begin(), faxes.end());

    int recognised = 0;
    int done = 0;
    for (const ArchivedMessage& fax : faxes) {
        const FaxRecognitionResult r = recognition.recognise(fax, all);
        ++done;
        err << '[' << done << '/' << faxes.size() << "] " << r.text << '\n';
        err.flush();
        if (r.outcome == FaxRecognitionResult::Recognised)
            ++recognised;
        else if (r.outcome == FaxRecognitionResult::Failed)
            ++failed;
    }
    out << recognised << " Faxe erkannt, " << failed << " fehlgeschlagen\n";
    return failed == 0 ? ExitDone : ExitFailed;
}

} // namespace zarvo::archive
