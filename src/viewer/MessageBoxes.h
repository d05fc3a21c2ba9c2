// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/MessageSeam.h"

class QWidget;

namespace zarvo {

// The message seam on real message boxes, parented to the active window.
class WidgetMessages : public MessageSeam {
  public:
    bool question(const QString& caption, const QString& text) override;
    void information(const QString& caption, const QString& text) override;
    void warning(const QString& caption, const QString& text) override;
    void error(const QString& caption, const QString& text) override;
};

} // namespace zarvo
