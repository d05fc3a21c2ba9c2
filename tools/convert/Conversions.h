// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

namespace zarvo::convert {

// How one conversion ended: ok, or the text to show (the system's status text and result code
// where the conversion has them).
struct Outcome {
    bool ok = true;
    QString text;

    static Outcome failed(const QString& text) { return {false, text}; }
};

// Receives the progress texts of a conversion (the status texts, the decoder's line counts).
using Progress = std::function<void(const QString&)>;

// A file holding a message data string ("V" + the shielded stream) -> WAV, through ConvertVoice.
Outcome VoiceToWav(const QString& messageFile, const QString& wavFile, const Progress& progress);

// A ".UFR" file (any case) -> SaveFaxAsTiff; any other file is a message data string ("F", the
// page count, the fax) -> SaveFax.
Outcome FaxToTiff(const QString& inFile, const QString& tiffFile, const Progress& progress);

// A ".UFR" or ".MMF" file (any case), or else a message data string ("F", the page count, the fax)
// -> a PDF of one page per fax page, on the user's paper (A4, or Letter by the locale).
Outcome FaxToPdf(const QString& inFile, const QString& pdfFile, const Progress& progress);

// Every page of a ".UFR" or ".MMF" file, decoded as the viewer does at zoom 1, as binary PBM files
// prefix-1.pbm, prefix-2.pbm, ... A page that decodes to no picture at all gets no file; `note`
// hears about it.
Outcome FaxToPbm(const QString& inFile, const QString& prefix, const Progress& progress,
                 const Progress& note);

// Page `page` (1-based) of a ".UFR" or ".MMF" file as the viewer's ".BMP" or ".JPG" picture.
Outcome PageToPicture(const QString& inFile, int page, const QString& pictureFile, int heightFactor,
                      const Progress& progress);

} // namespace zarvo::convert
