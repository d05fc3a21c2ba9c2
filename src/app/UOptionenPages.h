// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QWidget;

namespace zarvo {

// The controls of the options dialog's pages, named as the dialog's fields are named.
// Built by BuildOptionenPages; the dialog owns them through Qt's parent chain.
struct OptionenPages {
    // "Programm"
    QWidget* TSProg = nullptr;
    QPushButton* StartmitWin = nullptr;
    QPushButton* NoWinStart = nullptr;
    QGroupBox* FaxView = nullptr;
    QButtonGroup* FaxViewItems = nullptr; // ids 0, 1, 2
    QLineEdit* EExtFax = nullptr;
    // "Hintergrund"
    QWidget* TSHintergrund = nullptr;
    QCheckBox* CBa_DFUE = nullptr;
    QCheckBox* CBa_TOnline2 = nullptr;
    QCheckBox* CBa_Faxmon = nullptr;
    QCheckBox* CB_Endeunab = nullptr;
    QCheckBox* CBa_Autonachr = nullptr; // the new-message notice on or off
    QSpinBox* SEAutonachr = nullptr;    // its interval in minutes
    // "Modem"
    QWidget* TSModem = nullptr;
    QComboBox* CBComPort = nullptr; // filled and read through PortChooser
    QLabel* LComPortKey = nullptr;  // under it: the [Ports] key the choice is kept as
    QPushButton* ComTest = nullptr;
    QCheckBox* CBForcePort = nullptr;
    QCheckBox* CBLine = nullptr;
    QCheckBox* CBFax_recv = nullptr;
    QCheckBox* CBVoice_recv = nullptr;
    QCheckBox* CBCall_Monitor = nullptr;
    QLineEdit* EdFax_ID = nullptr;
    QSpinBox* SERing_Setup = nullptr;
    QCheckBox* CBDialup_retr = nullptr;
    QLineEdit* EdDR_Password = nullptr;
    // "Archiv"
    QWidget* TSArchiv = nullptr;
    QLineEdit* EArchivOrdner = nullptr; // empty: the default folder (its placeholder)
    QPushButton* BArchivOrdner = nullptr;
    QLineEdit* EArchivBefehl = nullptr;
    QPushButton* BArchivBefehl = nullptr;
    QCheckBox* CBTexterkennung = nullptr;
    QLabel* LTexterkennung = nullptr; // why recognition is off; empty when it can run
    QCheckBox* CBArchivSofort = nullptr;
};

// Builds the pages into `tabs`, in the order Programm, Hintergrund, Modem, Archiv.
void BuildOptionenPages(QTabWidget* tabs, OptionenPages& ui);

} // namespace zarvo
