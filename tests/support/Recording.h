// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Targets.h"

#include <QString>
#include <QStringList>

namespace zarvo::test {

// Log memo stand-in: keeps every line, counts clears.
class RecordingReport : public ReportTarget {
  public:
    void addLine(const QString& line) override { lines << line; }
    void clear() override
    {
        lines.clear();
        ++clears;
    }
    QStringList lines;
    int clears = 0;
};

// Status panel stand-in: keeps every text set, in order.
class RecordingStatus : public StatusTarget {
  public:
    void setText(const QString& text) override
    {
        current = text;
        history << text;
    }
    QString current;
    QStringList history;
};

} // namespace zarvo::test
