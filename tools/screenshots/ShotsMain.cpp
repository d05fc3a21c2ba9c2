// SPDX-License-Identifier: GPL-3.0-or-later
// The main window with the demo messages on the emulated modem, its status log, and the about box.
#include "MessageBuilder.h"
#include "ModemEmulator.h"
#include "Shots.h"
#include "app/About.h"
#include "app/BatchWait.h"
#include "app/TaskIcon.h"
#include "app/UHaupt.h"
#include "app/UOptionen.h"
#include "app/UWave.h"
#include "common/ProgramPaths.h"
#include "platform/GermanLocale.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QTemporaryDir>

#include <cstdio>
#include <exception>
#include <stdexcept>

namespace {

zarvo::emu::StoredMessage Demo(zarvo::emu::StoredMessage m, const char* id, int state)
{
    m.id = id;
    m.state = state;
    return m;
}

// Replaces ZARVO2.ini in the program directory for its lifetime, then restores (or removes) it.
class SettingsFileSwap {
  public:
    explicit SettingsFileSwap(const QByteArray& text)
        : m_name(zarvo::ProgramPaths::programFile(QStringLiteral("ZARVO2.ini")))
    {
        QFile file(m_name);
        m_existed = file.open(QIODevice::ReadOnly);
        if (m_existed)
            m_old = file.readAll();
        file.close();
        Write(text);
    }
    ~SettingsFileSwap()
    {
        if (m_existed)
            Write(m_old);
        else
            QFile::remove(m_name);
    }
    SettingsFileSwap(const SettingsFileSwap&) = delete;
    SettingsFileSwap& operator=(const SettingsFileSwap&) = delete;

  private:
    void Write(const QByteArray& text) const
    {
        QFile file(m_name);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
            throw std::runtime_error("cannot write ZARVO2.ini");
    }

    QString m_name;
    QByteArray m_old;
    bool m_existed = false;
};

// The tray's tip after a call left a message while the program ran. A bare X server has no
// notification area, so the tip is drawn as the desktop shows it: the marked icon and its text.
void TakeTrayTip(zarvo::shots::Context& c, zarvo::THaupt& haupt, zarvo::emu::ModemEmulator& modem,
                 const std::string& demo, qint64& now)
{
    namespace emu = zarvo::emu;
    haupt.Opts.Autonachr = true;
    modem.arrive(Demo(emu::voiceMessage(emu::readFileBytes(demo + "nachricht1.gsm")), "0301 1234567", 255));
    now += qint64(haupt.Opts.AutonTi > 0 ? haupt.Opts.AutonTi : 10) * 60 * 1000;
    haupt.PollNewMessages();

    QWidget tip;
    tip.setWindowTitle(QStringLiteral("Zarvo"));
    auto* row = new QHBoxLayout(&tip);
    auto* icon = new QLabel;
    icon->setPixmap(haupt.TaskIcon1->Icon().pixmap(24, 24));
    auto* text = new QLabel(haupt.TaskIcon1->Hint());
    text->setObjectName(QStringLiteral("TrayTip"));
    text->setFrameShape(QFrame::Box);
    text->setMargin(4);
    text->setAutoFillBackground(true);
    QPalette palette = text->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::ToolTipBase));
    palette.setColor(QPalette::WindowText, palette.color(QPalette::ToolTipText));
    text->setPalette(palette);
    row->addWidget(icon, 0, Qt::AlignBottom);
    row->addWidget(text, 0, Qt::AlignTop);
    c.save(&tip, QStringLiteral("tray-tip"));
}

void TakeMainShots(zarvo::shots::Context& c)
{
    namespace emu = zarvo::emu;
    zarvo::UseGermanLocale();
    const std::string demo = (c.dataDir() + QStringLiteral("/demo/")).toStdString();
    QTemporaryDir linkDir;
    emu::EmulatorOptions o;
    o.linkPath = linkDir.filePath(QStringLiteral("modem")).toStdString();
    o.messages.push_back(
        Demo(emu::voiceMessage(emu::readFileBytes(demo + "nachricht1.gsm")), "Demo nachricht1", 252));
    o.messages.push_back(
        Demo(emu::voiceMessage(emu::readFileBytes(demo + "nachricht2.gsm")), "Demo nachricht2", 255));
    o.messages.push_back(
        Demo(emu::faxMessage({emu::readFileBytes(demo + "fax3-1.g3"), emu::readFileBytes(demo + "fax3-2.g3"),
                              emu::readFileBytes(demo + "fax3-3.g3")}),
             "Demo Fax", 253));
    emu::ModemEmulator modem(o);
    modem.start();

    // The shots of other areas share the program directory: put its settings file back afterwards.
    const SettingsFileSwap settings(
        "[Ports]\nCOM1=" + QFile::encodeName(QString::fromStdString(o.linkPath)) +
        "\n[Modem]\nComPort=1\n[ModemOpt]\nFax_recv=1\nVoice_recv=1\nRing_setup=2\n");

    zarvo::THaupt haupt;
    auto* optionen = new zarvo::TOptionen(*haupt.Zarvo1, haupt.Opts, &haupt);
    auto* wave = new zarvo::TWave(&haupt);
    auto* about = new zarvo::TAboutBox(&haupt);
    haupt.SetWindows(optionen, wave, about);
    qint64 now = 0; // the new-message poll's clock, moved on by hand for the tray's tip
    haupt.PollClock = [&now] { return now; };
    haupt.FormActivate(); // the new-message question is answered No on standard error
    haupt.SetCurrentRow(2);
    c.save(&haupt, QStringLiteral("main-window"));
    haupt.Z_StatusExecute();
    c.save(&haupt, QStringLiteral("main-window-status"));
    c.save(about, QStringLiteral("about-box"));
    about->hide();
    TakeTrayTip(c, haupt, modem, demo, now);
    haupt.Opts.UnAbEn = false;
    haupt.close();
    // The window of a desktop start that waits for a batch run.
    zarvo::TBatchWait wait;
    c.save(&wait, QStringLiteral("batch-wait"));
}

} // namespace

static zarvo::shots::Register reg("main", [](zarvo::shots::Context& c) {
    try {
        TakeMainShots(c);
    }
    catch (const std::exception& e) {
        std::fprintf(stderr, "main: %s\n", e.what());
    }
});
