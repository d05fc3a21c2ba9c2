// THaupt: the background tick every 2 seconds. It keeps the commands in step with the modem's busy
// flag; the watches of programs that share the modem and the log file join it here.
#include "app/UHaupt.h"
#include "modem/Zarvo.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTableWidget>

namespace zarvo {

void THaupt::Timer1Timer()
{
    // A hidden menu item can never be chosen, so the emergency exit appears with the status log.
    if (QAction* emergency = findChild<QAction*>(QStringLiteral("NotAbbruchderAnwendung1"))) {
        emergency->setVisible(!Modemstatus->isHidden());
        emergency->setEnabled(!Modemstatus->isHidden());
    }
    UpdateBusyDisplay();
}

void THaupt::UpdateBusyDisplay()
{
    const BusyDisplay display = BusyDisplayFor(Zarvo1->Busy, RowCount() - 1);
    StatusPanel1->setText(display.PanelText);
    SG->setEnabled(display.GridEnabled);
    for (const char* name : {"Schliessen", "AC_Speicherloesch", "AC_Modemreset", "AC_Optionen"})
        Action(QString::fromLatin1(name))->setEnabled(display.ProgramCommands);
    for (const char* name : {"Abspielen", "LAbspielen", "LStoppen", "AC_Nachrge"})
        Action(QString::fromLatin1(name))->setEnabled(display.MessageCommands);
}

} // namespace zarvo
