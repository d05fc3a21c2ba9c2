// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fax/PageBitmap.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace zarvo::test {

struct PlacedWord {
    QString text;
    int x = 0, y = 0, width = 0, height = 0; // ink box in page pixels
};

struct FaxTextPage {
    PageBitmap page;
    std::vector<PlacedWord> words;
};

// An A4 fax page (1728 dots at 204 dpi across, `linesPerInch` down) with `lines` set in `family`
// at `points`, as a fax machine scans it: drawn smooth, sampled down to the page's lines and cut
// at half grey; `noise` is the share of pixels flipped. Needs a QGuiApplication.
FaxTextPage RenderFaxText(const QStringList& lines, const QString& family, double points, int linesPerInch,
                          double noise = 0, unsigned seed = 1);

} // namespace zarvo::test
