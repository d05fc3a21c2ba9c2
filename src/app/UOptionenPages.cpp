// SPDX-License-Identifier: GPL-3.0-or-later
// The options dialog's three pages: controls, texts and hints.
#include "app/UOptionenPages.h"

#include "core/NewMessagePoll.h"
#include "modem/ComDrv32.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace zarvo {
namespace {

template <class W> W* Named(W* w, const char* name, const QString& hint = {})
{
    w->setObjectName(QLatin1String(name));
    if (!hint.isEmpty())
        w->setToolTip(hint);
    return w;
}

QCheckBox* Check(const char* name, const QString& caption, const QString& hint)
{
    return Named(new QCheckBox(caption), name, hint);
}

void BuildProg(QTabWidget* tabs, OptionenPages& ui)
{
    ui.TSProg = Named(new QWidget, "TSProg");
    auto* v = new QVBoxLayout(ui.TSProg);

    auto* autostart = new QHBoxLayout;
    // The captions are the ones users know; the hints say what they do on this desktop.
    ui.StartmitWin =
        Named(new QPushButton(QStringLiteral("Autostart mit Windows")), "StartmitWin",
              QString::fromUtf8("Zarvo bei jeder Anmeldung an der Arbeitsumgebung minimiert starten "
                                "(Eintrag in ~/.config/autostart)"));
    ui.NoWinStart = Named(new QPushButton(QStringLiteral("kein Autostart mit Windows")), "NoWinStart",
                          QString::fromUtf8("Den Autostart-Eintrag von Zarvo entfernen"));
    autostart->addWidget(ui.StartmitWin);
    autostart->addWidget(ui.NoWinStart);
    autostart->addStretch();
    v->addLayout(autostart);

    ui.FaxView = Named(new QGroupBox(QStringLiteral("FaxView")), "FaxView",
                       QStringLiteral("Einstellungen für die Faxanzeige"));
    ui.FaxViewItems = new QButtonGroup(ui.FaxView);
    auto* g = new QVBoxLayout(ui.FaxView);
    const QString items[] = {QStringLiteral("Interner Faxviewer"), QStringLiteral("Kodak Imaging"),
                             QStringLiteral("ext. Programm:")};
    for (int i = 0; i < 3; ++i) {
        auto* r = new QRadioButton(items[i]);
        r->setObjectName(QStringLiteral("FaxView%1").arg(i));
        ui.FaxViewItems->addButton(r, i);
        g->addWidget(r);
    }
    ui.EExtFax = Named(new QLineEdit, "EExtFax");
    g->addWidget(ui.EExtFax);
    v->addWidget(ui.FaxView);
    v->addStretch();
    tabs->addTab(ui.TSProg, QStringLiteral("Programm"));
}

void BuildHintergrund(QTabWidget* tabs, OptionenPages& ui)
{
    ui.TSHintergrund = Named(new QWidget, "TSHintergrund");
    auto* v = new QVBoxLayout(ui.TSHintergrund);
    v->addWidget(new QLabel(QStringLiteral("Aktionen die automatisch im Hintergrund ausgeführt werden:")));
    ui.CBa_DFUE =
        Check("CBa_DFUE", QStringLiteral("unabhängiger Modus nach DFÜ-Netzwerk"),
              QStringLiteral("Schaltet das Modem nach einer DFÜ Verbindung (oder T-Online 3.0) wieder "
                             "in den unabhängigen Modus"));
    ui.CBa_TOnline2 =
        Check("CBa_TOnline2", QStringLiteral("unabhängiger Modus nach T-Online 2 (3 läuft über DFÜ)"),
              QStringLiteral("Schaltet das Programm nach schließen von T-Online 2.x in den "
                             "unabhängigen Modus"));
    ui.CBa_Faxmon =
        Check("CBa_Faxmon", QStringLiteral("unabhängier Modus nach Faxmonitor von Win2k"),
              QStringLiteral("Schaltet das Programm nach schließen des Faxmonitors (von W2k) in den "
                             "unabhängigen Modus."));
    auto* note =
        new QLabel(QStringLiteral("(das Modem darf nicht automatisch mit dem Faxdienst Faxe annehmen, "
                                  "da es sonst immer wieder zurück gesetzt wird.)"));
    note->setObjectName(QStringLiteral("LabelFaxmon"));
    note->setWordWrap(true);
    note->setContentsMargins(20, 0, 0, 0);
    ui.CB_Endeunab = Check("CB_Endeunab", QStringLiteral("unabhängiger Modus beim Beenden von ZARVO"),
                           QStringLiteral("aktiviert den unabhängigen Modus wenn ZARVO beendet wird."));
    // The new-message notice: polls the modem every so many minutes while the program runs.
    ui.CBa_Autonachr = Check("CBa_Autonachr", QStringLiteral("Neue Nachrichten melden"),
                             QStringLiteral("Meldet sich automatisch, wenn neue Nachrichten eingehen"));
    ui.SEAutonachr =
        Named(new QSpinBox, "SEAutonachr", QStringLiteral("Abstand zwischen zwei Abfragen des Modems"));
    ui.SEAutonachr->setRange(kNoticeMinMinutes, kNoticeMaxMinutes);
    auto* interval = new QLabel(QStringLiteral("Testintervall in Minuten:"));
    interval->setBuddy(ui.SEAutonachr);
    auto* intervalRow = new QHBoxLayout;
    intervalRow->setContentsMargins(20, 0, 0, 0);
    intervalRow->addWidget(interval);
    intervalRow->addWidget(ui.SEAutonachr);
    intervalRow->addStretch();
    v->addWidget(ui.CBa_DFUE);
    v->addWidget(ui.CBa_TOnline2);
    v->addWidget(ui.CBa_Faxmon);
    v->addWidget(note);
    v->addWidget(ui.CB_Endeunab);
    v->addWidget(ui.CBa_Autonachr);
    v->addLayout(intervalRow);
    v->addStretch();
    tabs->addTab(ui.TSHintergrund, QStringLiteral("Hintergrund"));
}

void BuildModem(QTabWidget* tabs, OptionenPages& ui)
{
    ui.TSModem = Named(new QWidget, "TSModem");
    auto* columns = new QHBoxLayout(ui.TSModem);

    auto* port = new QGroupBox(QStringLiteral("Anschluß"));
    port->setObjectName(QStringLiteral("GBAnschluss"));
    auto* p = new QVBoxLayout(port);
    auto* portLabel = new QLabel(QStringLiteral("&Com Port:"));
    ui.CBComPort =
        Named(new QComboBox, "CBComPort", QStringLiteral("Stellen Sie hier den Com Anschluß des Modems ein"));
    portLabel->setBuddy(ui.CBComPort);
    ui.LComPortKey = Named(new QLabel, "LComPortKey");
    ui.LComPortKey->setContentsMargins(4, 0, 0, 0);
    p->addWidget(portLabel);
    p->addWidget(ui.CBComPort);
    p->addWidget(ui.LComPortKey);
    ui.ComTest = Named(new QPushButton(QStringLiteral("ComTest")), "ComTest");
    p->addWidget(ui.ComTest);
    ui.CBForcePort = Check("CBForcePort", QStringLiteral("Comport erzwingen"),
                           QStringLiteral("erzwingt den ComPort (nicht empfohlen!!)"));
    p->addWidget(ui.CBForcePort);
    ui.CBLine =
        Check("CBLine", QStringLiteral("Mit einem Linekabel mit"),
              QStringLiteral("Klicken Sie dies an, wenn das Modem mit einem Linekabel mit der Soundkarte "
                             "verbunden ist."));
    p->addWidget(ui.CBLine);
    auto* lineLabel = new QLabel(QStringLiteral("der Soundkarte verb."));
    lineLabel->setObjectName(QStringLiteral("LabelLine"));
    lineLabel->setToolTip(ui.CBLine->toolTip());
    lineLabel->setContentsMargins(20, 0, 0, 0);
    p->addWidget(lineLabel);
    p->addStretch();

    auto* right = new QVBoxLayout;
    auto* self = new QGroupBox(QStringLiteral("unabhängiger Modus"));
    self->setObjectName(QStringLiteral("GBUnabhaengig"));
    auto* s = new QVBoxLayout(self);
    ui.CBFax_recv = Check("CBFax_recv", QStringLiteral("automat. Faxempfang"),
                          QStringLiteral("aktiviert den automatischen Faxempfang"));
    ui.CBVoice_recv = Check("CBVoice_recv", QStringLiteral("automat. Sprachempfang"),
                            QStringLiteral("aktiviert die Sprachaufzeichnung"));
    ui.CBCall_Monitor =
        Check("CBCall_Monitor", QStringLiteral("Anruf Monitor"),
              QStringLiteral("eingehende Nachrichten werden auch über den internen Lautsprecher "
                             "wiedergegeben"));
    s->addWidget(ui.CBFax_recv);
    s->addWidget(ui.CBVoice_recv);
    s->addWidget(ui.CBCall_Monitor);
    auto* form = new QFormLayout;
    ui.EdFax_ID =
        Named(new QLineEdit, "EdFax_ID", QStringLiteral("Die Faxidentifikation (für eingehende Anrufe)"));
    ui.SERing_Setup = Named(new QSpinBox, "SERing_Setup",
                            QStringLiteral("Anzahl der Klingeltöne vor dem automaitschen Abheben"));
    ui.SERing_Setup->setRange(1, 6);
    form->addRow(QStringLiteral("&Fax ID:"), ui.EdFax_ID);
    form->addRow(QStringLiteral("Anzahl der &Klingeltöne:"), ui.SERing_Setup);
    s->addLayout(form);
    right->addWidget(self);

    auto* remote = new QGroupBox(QStringLiteral("Fernabfrage"));
    remote->setObjectName(QStringLiteral("GBFernabfrage"));
    auto* r = new QHBoxLayout(remote);
    ui.CBDialup_retr =
        Check("CBDialup_retr", QStringLiteral("Fernabfrage"), QStringLiteral("erlaubt die Fernabfrage"));
    ui.EdDR_Password = Named(new QLineEdit, "EdDR_Password");
    ui.EdDR_Password->setMaxLength(4);
    ui.EdDR_Password->setEchoMode(QLineEdit::Password);
    auto* pwLabel = new QLabel(QStringLiteral("&Paßwort:"));
    pwLabel->setBuddy(ui.EdDR_Password);
    r->addWidget(ui.CBDialup_retr);
    r->addStretch();
    r->addWidget(pwLabel);
    r->addWidget(ui.EdDR_Password);
    right->addWidget(remote);
    right->addStretch();

    columns->addWidget(port);
    columns->addLayout(right, 1);
    tabs->addTab(ui.TSModem, QStringLiteral("Modem"));
}

// A line edit with its "..." chooser beside it.
QHBoxLayout* EditWithChooser(QLineEdit* edit, QPushButton* chooser)
{
    chooser->setAutoDefault(false);
    chooser->setFixedWidth(chooser->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 16);
    auto* row = new QHBoxLayout;
    row->addWidget(edit, 1);
    row->addWidget(chooser);
    return row;
}

QLabel* Note(const QString& text, const char* name)
{
    auto* note = Named(new QLabel(text), name);
    note->setWordWrap(true);
    note->setContentsMargins(20, 0, 0, 0);
    return note;
}

void BuildArchiv(QTabWidget* tabs, OptionenPages& ui)
{
    ui.TSArchiv = Named(new QWidget, "TSArchiv");
    auto* v = new QVBoxLayout(ui.TSArchiv);
    ui.EArchivOrdner = Named(new QLineEdit, "EArchivOrdner",
                             QString::fromUtf8("Der Ordner, in dem jede Nachricht einmal aufbewahrt wird; "
                                               "leer: der voreingestellte Ordner"));
    ui.BArchivOrdner = Named(new QPushButton(QStringLiteral("...")), "BArchivOrdner",
                             QString::fromUtf8("Archivordner wählen"));
    auto* folderLabel = new QLabel(QStringLiteral("Archiv&ordner:"));
    folderLabel->setBuddy(ui.EArchivOrdner);
    v->addWidget(folderLabel);
    v->addLayout(EditWithChooser(ui.EArchivOrdner, ui.BArchivOrdner));

    ui.EArchivBefehl = Named(new QLineEdit, "EArchivBefehl",
                             QString::fromUtf8("Programm mit Argumenten, das für jede neu archivierte "
                                               "Nachricht gestartet wird (die Angaben stehen in ZARVO_-"
                                               "Umgebungsvariablen)"));
    ui.BArchivBefehl =
        Named(new QPushButton(QStringLiteral("...")), "BArchivBefehl", QString::fromUtf8("Programm wählen"));
    auto* commandLabel = new QLabel(QStringLiteral("&Befehl bei neuer Nachricht:"));
    commandLabel->setBuddy(ui.EArchivBefehl);
    v->addWidget(commandLabel);
    v->addLayout(EditWithChooser(ui.EArchivBefehl, ui.BArchivBefehl));

    ui.CBTexterkennung = Check("CBTexterkennung", QString::fromUtf8("&Texterkennung für Faxe"),
                               QString::fromUtf8("Der Text der Faxseiten wird erkannt und ist im Archiv "
                                                 "durchsuchbar"));
    ui.LTexterkennung = Note(QString(), "LTexterkennung");
    v->addWidget(ui.CBTexterkennung);
    v->addWidget(ui.LTexterkennung);

    ui.CBArchivSofort = Check("CBArchivSofort", QString::fromUtf8("Neue Nachrichten &sofort archivieren"),
                              QString::fromUtf8("Neue Nachrichten werden archiviert, sobald die Liste sie "
                                                "zeigt"));
    v->addWidget(ui.CBArchivSofort);
    v->addWidget(Note(QString::fromUtf8("Das Archivieren lädt die Nachrichten aus dem Modem: ein voller "
                                        "Speicher (2 MB) hält die Leitung bei 57600 Baud etwa 6 Minuten "
                                        "belegt. Das Fenster bleibt währenddessen bedienbar."),
                      "LArchivSofort"));
    v->addStretch();
    tabs->addTab(ui.TSArchiv, QStringLiteral("Archiv"));
}

} // namespace

void BuildOptionenPages(QTabWidget* tabs, OptionenPages& ui)
{
    BuildProg(tabs, ui);
    BuildHintergrund(tabs, ui);
    BuildModem(tabs, ui);
    BuildArchiv(tabs, ui);
}

} // namespace zarvo
