// SPDX-License-Identifier: GPL-3.0-or-later
// THaupt: creation, layout and the activation sequence of the main window.
#include "app/UHaupt.h"
#include "core/BackgroundWatch.h"
#include "core/StartMode.h"
#include "core/WindowFinder.h"
#include "platform/XcbWindowFinder.h"
#include "platform/ras_api32.h"

#include "app/About.h"
#include "app/HelpAccess.h"
#include "app/TaskIcon.h"
#include "app/UHauptImages.h"
#include "app/UOptionen.h"
#include "app/UWave.h"
#include "common/MessageSeam.h"
#include "common/ProgramPaths.h"
#include "common/Targets.h"
#include "core/NoticeSender.h"
#include "core/OptionSequences.h"
#include "modem/Zarvo.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <exception>

namespace zarvo {

namespace {

// The status log memo as the modem component's report target.
class MemoReport : public ReportTarget {
  public:
    explicit MemoReport(QPlainTextEdit* memo) : m_memo(memo) {}
    void addLine(const QString& line) override { m_memo->appendPlainText(line); }
    void clear() override { m_memo->clear(); }

  private:
    QPlainTextEdit* m_memo;
};

// The first status-bar panel as the modem component's status target. The panel cuts a long text
// (a port's reason and remedy) at the window's width; its tip holds the whole of it.
class PanelStatus : public StatusTarget {
  public:
    explicit PanelStatus(QLabel* panel) : m_panel(panel) {}
    void setText(const QString& text) override
    {
        m_panel->setText(text);
        m_panel->setToolTip(text);
    }

