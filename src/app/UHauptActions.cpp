// SPDX-License-Identifier: GPL-3.0-or-later
// THaupt: the action list, the main menu, the tool bar and the tray menu, built from one table.
#include "app/TaskIcon.h"
#include "app/UHaupt.h"
#include "app/UHauptImages.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

namespace zarvo {

namespace {

struct ActionRow {
    const char* name;
    const char* caption;
    const char* hint;
    const char* category;
    int image; // -1: none
    const char* shortcut;
    void (THaupt::*execute)();
};

// clang-format off
const ActionRow kActions[] = {
    {"AC_Optionen", "&Optionen", "Öffnet den Optionen Dialog", "Programm", -1, "",
     &THaupt::AC_OptionenExecute},
    {"AC_Speicherloesch", "Modemspeicher &löschen", "Löscht den Modemspeicher", "Modem", 6, "",
     &THaupt::AC_SpeicherloeschExecute},
    {"Abspielen", "&Abspielen/Anzeigen", "Spielt die Nachricht ab, bzw. zeigt das Fax", "Nachricht", 0, "Ctrl+A",
     &THaupt::AbspielenExecute},
    {"LAbspielen", "Über &Linekabel abspielen", "Spielt die Nachricht über das Linekabel ab", "Nachricht", 2, "",
     &THaupt::LAbspielenExecute},
    {"LStoppen", "Abspielen über Linkabel &stoppen", "Stop das Abspielen der Nachricht über das Linekabel",
     "Nachricht", 3, "", &THaupt::LStoppenExecute},
    {"Schliessen", "&Schließen", "Schließt das Programm", "Programm", 5, "Alt+F4", &THaupt::SchliessenExecute},
    {"Z_Status", "&Statusfenster anzeigen", "Zeigt das Statusfenster", "Programm", -1, "Ctrl+S",
     &THaupt::Z_StatusExecute},
    {"F_Wieder", "Fenster &wiederherstellen", "Zeigt das Zarvo Hauptfenster an.", "Programm", -1, "",
     &THaupt::F_WiederExecute},
    {"AC_Modemreset", "Neu Laden/unabhängiger Modus", "Setzt das Modem zurück und aktiviert ggfs. das Modem",
     "Modem", 7, "Ctrl+R", &THaupt::AC_ModemresetExecute},
    {"Z_FaxFen", "&Faxfenster anzeigen", "Zeigt den internen Faxviewer", "Programm", -1, "Ctrl+F",
     &THaupt::Z_FaxFenExecute},
    {"AC_Nachrge", "Nachricht als gelesen markieren", "Markiert die Nachricht als eingelesen", "Nachricht", 4,
     "Ctrl+G", &THaupt::AC_NachrgeExecute},
    {"AC_NeuNR", "Auf neue Nachrichten überprüfen", "Sucht nach neuen Nachrichten im Modem", "Modem", 4, "Ctrl+N",
     &THaupt::AC_NeuNRExecute},
    {"AC_Ueber", "&Über", "", "Programm", 8, "", &THaupt::AC_UeberExecute},
    {"Hilfe", "&Hilfe", "Öffnet die Hilfedatei", "Programm", 8, "F1", &THaupt::HilfeExecute},
    {"AC_Archiv", "&Archiv anzeigen", "Zeigt alle archivierten Nachrichten", "Programm", -1, "Ctrl+H",
     &THaupt::AC_ArchivExecute},
};
// clang-format on

} // namespace

QAction* THaupt::Action(const QString& name) const
{
    return findChild<QAction*>(name, Qt::FindDirectChildrenOnly);
}

void THaupt::BuildActions()
{
    for (const ActionRow& row : kActions) {
        auto* action = new QAction(QString::fromUtf8(row.caption), this);
        action->setObjectName(QString::fromLatin1(row.name));
        action->setToolTip(QString::fromUtf8(row.hint));
        action->setProperty("category", QString::fromUtf8(row.category));
        if (row.image >= 0)
            action->setIcon(ImageList1(row.image));
        if (*row.shortcut)
            action->setShortcut(QKeySequence(QString::fromLatin1(row.shortcut)));
        const auto execute = row.execute;
        connect(action, &QAction::triggered, this, [this, execute] {
            Guarded([this, execute] { (this->*execute)(); });
            UpdateBusyDisplay();
        });
        addAction(action); // shortcuts work even for actions that are only in the tray menu
    }
    Action(QStringLiteral("Z_Status"))->setCheckable(true);
}

void THaupt::BuildMenus()
{
    const auto a = [this](const char* name) { return Action(QString::fromLatin1(name)); };
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MenuBar1"));

    QMenu* datei = bar->addMenu(QStringLiteral("&Datei"));
    datei->addAction(a("AC_Optionen"));
    datei->addSeparator();
    datei->addAction(a("Schliessen"));

    QMenu* nachricht = bar->addMenu(QStringLiteral("&Nachricht(en)"));
    nachricht->setObjectName(QStringLiteral("Nachrichten1"));
    nachricht->addActions({a("Abspielen"), a("LAbspielen"), a("LStoppen"), a("AC_Nachrge")});
    nachricht->addSeparator();
    nachricht->addActions({a("AC_Speicherloesch"), a("AC_Modemreset")});

    QMenu* ansicht = bar->addMenu(QStringLiteral("&Ansicht"));
    ansicht->addActions({a("Z_Status"), a("Z_FaxFen"), a("AC_Archiv")});

    QMenu* hilfe = bar->addMenu(QStringLiteral("&Hilfe"));
    hilfe->addActions({a("AC_Ueber"), a("Hilfe")});
    hilfe->addSeparator();
    QAction* log = hilfe->addAction(QStringLiteral("&Fehlerprotokoll in Zwischenablage"));
    log->setParent(this);
    log->setObjectName(QStringLiteral("FehlerprotokollinZwischenablage1"));
    connect(log, &QAction::triggered, this, [this] { FehlerprotokollinZwischenablage1Click(); });
    QAction* emergency = hilfe->addAction(QStringLiteral("Not Abbruch der Anwendung"));
    emergency->setParent(this);
    emergency->setObjectName(QStringLiteral("NotAbbruchderAnwendung1"));
    emergency->setToolTip(QStringLiteral("Funktioniert nur, wenn das Statusfenster sichtbar ist !!"));
    emergency->setVisible(false);
    emergency->setEnabled(false);
    connect(emergency, &QAction::triggered, this, [this] { NotAbbruchderAnwendung1Click(); });
    for (QMenu* menu : {datei, nachricht, ansicht, hilfe})
        menu->setToolTipsVisible(true);

    QToolBar* tools = addToolBar(QStringLiteral("Werkzeuge"));
    tools->setObjectName(QStringLiteral("ToolBar1"));
    tools->setMovable(false);
    tools->setFloatable(false);
    tools->setIconSize(QSize(20, 20));
    tools->setContextMenuPolicy(Qt::PreventContextMenu);
    tools->addAction(a("Abspielen"));
    tools->addSeparator();
    tools->addActions({a("LAbspielen"), a("LStoppen")});
    tools->addSeparator();
    tools->addActions({a("AC_Nachrge"), a("AC_Speicherloesch"), a("AC_Modemreset")});
    tools->addSeparator();
    tools->addActions({a("AC_Ueber"), a("Schliessen")});

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PopupMenu1->addActions({a("AC_NeuNR"), a("AC_Modemreset")});
    PopupMenu1->addSeparator();
    PopupMenu1->addActions({a("F_Wieder"), a("AC_Archiv")});
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(a("Schliessen"));
    TaskIcon1->SetPopupMenu(PopupMenu1);
}

} // namespace zarvo
