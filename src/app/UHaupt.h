// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/ActivationFilter.h"
#include "core/DesktopArchive.h"
#include "core/Inbox.h"
#include "core/MessageList.h"
#include "core/ModemAccess.h"
#include "core/NewMessagePoll.h"
#include "core/RunRequest.h"
#include "core/Settings.h"

#include <QByteArray>
#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QDialog;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QTableWidget;
class QTimer;
class QWindow;

namespace zarvo {

class InstanceServer;
class ModemHoldOff;
class ShutdownGate;
class NoticeSender;
class TAboutBox;
class TOptionen;
class TRAS;
class WindowFinder;
class TTaskIcon;
class TWave;
class TZarvo;
class ReportTarget;
class StatusTarget;

// The main window: the list of the messages in the modem, the commands, the status log and the tray.
// Split by concern: UHaupt.cpp creation and activation, UHauptActions.cpp the actions and menus,
// UHauptList.cpp the message list, UHauptCommands.cpp the commands, the tray and closing,
// UHauptMonitor.cpp the background tick, UHauptCommandLine.cpp the switches, UHauptNotice.cpp the
// new-message notice. The messages themselves are the Inbox's, which these parts share.
class THaupt : public QMainWindow {
    Q_OBJECT
  public:
    explicit THaupt(QWidget* parent = nullptr);
    ~THaupt() override;

    // The windows created after this one; the program entry hands them over once.
    void SetWindows(TOptionen* optionen, TWave* wave, TAboutBox* aboutBox);

    // --- Components ---
    TZarvo* Zarvo1 = nullptr;
    TTaskIcon* TaskIcon1 = nullptr;
    QTimer* Timer1 = nullptr;
    QTableWidget* SG = nullptr;
    QProgressBar* PBSpeicheraus = nullptr;
    QPlainTextEdit* Modemstatus = nullptr;
    QLabel* StatusPanel0 = nullptr; // receives the modem component's status texts
    QLabel* StatusPanel1 = nullptr; // "warten..." while the modem is busy
    QMenu* PopupMenu1 = nullptr;
    TOptionen* Optionen = nullptr;
    TWave* Wave = nullptr;
    TAboutBox* AboutBox = nullptr;
    // An action of the action list by its name ("AC_Speicherloesch", ...); nullptr if unknown.
    QAction* Action(const QString& name) const;

    // --- State ---
    bool FirstActivate = true;
    bool LogToFile = false;
    bool EmergencyExit = false;
    bool FaxmonActive = false;
    bool TOnlineActive = false;
    bool DFUEActive = false;
    QString DFUEName;
    TOpts Opts;
    RunRequest Request; // the command line
    // On the offscreen platform: nobody can answer a dialog.
    bool Headless = false;
    // What a run without a display ends with: 2 when no port is chosen.
    int ExitStatus = 0;
    // Other programs' windows and the dial-up links the background tick watches (tests replace them).
    std::unique_ptr<WindowFinder> Windows;
    std::unique_ptr<TRAS> RAS;

    // --- Seams (tests replace them) ---
    // Shows a dialog modally and returns its result; QDialog::exec by default.
    std::function<int(QDialog&)> ModalHook;
    // Starts an outside program with one file argument; by default "kodakimg.exe" opens the
    // desktop's viewer for the file type and any other program is started detached.
    std::function<void(const QString& program, const QString& file)> ShellOpenHook;
    // The new-message poll's clock (monotonic milliseconds); the steady clock by default.
    NewMessagePoll::Clock PollClock;
    // Where new-message notices go: the desktop's notification service, else the tray's balloon.
    std::unique_ptr<NoticeSender> Notifier;

    // --- Start-up and activation (UHaupt.cpp) ---
    void FormActivate();

    // --- Message list (UHauptList.cpp) ---
    void FillMessageList();
    void CheckNewMessages();
    void FitColumns();
    void SGDblClick();
    void ShowFaxMessage(const QByteArray& Data);
    // The current row: the message number, 0 when none (the header).
    int CurrentRow() const;
    void SetCurrentRow(int row);
    // Rows of the list including the header row (1 + messages).
    int RowCount() const;
    // The text of a cell; row 0 is the header.
    QString Cell(int column, int row) const;
    // Entries the list was built for; -1 before a list or when the status query failed.
    int MessageCount() const { return m_inbox->MessageCount(); }
    // The messages as last seen: the list fills from it, the poll updates it, the tray reads it.
    Inbox& MessageInbox() const { return *m_inbox; }
    static QString TempWavName();
    static QString TempTifName();
    void ShellOpen(const QString& program, const QString& file);

    // --- Commands (UHauptCommands.cpp) ---
    void AC_OptionenExecute();
    void AC_SpeicherloeschExecute();
    void AbspielenExecute();
    void LAbspielenExecute();
    void LStoppenExecute();
    void SchliessenExecute();
    void Z_StatusExecute();
    void F_WiederExecute();
    void AC_ModemresetExecute();
    void Z_FaxFenExecute();
    void AC_NachrgeExecute();
    void AC_NeuNRExecute();
    void AC_UeberExecute();
    void HilfeExecute();
    void AC_ArchivExecute(); // UHauptArchiv.cpp
    void FehlerprotokollinZwischenablage1Click();
    void NotAbbruchderAnwendung1Click();
    void ApplicationEvents1Minimize();
    void TaskIcon1Click();
    // Connect to the configured port (forced or tested) and write the self-mode options: the
    // sequence that returns the modem to self mode.
    void ReturnToSelfMode();
    // True when the window may close; runs the closing work when it may.
    bool FormCloseQuery();
    void FormClose();