  private:
    QLabel* m_panel;
};

// Runs `enter` for Return and Enter pressed in the watched widget, which does not see them then.
class EnterKeyFilter : public QObject {
  public:
    EnterKeyFilter(std::function<void()> enter, QObject* parent) : QObject(parent), m_enter(std::move(enter))
    {
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                m_enter();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void()> m_enter;
};

// Sets a flag for the lifetime of a scope, also when an exception leaves it.
class FlagScope {
  public:
    explicit FlagScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~FlagScope() { m_flag = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

  private:
    bool& m_flag;
};

} // namespace

void Guarded(const std::function<void()>& command)
{
    try {
        command();
    }
    catch (const std::exception& e) {
        ShowException(e);
    }
}

THaupt::THaupt(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Haupt"));
    setWindowTitle(QStringLiteral("Zarvo"));
    setWindowIcon(ApplicationIcon());
    Zarvo1 = new TZarvo(this);
    Zarvo1->setObjectName(QStringLiteral("Zarvo1"));
    m_inbox = std::make_unique<Inbox>();
    // The tray's icon and tip follow the messages not listened to, whoever read them.
    connect(m_inbox.get(), &Inbox::Changed, this, [this] { UpdateTrayMark(); });
    Windows = MakeWindowFinder();
    RAS = std::make_unique<TRAS>();
    BuildLayout();
    BuildActions();
    BuildMenus();
    SetUpArchive();
    FormCreate();

    resize(449, 374);
    CentreOnScreen();

    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &THaupt::FocusWindowChanged);
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { m_quitting = true; });
}

THaupt::~THaupt()
{
    // Children go in creation order, and the options dialog holds on to Zarvo1, which was created
    // first: the windows handed over later go before it.
    for (QWidget* window :
         {static_cast<QWidget*>(Optionen), static_cast<QWidget*>(Wave), static_cast<QWidget*>(AboutBox)})
        if (window && window->parent() == this)
            delete window;
    // The grid goes with the base class, when this object is no longer whole.
    SG->selectionModel()->disconnect(this);
    // The component outlives the targets otherwise: unbind them before the widgets go.
    Zarvo1->ReportMemo = nullptr;
    Zarvo1->StatusPanel = nullptr;
}

void THaupt::BuildLayout()
{
    auto* central = new QWidget(this);
    SG = new QTableWidget(1, kListColumns, central);
    SG->setObjectName(QStringLiteral("SG"));
    SG->setRowCount(0);
    SG->verticalHeader()->hide();
    SG->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SG->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    SG->setSelectionBehavior(QAbstractItemView::SelectRows);
    SG->setSelectionMode(QAbstractItemView::SingleSelection);
    SG->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SG->setWordWrap(false);
    SG->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    SG->horizontalHeader()->setStretchLastSection(true);
    SG->horizontalHeader()->setHighlightSections(false);
    SG->verticalHeader()->setDefaultSectionSize(SG->fontMetrics().height() + 6);
    SG->setIconSize(QSize(16, 16));
    InstallCellDrawing();
    const MessageRow& headers = MessageListHeaders();
    SG->setHorizontalHeaderLabels(QStringList(headers.begin(), headers.end()));
    connect(SG, &QTableWidget::cellDoubleClicked, this, [this] { Guarded([this] { SGDblClick(); }); });
    // Enter opens the message as a double click does: the keyboard's way besides Ctrl+A.
    SG->installEventFilter(new EnterKeyFilter([this] { Guarded([this] { SGDblClick(); }); }, SG));
    // The current row is always the selected one: a focus change alone gives the grid a current cell
    // without a highlight, and the commands would act on a row the user cannot see.
    connect(SG->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid() && !SG->selectionModel()->isRowSelected(current.row(), {}))
                    SG->selectRow(current.row());
                UpdateBusyDisplay();
            });

    PBSpeicheraus = new QProgressBar(central);
    PBSpeicheraus->setObjectName(QStringLiteral("PBSpeicheraus"));
    PBSpeicheraus->setOrientation(Qt::Vertical);
    PBSpeicheraus->setRange(0, 100);
    PBSpeicheraus->setValue(0);
    PBSpeicheraus->setTextVisible(false);
    PBSpeicheraus->setFixedWidth(13);
    PBSpeicheraus->setToolTip(QStringLiteral("Speicherauslastung des Modems"));

    Modemstatus = new QPlainTextEdit(central);
    Modemstatus->setObjectName(QStringLiteral("Modemstatus"));
    Modemstatus->setReadOnly(true);
    Modemstatus->setFixedHeight(119);
    Modemstatus->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Modemstatus->setLineWrapMode(QPlainTextEdit::NoWrap);
    Modemstatus->hide();

    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    top->addWidget(SG, 1);
    top->addWidget(PBSpeicheraus);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addLayout(top, 1);
    column->addWidget(Modemstatus);
    setCentralWidget(central);

    StatusPanel0 = new QLabel(QStringLiteral("STATUS"));
    StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
    StatusPanel0->setMinimumWidth(250);
    // Long status texts must not widen the window: the list decides its width.
    StatusPanel0->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    StatusPanel1 = new QLabel;
    StatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
    StatusPanel1->setMinimumWidth(
        std::max(50, StatusPanel1->fontMetrics().horizontalAdvance(QStringLiteral("warten...")) + 8));
    statusBar()->addWidget(StatusPanel0, 1);
    statusBar()->addWidget(StatusPanel1);
    statusBar()->setSizeGripEnabled(true);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(2000);
    connect(Timer1, &QTimer::timeout, this, [this] { Guarded([this] { Timer1Timer(); }); });

    TaskIcon1 = new TTaskIcon(this);
    TaskIcon1->setObjectName(QStringLiteral("TaskIcon1"));
    TaskIcon1->SetHint(QStringLiteral("Zarvo"));
    TaskIcon1->SetIcon(ApplicationIcon());
    TaskIcon1->TaskIconID = 0;
    connect(TaskIcon1, &TTaskIcon::OnClick, this, [this] { TaskIcon1Click(); });
}

void THaupt::FormCreate()
{
    EmergencyExit = false;
    LogToFile = false;
    FirstActivate = true;
    m_memoTarget = std::make_unique<MemoReport>(Modemstatus);
    m_panelTarget = std::make_unique<PanelStatus>(StatusPanel0);
    Zarvo1->ReportMemo = m_memoTarget.get();
    Zarvo1->StatusPanel = m_panelTarget.get();
    FaxmonActive = TOnlineActive = DFUEActive = false;
    DFUEName.clear();

    Action(QStringLiteral("Z_Status"))->setChecked(!Modemstatus->isHidden());
    Action(QStringLiteral("Hilfe"))->setEnabled(LoadHtmlHelp());
    Timer1->start();
}

void THaupt::SetWindows(TOptionen* optionen, TWave* wave, TAboutBox* aboutBox)
{
    Optionen = optionen;
    Wave = wave;
    AboutBox = aboutBox;
    if (Optionen)
        Optionen->LineActionsVisible = [this](bool visible) { SetLineActionsVisible(visible); };
    if (Wave)
        Wave->SetGlyphs(ImageList1(9), ImageList1(5), ImageList1(8));
}

void THaupt::SetLineActionsVisible(bool visible)
{
    Action(QStringLiteral("LAbspielen"))->setVisible(visible);
    Action(QStringLiteral("LStoppen"))->setVisible(visible);
}

