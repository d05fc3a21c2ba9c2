// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

namespace zarvo {

// The machine's dial-up links as the background watch sees them (ppp links on Linux). The
// platform layer implements it; tests give their own.
class DialUpLinks {
  public:
    static constexpr quint32 RASCS_Connected = 0x2000;
    static constexpr quint32 RASCS_Dialling = 0; // the link exists but is not up yet

    virtual ~DialUpLinks() = default;
    // Lists the active links; returns their number.
    virtual int GetConnections() = 0;
    // The entry name of a listed connection; empty when there is none.
    virtual QString ConnectionName(int index) const = 0;
    // Takes the connection `index` when none is held yet, then queries the held one's state.
    virtual void SelectConnection(int index) = 0;
    // Queries the held connection's state again and gives it as text.
    virtual QString ConnectStatusText() = 0;
    virtual quint32 State() const = 0;
    // Hangs the held connection up where that is ours to do, and forgets it.
    virtual void ReleaseConnection() = 0;
};

} // namespace zarvo
