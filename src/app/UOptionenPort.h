// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "modem/PortList.h"

#include <QList>
#include <QObject>
#include <QString>

class QComboBox;
class QLabel;

namespace zarvo {

// The options dialog's port drop-down over the port list: the ports the machine has and the COMn
// keys of the settings file, each with what the system knows of it, or a typed device path. The
// choice is kept the way the settings file maps ports: a COMn in [Modem] ComPort and its path in
// [Ports]. The list itself is built widget-free (modem/PortList).
class PortChooser : public QObject {
    Q_OBJECT
  public:
    // box becomes editable; detail shows under it the key the choice is stored as.
    PortChooser(QComboBox* box, QLabel* detail, QObject* parent = nullptr);

    // Reads the machine's ports and the [Ports] keys of iniFile again, and shows COM<slot>
    // (nothing for 0). keep: the COMn in use, which a new path must not take over.
    void Fill(int slot, const QString& iniFile, const QList<int>& keep);

    // The COMn and [Ports] value of what is chosen or typed; slot 0 when nothing is.
    PortChoice Choice() const;

    // Writes the choice's [Ports] key where the file does not say it yet, shows the list again
    // with it, and returns its COMn (0 for none). Throws IniWriteError.
    int Store();

    // Chooses the entry for `path`, or types it when the list has none.
    void ChoosePath(const QString& path);

  private:
    PortEntry Chosen() const;
    void ShowDetail();

    QComboBox* m_box;
    QLabel* m_detail;
    QString m_iniFile;
    PortMachine m_machine;
    PortSlots m_keys;
    QList<PortEntry> m_entries;
    QList<int> m_keep;
};

} // namespace zarvo