    // --- Background tick (UHauptMonitor.cpp) ---
    void Timer1Timer();
    // The tick's busy display: the "warten..." panel and which commands may run now. Also run
    // when a command or an activation ends, so the commands do not wait for the next tick.
    void UpdateBusyDisplay();

    // --- Other runs and the end from outside (UHauptShutdown.cpp) ---
    // Answers the user's other runs: a second start brings this window forward, a batch run gets
    // the modem held off while it works (the list is read again afterwards).
    void SetInstanceServer(InstanceServer* server);
    // True while the modem is left to a batch run (asked for or held) or the program is ending: no
    // poll and no command of ours may start. Widget-free callers ask Zarvo1->HeldOff.
    bool isModemHeldOff() const { return LeftAlone(Access()); }
    // Who may talk to the modem now: the poll, the watch and the commands all ask this.
    ModemAccess Access() const;
    // SIGTERM, SIGINT, SIGHUP or the end of the session: the close box's sequence at the next safe
    // point, boxes and dialogs dismissed; ForceEnd after ShutdownGate::kLimitMs at the latest.
    void RequestShutdown();
    bool ShutdownRequested() const;
    // What ends the program when the close takes too long (the program entry sets it; it must not
    // return). Tests leave it empty.
    std::function<void()> ForceEnd;
    // The time the close may take after a request (tests shorten it).
    int ShutdownLimitMs = 20000;
    // --- New-message notice (UHauptNotice.cpp) ---
    // Polls the modem when the interval has passed and announces what is new. Run by the tick.
    void PollNewMessages();
    // The notice's action "Anzeigen": the window comes back as from the tray, the notice closes, and
    // the check for new messages runs from the event loop.
    void NoticeShowExecute();
    // The tray's icon and tip follow the number of messages not listened to.
    void UpdateTrayMark();
    NewMessagePoll* Poll() const { return m_poll.get(); }

    // --- The archive (UHauptArchive.cpp): what the window downloads is kept there too ---
    // The action "Alle Nachrichten archivieren" in the menu "Nachricht(en)"; once, after the menus.
    void SetUpArchive();
    // Message `row` of the list was downloaded (played, shown, marked read): into the archive.
    void ArchiveDownloaded(int row, const QByteArray& data);
    // The list was rebuilt: the marks of archived rows, and archiving at once when it is set.
    void ArchiveListShown(const MessageListData& list);
    // Before the erase: asks to archive what the archive does not hold; false when the erase must
    // not go on (archiving was asked for and did not store everything).
    bool ArchiveBeforeErase();
    void AC_ArchivAlleExecute();
    // The archive's action follows the modem's state; the erase waits while archiving runs.
    void UpdateArchiveActions();
    // The rows of the list the archive is not known to hold (1-based).
    std::vector<int> RowsNotArchived();
    DesktopArchive& Archiver();

    // --- Command line (UHauptCommandLine.cpp): /AUTORUN, /LOG and fax files ---
    void ProcessCommandLine();
    // Shows a fax file in a new fax window (a file named on the command line or handed over).
    void OpenFaxFile(const QString& path);

  signals:
    // The main window has closed: the program ends.
    void Closed();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void FormCreate();
    void BuildLayout();
    void BuildActions();
    void BuildMenus();
    // False when the program cannot go on (offscreen without a port).
    bool FirstActivation();
    void FocusWindowChanged(QWindow* window);
    void InstallCellDrawing(); // SGDrawCell: the images of the type and flag columns
    void ShowList(const MessageListData& list);
    void CheckNewMessagesOnce();
    int ShowModal(QDialog& dialog);
    void SetLineActionsVisible(bool visible);
    void SyncHeldOff();
    void DismissModals();
    void SetUpNotice();
    bool PollMayRun() const;
    // Runs the check for new messages once the window is shown again (after `triesLeft` looks).
    void CheckOnceShown(int triesLeft);
    void CentreOnScreen();

    std::unique_ptr<Inbox> m_inbox;
    std::unique_ptr<NewMessagePoll> m_poll;
    std::unique_ptr<ReportTarget> m_memoTarget;
    std::unique_ptr<StatusTarget> m_panelTarget;
    ActivationFilter m_activation;
    bool m_startingUp = false; // the first activation's work is running
    bool m_checking = false;   // CheckNewMessages is running (its question, its playback)
    bool m_checkAgain = false; // a check was asked for while one ran
    bool m_closing = false;    // the close query is running
    bool m_closed = false;     // closing was accepted
    bool m_quitting = false;   // the application is shutting down
    bool m_shown = false;      // the window was shown once
    bool m_keepCentred = true; // until the first list after the first showing, width changes re-centre
    bool m_logFailed = false;  // the log file could not be written; said once until it works again
    bool m_stopping = false;   // the end was asked for: work stops at its next exchange
    ModemHoldOff* m_holdOff = nullptr;
    ShutdownGate* m_shutdown = nullptr;

    // The archive (UHauptArchive.cpp).
    bool ArchiveRows(const std::vector<int>& rows);
    void ShowArchiveMarks();
    void ArchiveAtOnceTick();
    std::unique_ptr<DesktopArchive> m_desktopArchive;
    std::vector<tMessageReport> m_archiveEntries; // the list's directory entries, when all were read
    bool m_archiveEntriesKnown = false;
    bool m_archiving = false;
    QTimer* m_archiveAtOnce = nullptr;
};

// Runs a command, showing an exception that ends it in the standard error box rather than
// letting it cross the event loop.
void Guarded(const std::function<void()>& command);

} // namespace zarvo
