// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

namespace zarvo {

// Batch runs beside the desktop program asking for the modem (the instance channel answers them).
// The desktop program's hold-off reads this; the platform layer implements it.
class HoldRequests : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    // At least one batch run waits for the modem or holds it.
    virtual bool HoldWanted() const = 0;
    // The modem is held off now: the first waiting batch run may go on.
    virtual void Grant() = 0;

  signals:
    // The first batch run asked; the owner holds the modem off as soon as it is free, then Grant().
    void HoldRequested();
    // The last batch run is done: the modem is the owner's again.
    void HoldEnded();
};

} // namespace zarvo
