// SPDX-License-Identifier: GPL-3.0-or-later
// The options dialog: filling and collecting the settings, OK/Abbrechen/Hilfe, port test,
// password check and autostart.
#include "app/UOptionen.h"
#include "app/ModalRun.h"

#include "app/HelpAccess.h"
#include "app/UOptionenPages.h"
#include "app/UOptionenPort.h"
#include "common/Errors.h"
#include "common/MessageSeam.h"
#include "common/ProgramPaths.h"
#include "core/OptionSequences.h"
#include "modem/SerialErrors.h"
#include "modem/Zarvo.h"
#include "ocr/FaxOcr.h"
#include "platform/Autostart.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace zarvo {
namespace {

// Handlers run from button signals: an exception must not cross Qt's event loop, so it ends here
// in the application's standard error box.
template <class F> void Guarded(F&& f)
{
    try {
        f();
    }
    catch (const std::exception& e) {
        ShowException(e);
    }
}

// While the modem is asked (the wait runs the event loop), the pages and buttons take no clicks, so
// OK cannot close the dialog in the middle of a port test and no test starts twice.
class InputPause {
  public:
    explicit InputPause(const QList<QWidget*>& widgets) : m_widgets(widgets)
    {
        for (QWidget* w : m_widgets)
            w->setEnabled(false);
    }
    ~InputPause()
    {
        for (QWidget* w : m_widgets)
            w->setEnabled(true);
    }
    InputPause(const InputPause&) = delete;
    InputPause& operator=(const InputPause&) = delete;

  private:
    QList<QWidget*> m_widgets;
};

const QString kNotWrittenText =
    QString::fromUtf8("Das Modem wurde nicht eingestellt: die Einstellungen sind im Modem nicht "
                      "gespeichert. Die Statuszeile nennt den Grund.");

// A line break pasted into a one-line field would reach the settings file: drop it there.
void DropLineBreaks(QLineEdit* edit)
{
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit](const QString& text) {
        if (!text.contains(u'\n') && !text.contains(u'\r'))
            return;
        QString kept = text;
        kept.remove(u'\r').remove(u'\n');
        edit->setText(kept);
    });
}

} // namespace

