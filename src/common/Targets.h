// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace zarvo {

// Where the modem component writes its conversation log (the main window binds its memo).
class ReportTarget {
  public:
    virtual ~ReportTarget() = default;
    virtual void addLine(const QString& line) = 0;
    virtual void clear() = 0;
};

// Where the current status text goes (the main window binds the first status-bar panel).
class StatusTarget {
  public:
    virtual ~StatusTarget() = default;
    virtual void setText(const QString& text) = 0;
};

} // namespace zarvo
