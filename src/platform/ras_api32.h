// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/DialUpLinks.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace zarvo {

// The dial-up component on Linux: ppp links. A connection is a network interface ppp<N> under
// the sysfs root; its entry name is the interface name; it is connected while the interface is up.
// Hanging up signals the pppd that owns it through its pid file, where the user may do so, and only
// a pppd that holds the modem's own serial port open: a DSL (PPPoE) or VPN link is never ours.
class TRAS : public DialUpLinks {
  public:
    static constexpr int kMaxConnections = 4;

    // sysfsRoot: where the network interfaces are listed; runDir: where pppd keeps its pid files;
    // procDir: where the processes' open files are listed.
    explicit TRAS(QString sysfsRoot = QStringLiteral("/sys/class/net"),
                  QString runDir = QStringLiteral("/run"), QString procDir = QStringLiteral("/proc"));
    // With CloseRasOnExit, a held connection is hung up.
    ~TRAS() override;
    TRAS(const TRAS&) = delete;
    TRAS& operator=(const TRAS&) = delete;

    bool CloseRasOnExit = true;
    // The modem's serial device (a path, links allowed). Empty: no link is ever hung up.
    QString ModemPort;

    // Lists the active links, at most four, in name order; returns their number.
    int GetConnections() override;
    // The entry name of a listed connection; empty when there is none.
    QString ConnectionName(int index) const override;
    // Takes the connection `index` when none is held yet, then queries the held one's state.
    void SelectConnection(int index) override;
    // Queries the held connection's state again and gives it as text.
    QString ConnectStatusText() override;
    quint32 State() const override { return m_state; }
    QString Held() const { return m_held; }
    // Hangs the held connection up (silently where not permitted, or where its pppd does not run on
    // ModemPort) and forgets it.
    void ReleaseConnection() override;

  private:
    void QueryState();

    QString m_root;
    QString m_runDir;
    QString m_procDir;
    QStringList m_connections;
    QString m_held;
    quint32 m_state = RASCS_Dialling;
};

// True when process `pid` (listed under procDir) holds `device` open: the same character device,
// whatever path either side used. False when that cannot be seen (no right to look, no such device).
bool ProcessHoldsDevice(qint64 pid, const QString& device, const QString& procDir = QStringLiteral("/proc"));

} // namespace zarvo
