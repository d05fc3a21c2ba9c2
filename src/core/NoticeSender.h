// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "modem/ModemTypes.h"

#include <QObject>
#include <QString>

#include <vector>

namespace zarvo {

// One desktop notice: a summary line and a body of one line per message.
struct Notice {
    QString Summary;
    QString Body;
};

// "Neue Nachricht" or "3 neue Nachrichten", and per message its kind, caller ID and reception time
// as the list shows them.
Notice NoticeFor(const std::vector<tMessageReport>& fresh);

// The tray's tip: "Zarvo", or "Zarvo - 1 neue Nachricht", "Zarvo - 2 neue Nachrichten".
QString TrayHintFor(int unheard);

// Where notices go. ShowRequested is emitted when the user chooses the notice's action "Anzeigen".
class NoticeSender : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    virtual void Send(const Notice& notice) = 0;
    // The window was brought back for the notice: the notice leaves the screen.
    virtual void Withdraw() {}

  signals:
    void ShowRequested();
};

} // namespace zarvo