TOptionen::TOptionen(TZarvo& zarvo, TOpts& opts, QWidget* parent)
    : QDialog(parent), m_zarvo(zarvo), m_opts(opts), m_ui(std::make_unique<OptionenPages>())
{
    setObjectName(QStringLiteral("Optionen"));
    setWindowTitle(QStringLiteral("Optionen"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize); // fixed dialog border
    m_pages = new QTabWidget;
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    BuildOptionenPages(m_pages, *m_ui);
    m_ports = new PortChooser(m_ui->CBComPort, m_ui->LComPortKey, this);
    m_ports->Fill(m_opts.ComPort, SettingsFileName(), PortsInUse());
    m_pages->setCurrentWidget(m_ui->TSModem); // the page shown at design
    layout->addWidget(m_pages);
    BuildButtons();

    connect(m_ui->ComTest, &QPushButton::clicked, this, [this] { ComTestClick(); });
    connect(m_ui->StartmitWin, &QPushButton::clicked, this, [this] { StartmitWinClick(); });
    connect(m_ui->NoWinStart, &QPushButton::clicked, this, [this] { NoWinStartClick(); });
    connect(m_ui->EdDR_Password, &QLineEdit::textChanged, this, [this] { EdDR_PasswordChange(); });
    DropLineBreaks(m_ui->EExtFax);
    DropLineBreaks(m_ui->EArchivOrdner);
    DropLineBreaks(m_ui->EArchivBefehl);
    m_ui->EArchivOrdner->setPlaceholderText(ArchiveSettings().Folder());
    connect(m_ui->BArchivOrdner, &QPushButton::clicked, this, [this] {
        const QString start = m_ui->EArchivOrdner->text().trimmed().isEmpty() ? ArchiveSettings().Folder()
                                                                              : m_ui->EArchivOrdner->text();
        const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Archivordner"), start);
        if (!folder.isEmpty())
            m_ui->EArchivOrdner->setText(folder);
    });
    connect(m_ui->BArchivBefehl, &QPushButton::clicked, this, [this] {
        const QString program =
            QFileDialog::getOpenFileName(this, QString::fromUtf8("Befehl bei neuer Nachricht"), QString());
        // The setting is a command line: a path with spaces is one word only in quotes.
        if (!program.isEmpty())
            m_ui->EArchivBefehl->setText(program.contains(u' ') ? u'"' + program + u'"' : program);
    });
    m_ui->EdFax_ID->setMaxLength(kModemTextMax);
    // The fax ID travels in double quotes: keep only what that command can carry.
    connect(m_ui->EdFax_ID, &QLineEdit::textChanged, this, [this](const QString& text) {
        const QString kept = ModemTextOnly(text);
        if (kept != text) {
            const int cursor = m_ui->EdFax_ID->cursorPosition() - int(text.size() - kept.size());
            m_ui->EdFax_ID->setText(kept);
            m_ui->EdFax_ID->setCursorPosition(std::max(0, cursor));
        }
    });
}

TOptionen::~TOptionen() = default;

void TOptionen::BuildButtons()
{
    // One role for all three keeps them in the order given (OK, Hilfe, Abbrechen) on every desktop;
    // Escape still cancels through the dialog itself.
    auto* box = new QDialogButtonBox;
    auto* ok = box->addButton(QStringLiteral("OK"), QDialogButtonBox::ActionRole);
    ok->setObjectName(QStringLiteral("OkBtn"));
    auto* help = box->addButton(QStringLiteral("&Hilfe"), QDialogButtonBox::ActionRole);
    help->setObjectName(QStringLiteral("BitBtn1"));
    auto* cancel = box->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::ActionRole);
    cancel->setObjectName(QStringLiteral("BitBtn2"));
    connect(ok, &QPushButton::clicked, this, [this] { OkBtnClick(); });
    connect(help, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    auto* f1 = new QAction(this);
    f1->setShortcut(QKeySequence(Qt::Key_F1));
    addAction(f1);
    connect(f1, &QAction::triggered, this, [this] { BitBtn1Click(); });
    connect(cancel, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    layout()->addWidget(box);
    // Only once the button is in the dialog does it become the dialog's default; no other button
    // may take Enter over by having the focus.
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setAutoDefault(false);
    ok->setDefault(true);
}

void TOptionen::SetActivePage(Page page)
{
    m_pages->setCurrentIndex(static_cast<int>(page));
}

TOptionen::Page TOptionen::ActivePage() const
{
    return static_cast<Page>(m_pages->currentIndex());
}

void TOptionen::OptsToDialog(const TOpts& Opts)
{
    OptionenPages& ui = *m_ui;
    // Prog
    if (QAbstractButton* item = ui.FaxViewItems->button(Opts.FaxView)) {
        item->setChecked(true);
    }
    else {
        ui.FaxViewItems->setExclusive(false);
        for (QAbstractButton* b : ui.FaxViewItems->buttons())
            b->setChecked(false);
        ui.FaxViewItems->setExclusive(true);
    }
    ui.EExtFax->setText(Opts.ExtFax);
    // Hintergrund
    ui.CBa_DFUE->setChecked(Opts.DFUE);
    ui.CBa_TOnline2->setChecked(Opts.TOnline2);
    ui.CBa_Faxmon->setChecked(Opts.Faxmon);
    ui.CB_Endeunab->setChecked(Opts.UnAbEn);
    ui.CBa_Autonachr->setChecked(Opts.Autonachr);
    ui.SEAutonachr->setValue(Opts.AutonTi);
    // Modem: ports come and go, and the settings file may map them anew since the last showing.
    m_ports->Fill(Opts.ComPort, SettingsFileName(), PortsInUse());
    ui.CBForcePort->setChecked(Opts.ForcePort);
    ui.CBLine->setChecked(Opts.LineKabel);
    const tModemOptions& m = Opts.ModemOptions;
    ui.CBFax_recv->setChecked(m.FaxRecv);
    ui.CBVoice_recv->setChecked(m.VoiceRecv);
    ui.CBCall_Monitor->setChecked(m.CallMonitor);
    ui.EdFax_ID->setText(m.FaxId);
    ui.SERing_Setup->setValue(m.RingSetup); // clamped into 1..6
    ui.CBDialup_retr->setChecked(m.DialupRetr);
    ui.EdDR_Password->setText(m.DRPassword);
    // What the controls show after their clamps and checks is what a change is measured against.
    m_shownHeld = Opts.ModemOptionsHeld;
    TOpts shown;
    DialogToOpts(shown);
    m_shown = shown.ModemOptions;
    ArchiveToDialog(LoadArchiveSettings(SettingsFileName()));
}

void TOptionen::ArchiveToDialog(const ArchiveSettings& settings)
{
    OptionenPages& ui = *m_ui;
    m_archive = settings;
    ui.EArchivOrdner->setText(settings.folder);
    ui.EArchivBefehl->setText(settings.command);
    ui.CBTexterkennung->setChecked(settings.recognition);
    ui.CBArchivSofort->setChecked(settings.atOnce);
    // Loading the language data takes a moment: once per language setting.
    if (!m_ocrChecked || m_ocrLanguages != settings.languages) {
        OcrSettings ocr;
        ocr.languages = settings.languages.toStdString();
        m_ocrReason = QString::fromStdString(OcrUnavailableReason(ocr));
        m_ocrLanguages = settings.languages;
        m_ocrChecked = true;
    }
    ui.LTexterkennung->setText(m_ocrReason); // names the missing language packages
    ui.LTexterkennung->setVisible(!m_ocrReason.isEmpty());
}

ArchiveSettings TOptionen::DialogToArchive() const
{
    const OptionenPages& ui = *m_ui;
    ArchiveSettings s = m_archive;
    s.folder = ui.EArchivOrdner->text().trimmed();
    s.command = ui.EArchivBefehl->text().trimmed();
    s.recognition = ui.CBTexterkennung->isChecked();
    s.atOnce = ui.CBArchivSofort->isChecked();
    return s;
}

void TOptionen::DialogToOpts(TOpts& Opts) const
{
    const OptionenPages& ui = *m_ui;
    Opts.FaxView = ui.FaxViewItems->checkedId();
    Opts.ExtFax = ui.EExtFax->text();
    Opts.DFUE = ui.CBa_DFUE->isChecked();
    Opts.TOnline2 = ui.CBa_TOnline2->isChecked();
    Opts.Faxmon = ui.CBa_Faxmon->isChecked();
    Opts.UnAbEn = ui.CB_Endeunab->isChecked();
    Opts.Autonachr = ui.CBa_Autonachr->isChecked();
    Opts.AutonTi = ui.SEAutonachr->value();
    Opts.ComPort = static_cast<quint8>(m_ports->Choice().slot);
    Opts.ForcePort = ui.CBForcePort->isChecked();
    Opts.LineKabel = ui.CBLine->isChecked();
    tModemOptions& m = Opts.ModemOptions;
    m.FaxRecv = ui.CBFax_recv->isChecked();
    m.VoiceRecv = ui.CBVoice_recv->isChecked();
    m.CallMonitor = ui.CBCall_Monitor->isChecked();
    m.FaxId = ui.EdFax_ID->text();
    m.RingSetup = static_cast<quint8>(ui.SERing_Setup->value());
    m.DialupRetr = ui.CBDialup_retr->isChecked();
    m.DRPassword = ui.EdDR_Password->text();
    Opts.ModemOptionsHeld = m_shownHeld;
}

bool TOptionen::ApplyOpts(const TOpts& Opts)
{
    return Apply(Opts, nullptr) == ApplyResult::Applied;
}

ApplyResult TOptionen::Apply(const TOpts& Opts, const tModemOptions* shown)
{
    const ApplyResult result = ApplyOptions(m_zarvo, m_opts, Opts, shown);
    if (LineActionsVisible)
        LineActionsVisible(Opts.LineKabel);
    return result;
}

int TOptionen::ShowModal()
{
    return RunModal(*this, ModalHook);
}

QString TOptionen::SettingsFileName()
{
    return ProgramPaths::programFile(QStringLiteral("ZARVO2.ini"));
}

void TOptionen::OkBtnClick()
{
    TOpts collected;
    DialogToOpts(collected);
    // A port new to the settings file gets its [Ports] key first: the test below looks it up there.
    bool stored = false;
    Guarded([&] {
        m_ports->Store();
        stored = true;
    });
    if (!stored)
        return;
    {
        const InputPause pause({m_pages, findChild<QDialogButtonBox*>()});
        Guarded([&] {
            if (Apply(collected, &m_shown) == ApplyResult::NotWritten)
                Messages().error(kAppCaption, kNotWrittenText);
        });
    }
    // Options that were unknown when the dialog showed are now the modem's, as applying read them.
    if (!collected.ModemOptionsHeld && m_opts.ModemOptionsHeld) {
        collected.ModemOptions = m_opts.ModemOptions;
        collected.ModemOptionsHeld = true;
    }
    // Saved even when applying failed: the file then holds the user's choice for the next start.
    // A file that cannot be written keeps the dialog open (the box says why).
    Guarded([&] {
        SaveSettings(collected, SettingsFileName());
        SaveArchiveSettings(DialogToArchive(), SettingsFileName());
        accept();
    });
}

void TOptionen::BitBtn2Click()
{
    reject();
}

void TOptionen::BitBtn1Click()
{
    static const QString topics[] = {QStringLiteral("optdlg.htm#programm"),
                                     QStringLiteral("optdlg.htm#hintergrund"),
                                     QStringLiteral("optdlg.htm#modme"), QStringLiteral("optdlg.htm#archiv")};
    ShowHelpTopic(this, topics[m_pages->currentIndex()]);
}

void TOptionen::ComTestClick()
{
    const InputPause pause({m_pages, findChild<QDialogButtonBox*>()});
    Guarded([this] {
        const auto port = static_cast<quint8>(m_ports->Store());
        const quint8 result = m_zarvo.TestPort(port);
        const QString text = WithPortProblem(PortTestText(result), m_zarvo.PortProblem);
        if (!text.isEmpty())
            Messages().information(kAppCaption, text);
        if (result == 0) {
            // The self-mode controls now show what the modem holds.
            TOpts shown;
            DialogToOpts(shown);
            if (m_zarvo.ReadOptions(shown.ModemOptions) == 0)
                shown.ModemOptionsHeld = true;
            OptsToDialog(shown);
        }
    });
}

QList<int> TOptionen::PortsInUse() const
{
    QList<int> inUse{m_opts.ComPort};
    if (m_zarvo.ModemFound)
        inUse.push_back(int(m_zarvo.MainPort->ComPort()) + 1);
    return inUse;
}

void TOptionen::ChoosePort(const QString& path)
{
    m_ports->ChoosePath(path);
}

void TOptionen::EdDR_PasswordChange()
{
    if (m_inPasswordCheck)
        return;
    m_inPasswordCheck = true;
    if (!PasswordAcceptable(m_ui->EdDR_Password->text())) {
        Messages().information(kAppCaption, QStringLiteral("Paßwort fehlerhaft (nur Zahlen sind erlaubt)!"));
        m_ui->EdDR_Password->clear();
    }
    m_inPasswordCheck = false;
}

void TOptionen::StartmitWinClick()
{
    AutostartOn();
}

void TOptionen::NoWinStartClick()
{
    AutostartOff();
}

} // namespace zarvo
