// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/archive/ArchiveTypes.h"

#include <QString>

namespace zarvo {

class FaxOcr;
namespace archive {
class Archive;
}

// What became of one archived message's recognition.
struct FaxRecognitionResult {
    enum Outcome {
        Recognised,   // read now: text file written, index filled, PDF with text
        FromTextFile, // recognised before: the text file's words went into the index
        Skipped,      // nothing to read (no fax, no downloaded bytes)
        Failed,       // left as it was; `text` says why
    };
    Outcome outcome = Skipped;
    QString text; // German, for the log
    int pages = 0;
    bool ok() const { return outcome != Failed; }
};

// Reads the pages of an archived fax once: the text goes into a file beside the fax ("<base>.txt",
// OcrTextFile format), into the archive's search (one row per page) and as invisible text into
// the fax's PDF. The text file marks a fax as recognised: one that has it is not read again, its
// words go into the index from the file. A page Tesseract cannot read leaves every file as it was.
// Besides writing the text file, recognition replaces only the fax's PDF, and only with one whose
// page pictures are the very same bytes. One object per thread (it uses that thread's FaxOcr).
class FaxRecognition {
  public:
    FaxRecognition(archive::Archive& archive, FaxOcr& ocr);

    // `again`: read a fax that has its text file too, replacing the file and the PDF's text.
    FaxRecognitionResult recognise(const archive::ArchivedMessage& message, bool again = false);

  private:
    FaxRecognitionResult fromTextFile(const archive::ArchivedMessage& message, const QString& path);
    QString replacePdf(const QString& pdfPath, const std::string& newPdf, const std::string& oldPdf) const;

    archive::Archive& m_archive;
    FaxOcr& m_ocr;
};

} // namespace zarvo
