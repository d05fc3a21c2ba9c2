// SPDX-License-Identifier: GPL-3.0-or-later
// THaupt: the new-message notice. Every AutonTi minutes the tick asks the modem for its memory
// status, reads only the directory entries that are new, and announces the unheard ones once: on
// the desktop's notification service, else in the tray's balloon. The tray's icon and tip show
// how many messages wait. The modal question stays with the window's own check.
#include "app/UHaupt.h"

#include "app/TaskIcon.h"
#include "app/UHauptImages.h"
#include "common/ProgramPaths.h"
#include "core/AnnouncedMessages.h"
#include "core/Inbox.h"
#include "modem/Zarvo.h"
#include "platform/DBusNotifier.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QTimer>
#include <QWindow>

#include <exception>

namespace zarvo {

namespace {

// Looks for the window to be back on the screen, every 50 ms, before the notice's check.
constexpr int kShowTries = 40;

// The modem component and the window's states as the poll sees them.
class HauptPollHost : public PollHost {
  public:
    HauptPollHost(THaupt& haupt, bool idle) : m_haupt(haupt), m_idle(idle) {}
    bool ModemIdle() const override { return m_idle; }
    bool HeldOff() const override
    {
        // A dial-up link on the modem holds the port as well; fax monitor and T-Online lock the
        // component, which ModemIdle already sees.
        return m_haupt.DFUEActive;
    }
    std::optional<int> ReadEntryCount() override
    {
        tMemoryStatus status;
        try {
            if (m_haupt.Zarvo1->ReadMemoryStatus(status) != 0)
                return std::nullopt;
        }
        catch (const std::exception&) {
            return std::nullopt; // a garbled reply: quietly, as a missing one
        }
        return status.CountA + status.CountB;
    }
    std::optional<tMessageReport> ReadEntry(int index) override
    {
        if (index < 1 || index > 255)
            return std::nullopt;
        tMessageReport report;
        try {
            if (m_haupt.Zarvo1->ReadMessageReport(static_cast<quint8>(index), report) != 0)
                return std::nullopt;
        }
        catch (const std::exception&) {
            return std::nullopt;
        }
        return report;
    }

  private:
    THaupt& m_haupt;
    bool m_idle;
};

} // namespace

void THaupt::SetUpNotice()
{
    if (m_poll)
        return;
    m_inbox->UseAnnouncedFile(AnnouncedMessagesFile());
    m_poll =
        std::make_unique<NewMessagePoll>(*m_inbox, PollClock ? PollClock : NewMessagePoll::SteadyClock());
    if (!Notifier) {
        auto notifier = std::make_unique<DBusNotifier>();
        // Installed, the icon is the theme's "zarvo"; run from the build tree, the file itself.
        const QString iconFile = ProgramPaths::findData(QStringLiteral("icons/zarvo.svg"));
        if (!QIcon::hasThemeIcon(notifier->IconName) && !iconFile.isEmpty())
            notifier->IconName = QFileInfo(iconFile).absoluteFilePath();
        notifier->Fallback = [this](const Notice& notice) {
            TaskIcon1->ShowMessage(notice.Summary, notice.Body);
        };
        Notifier = std::move(notifier);
    }
    connect(Notifier.get(), &NoticeSender::ShowRequested, this,
            [this] { Guarded([this] { NoticeShowExecute(); }); });
    connect(TaskIcon1, &TTaskIcon::OnMessageClick, this,
            [this] { Guarded([this] { NoticeShowExecute(); }); });
}

bool THaupt::PollMayRun() const
{
    // The window's own modem work runs in nested loops; a poll inside it would interleave.
    return !FirstActivate && !m_startingUp && !m_checking && !m_closing && !m_closed && !m_quitting &&
           Zarvo1->ModemFound && !Zarvo1->Busy && !isModemHeldOff() && Opts.ComPort != 0 &&
           !QApplication::activeModalWidget();
}

void THaupt::PollNewMessages()
{
    if (!m_poll)
        return;
    m_poll->Configure(Opts.Autonachr, Opts.AutonTi);
    if (!m_poll->Due())
        return;
    HauptPollHost host(*this, PollMayRun());
    const PollResult result = m_poll->Run(host);
    if (result.Outcome == PollOutcome::NewMessages && Notifier)
        Notifier->Send(NoticeFor(result.Fresh));
}

void THaupt::NoticeShowExecute()
{
    // The window comes back exactly as a click on the tray icon brings it (also from the tray after
    // a start with /AUTORUN), and the notice goes.
    TaskIcon1Click();
    if (Notifier)
        Notifier->Withdraw();
    CheckOnceShown(kShowTries);
}

void THaupt::CheckOnceShown(int triesLeft)
{
    // The check asks its question once the desktop shows the window again: a box over a window
    // still iconic would be all the user sees, and the window manager could keep the window in the
    // tray. A window manager that never shows it delays the check by two seconds at most.
    QTimer::singleShot(triesLeft == kShowTries ? 0 : 50, this, [this, triesLeft] {
        const bool shown = windowHandle() && windowHandle()->isExposed() && !isMinimized();
        if (!shown && triesLeft > 0 && !m_closed && !m_quitting)
            return CheckOnceShown(triesLeft - 1);
        Guarded([this] { CheckNewMessages(); });
    });
}

void THaupt::UpdateTrayMark()
{
    const int unheard = m_inbox->Unheard();
    const QString hint = TrayHintFor(unheard);
    if (TaskIcon1->Hint() == hint)
        return;
    TaskIcon1->SetHint(hint);
    TaskIcon1->SetIcon(unheard > 0 ? MarkedApplicationIcon() : ApplicationIcon());
}

} // namespace zarvo
