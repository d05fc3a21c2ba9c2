// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

namespace zarvo {

// Shown while a desktop start waits for a batch run (a timer's catch-up run at login) to finish with
// the modem: says why no window comes yet. Not modal; "Nicht warten" ends the start.
class TBatchWait : public QWidget {
    Q_OBJECT
  public:
    explicit TBatchWait(QWidget* parent = nullptr);

  signals:
    void Cancelled();

  protected:
    void closeEvent(QCloseEvent* event) override;
};

} // namespace zarvo
