// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>
#include <QtGlobal>

namespace zarvo {

// The fax window's settings as FAX.INI keeps them.
struct FaxOptions {
    double PrintZoom = 0;   // [Druck] Zoom: print scale, 0 = as large as fits
    double RandX = 0;       // [Druck] RandX: offset from the left, 1/10 mm
    double RandY = 0;       // [Druck] RandY: offset from the top, 1/10 mm
    double FensterZoom = 1; // [Faxfenster] Zoom: display zoom every page starts with
    quint8 Hoehemul = 1;    // [Faxfenster] Hoehemul: height factor a new viewer starts with
    int FensterWidth = 576; // [Faxfenster] Width, Height: outer size of a new viewer
    int FensterHeight = 400;
};

// Floats in the general form with the locale's decimal separator and no group separators
// ("1,5" under German settings, "150", "0,0001").
QString FormatFloat(double value, const QLocale& locale);
// Parses what FormatFloat writes (leading and trailing blanks allowed). False when it is no number.
bool ParseFloat(const QString& text, const QLocale& locale, double& value);
// As ParseFloat; throws ConvertError("'<text>' ist kein gültiger Gleitkommawert").
double StrToFloat(const QString& text, const QLocale& locale);

// Reads FAX.INI; missing keys and values that do not parse give the defaults.
FaxOptions LoadFaxOptions(const QString& fileName, const QLocale& locale);
// Writes [Druck] always, [Faxfenster] Zoom and Hoehemul with saveZoom, Width and Height with
// saveSize. Throws IniWriteError.
void SaveFaxOptions(const QString& fileName, const FaxOptions& options, bool saveZoom, bool saveSize,
                    const QLocale& locale);

} // namespace zarvo