int THaupt::ShowModal(QDialog& dialog)
{
    return ModalHook ? ModalHook(dialog) : dialog.exec();
}

void THaupt::FocusWindowChanged(QWindow* window)
{
    // Menus and tips never take part: they come and go over the main window.
    if (window && (window->type() == Qt::Popup || window->type() == Qt::ToolTip))
        return;
    if (!m_activation.FocusChanged(window, windowHandle()))
        return;
    // Run from the event loop, not inside the focus change: the work opens dialogs and waits.
    QTimer::singleShot(0, this, [this] { Guarded([this] { FormActivate(); }); });
}

void THaupt::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    // The first showing is the first activation, also where no window manager ever hands the
    // window the focus; the focus that may follow it is then no new activation.
    m_activation.FocusChanged(windowHandle(), windowHandle());
    QTimer::singleShot(0, this, [this] { Guarded([this] { FormActivate(); }); });
}

void THaupt::CentreOnScreen()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void THaupt::FormActivate()
{
    // Dialogs and boxes of the start-up reactivate the window when they close; the start-up itself
    // ends with the check below, so such nested activations have nothing to do.
    if (m_startingUp || m_closed || m_closing)
        return;
    bool quit = false;
    if (FirstActivate) {
        FlagScope running(m_startingUp);
        quit = !FirstActivation();
    }
    if (quit) {
        // Offscreen without a port: nothing can be done, and nobody can choose one.
        Opts.UnAbEn = false;
        if (!close()) {
            ExitStatus = std::max(ExitStatus, 1);
            m_closed = true;
            emit Closed();
        }
        return;
    }
    // While a batch run has the modem (or the program ends) the list stays as it is; it is read
    // again when the modem comes back.
    if (!Zarvo1->HeldOff)
        CheckNewMessages();
    UpdateBusyDisplay();
    SG->setEnabled(true);
}

bool THaupt::FirstActivation()
{
    const QString settings = ProgramPaths::programFile(QStringLiteral("ZARVO2.ini"));
    LoadSettings(Opts, settings);
    if (Opts.ComPort == 0 && Headless) {
        // Nobody could answer the options dialog: say how to choose the port, and do nothing else.
        Messages().error(kAppCaption, NoPortMessage(settings));
        ExitStatus = 2;
        FirstActivate = false;
        return false;
    }
    if (Opts.ComPort != 0) {
        Guarded([this] { ReturnToSelfMode(); });
        // Also for whoever started the program from a terminal, cron or a timer: why the port is
        // unusable, before anything that fails because of it.
        if (!Zarvo1->PortProblem.isEmpty())
            StderrMessages().error(kAppCaption, Zarvo1->PortProblem);
    }
    while (Opts.ComPort == 0 && Optionen && !m_quitting && !ShutdownRequested()) {
        Optionen->SetActivePage(TOptionen::Page::TSModem);
        Optionen->OptsToDialog(Opts);
        Optionen->ShowModal();
        if (Opts.ComPort == 0 && !m_quitting && !ShutdownRequested())
            Messages().information(kAppCaption, QString::fromUtf8("Sie müßen einen ComPort auswählen !"));
    }
    FirstActivate = false;
    SetUpNotice();
    ProcessCommandLine();
    return true;
}

void THaupt::ReturnToSelfMode()
{
    // Never between two exchanges of a running operation (a download in a nested wait).
    if (!WaitWhileBusy([this] { return Zarvo1->Busy; }, [](int ms) { Delay(static_cast<quint32>(ms)); }))
        return;
    quint8 test = 0;
    if (Opts.ForcePort)
        Zarvo1->ForcePort(Opts.ComPort);
    else
        test = Zarvo1->TestPort(Opts.ComPort);
    if (Optionen)
        Optionen->ApplyOpts(Opts);
    // Nothing was written without a modem: the port test's failure is what the user must see.
    // The serial layer's reason (permission, busy, unplugged) says more than the bare failure.
    if (test == 0)
        return;
    const QString text =
        Zarvo1->PortProblem.isEmpty() ? PortFailureText(Opts.ComPort, test) : Zarvo1->PortProblem;
    m_panelTarget->setText(text);
    // The status log keeps it whole as well (the port test may have written it there already).
    const QString line = u'-' + text;
    const QString log = Modemstatus->toPlainText();
    if (!log.endsWith(line))
        Modemstatus->appendPlainText(line);
}

void THaupt::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    FitColumns();
}

} // namespace zarvo
