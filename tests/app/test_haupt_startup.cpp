// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up of the main window on the emulated modem: settings, connection, the forced port choice,
// and activations.
#include "BuildPaths.h"
#include "common/IniProfile.h"
#include "test_haupt_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryFile>
#include <QTest>
#include <cerrno>
#include <cstdio>
#include <gtest/gtest.h>
#include <unistd.h>

namespace zarvo::test {
namespace {

TEST(HauptStartup, ConfiguredPortConnectsAndWritesOptionsBeforeTheListIsRead)
{
    // Fax reception off in the file, on in the modem: the start-up must write it.
    QString ini = ModemOptSection().replace("Fax_recv=1", "Fax_recv=0");
    EmulatorFixture modem({}, 1, "[Modem]\nComPort=1\n" + ini);
    HauptWindows w;
    w.haupt.FormActivate();

    const auto t = modem.transcript();
    ASSERT_FALSE(t.empty());
    EXPECT_EQ(t.front(), "AT+MCL=0");
    const std::size_t test = IndexOf(t, "ATE0#MDL?");
    const std::size_t write = IndexOf(t, "ATE0V1+MCF=0");
    const std::size_t store = IndexOf(t, "ATE0V1+MCW");
    const std::size_t list = IndexOf(t, "ATE0V1+MSR=0");
    EXPECT_LT(test, write);
    EXPECT_LT(write, store);
    EXPECT_LT(store, list);
    EXPECT_LT(list, t.size());
    EXPECT_FALSE(modem.emulator().storedSettings().faxRecv);
    EXPECT_FALSE(w.haupt.FirstActivate);
    EXPECT_EQ(w.haupt.Opts.ComPort, 1);
    EXPECT_EQ(w.optionenShown, 0);
    EXPECT_EQ(w.haupt.MessageCount(), 0);
    EXPECT_EQ(w.haupt.RowCount(), 1);

    // A second activation neither reads the settings nor reconnects; it only checks the memory.
    modem.clearTranscript();
    w.haupt.FormActivate();
    EXPECT_EQ(modem.transcript(), (std::vector<std::string>{"ATE0V1+MSR=0"}));
}

// Standard error of this process, caught in a file for as long as the object lives.
class CaughtStderr {
  public:
    CaughtStderr() : m_saved(::dup(2))
    {
        m_file.open();
        std::fflush(stderr);
        ::dup2(m_file.handle(), 2);
    }
    ~CaughtStderr() { Restore(); }
    QString Text()
    {
        Restore();
        m_file.seek(0);
        return QString::fromUtf8(m_file.readAll());
    }

  private:
    void Restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_saved, 2);
        ::close(m_saved);
        m_saved = -1;
    }
    QTemporaryFile m_file;
    int m_saved;
};

TEST(HauptStartup, PortThatCannotBeUsedSaysWhyOnStderr)
{
    EmulatorFixture modem({}, 1, "[Modem]\nComPort=1\n" + ModemOptSection());
    HauptWindows w;
    SetOpenFaultHook([](const QString&) { return EBUSY; });
    CaughtStderr err;
    w.haupt.FormActivate();
    SetOpenFaultHook(nullptr);
    const QString text = err.Text();
    EXPECT_TRUE(text.startsWith("zarvo: " + modem.portPathQ() + " wird von einem anderen Programm benutzt"))
        << text.toStdString();
    EXPECT_TRUE(modem.transcript().empty());
    EXPECT_EQ(w.haupt.Zarvo1->PortProblem, text.mid(7).trimmed());
    // The status bar may cut the reason: its tip and the status log hold all of it.
    EXPECT_EQ(w.haupt.StatusPanel0->toolTip(), w.haupt.Zarvo1->PortProblem);
    EXPECT_TRUE(w.haupt.Modemstatus->toPlainText().contains(w.haupt.Zarvo1->PortProblem));
}

TEST(HauptStartup, ForcedPortSendsNoPortTest)
{
    QString ini = ModemOptSection().replace("Ring_setup=2", "Ring_setup=4");
    EmulatorFixture modem({}, 1, "[Modem]\nComPort=1\nForcePort=1\n" + ini);
    HauptWindows w;
    w.haupt.FormActivate();
    const auto t = modem.transcript();
    EXPECT_EQ(CountOf(t, "AT"), 0);
    EXPECT_EQ(CountOf(t, "ATE0#MDL?"), 0);
    EXPECT_LT(IndexOf(t, "ATE0V1+MCR=4"), IndexOf(t, "ATE0V1+MSR=0"));
    EXPECT_EQ(modem.emulator().storedSettings().rings, 4);
}

TEST(HauptStartup, WithoutPortTheOptionsDialogOpensOnModemUntilOneIsChosen)
{
    EmulatorFixture modem({}, 1, ModemOptSection());
    HauptWindows w;
    std::vector<TOptionen::Page> pages;
    w.optionenHook = [&](TOptionen& dialog) {
        pages.push_back(dialog.ActivePage());
        dialog.SetActivePage(TOptionen::Page::TSProg); // the user looks around first
        // A dialog's close reactivates the main window: that must not start the start-up again.
        w.haupt.FormActivate();
        if (w.optionenShown == 1) {
            dialog.BitBtn2Click(); // Abbrechen
            return 0;
        }
        dialog.ChoosePort(modem.portPathQ());
        dialog.OkBtnClick();
        return 1;
    };
    w.haupt.FormActivate();

    EXPECT_EQ(w.optionenShown, 2);
    EXPECT_EQ(pages, (std::vector<TOptionen::Page>{TOptionen::Page::TSModem, TOptionen::Page::TSModem}));
    ASSERT_EQ(w.boxes.shown.size(), 1u);
    EXPECT_EQ(w.boxes.shown[0].text, QString::fromUtf8("Sie müßen einen ComPort auswählen !"));
    EXPECT_EQ(w.boxes.shown[0].caption, "ZARVO");
    EXPECT_EQ(w.haupt.Opts.ComPort, 1);
    EXPECT_FALSE(w.haupt.FirstActivate);
    // One port test (by the dialog's OK), then the list.
    const auto t = modem.transcript();
    EXPECT_EQ(CountOf(t, "ATE0#MDL?"), 1);
    EXPECT_LT(IndexOf(t, "ATE0#MDL?"), IndexOf(t, "ATE0V1+MSR=0"));
}

// The option settings among the lines the modem received (queries and the list are not).
std::vector<std::string> OptionWrites(const std::vector<std::string>& lines)
{
    std::vector<std::string> writes;
    for (const std::string& line : lines)
        for (const char* prefix : {"ATE0V1+MCD=", "ATE0V1+MCF=", "ATE0V1+MCL=", "ATE0V1+MCM=", "ATE0V1+MCP=",
                                   "ATE0V1+MCR=", "ATE0V1+MCV=", "ATE0V1+MFI=", "ATE0V1+MCW"})
            if (line.rfind(prefix, 0) == 0)
                writes.push_back(line);
    return writes;
}

// Settings without [ModemOpt] (a first start, a hand-made file): the modem's own options are the
// truth. The start-up and the forced port choice write nothing the user did not change.
TEST(HauptStartup, WithoutOptionsInTheFileTheModemsOwnAreKept)
{
    emu::EmulatorOptions o;
    o.settings.faxRecv = o.settings.voiceRecv = true;
    o.settings.rings = 3;
    o.settings.password = "1234";
    o.settings.faxId = "Eigene ID";
    const struct {
        const char* name;
        QString ini;
        bool setMonitor; // the user checks the call monitor in the forced port choice
        std::vector<std::string> writes;
    } cases[] = {
        {"configured port", "[Modem]\nComPort=1\n", false, {}},
        {"port chosen, nothing changed", "", false, {}},
        {"port chosen, monitor checked", "", true, {"ATE0V1+MCM=1", "ATE0V1+MCW"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EmulatorFixture modem(o, 1, c.ini);
        HauptWindows w;
        w.optionenHook = [&](TOptionen& dialog) {
            dialog.ChoosePort(modem.portPathQ());
            if (c.setMonitor)
                dialog.findChild<QCheckBox*>("CBCall_Monitor")->setChecked(true);
            dialog.OkBtnClick();
            return 1;
        };
        w.haupt.FormActivate();
        EXPECT_EQ(OptionWrites(modem.transcript()), c.writes);
        const emu::SelfModeSettings stored = modem.emulator().storedSettings();
        EXPECT_TRUE(stored.faxRecv);
        EXPECT_TRUE(stored.voiceRecv);
        EXPECT_EQ(stored.callMonitor, c.setMonitor);
        EXPECT_EQ(stored.password, "1234");
        EXPECT_EQ(stored.faxId, "Eigene ID");
        const tModemOptions& kept = w.haupt.Opts.ModemOptions;
        EXPECT_TRUE(kept.FaxRecv);
        EXPECT_EQ(kept.RingSetup, 3);
        EXPECT_EQ(kept.FaxId, QStringLiteral("Eigene ID"));
        // The file gets the modem's options with OK, never the defaults that stood in for them.
        const IniProfile file(TOptionen::SettingsFileName());
        EXPECT_EQ(file.readString("ModemOpt", "Fax_ID", "-"), c.ini.isEmpty() ? "Eigene ID" : "-");
        EXPECT_EQ(file.readString("ModemOpt", "Fax_recv", "-"), c.ini.isEmpty() ? "1" : "-");
    }
}

// A port without the modem: nothing is written, and the status bar says what failed.
TEST(HauptStartup, WithoutTheModemTheFailureStaysShown)
{
    emu::EmulatorOptions o;
    o.identity = "Hayes Accura 56K";
    EmulatorFixture modem(o, 1, "[Modem]\nComPort=1\n" + ModemOptSection());
    HauptWindows w;
    w.haupt.FormActivate();
    EXPECT_EQ(CountOf(modem.transcript(), "ATE0#MDL?"), 1);
    EXPECT_TRUE(OptionWrites(modem.transcript()).empty());
    EXPECT_EQ(w.haupt.StatusPanel0->text(), QStringLiteral("Am Com1 befindet sich kein USR Modem"));
    EXPECT_EQ(w.haupt.StatusPanel0->toolTip(), w.haupt.StatusPanel0->text());
    EXPECT_TRUE(w.haupt.Modemstatus->toPlainText().endsWith("-Am Com1 befindet sich kein USR Modem"));
}

TEST(HauptStartup, ShowingTheWindowAndReturningFromADialogActivateIt)
{
    EmulatorFixture modem({}, 1, "[Modem]\nComPort=1\n" + ModemOptSection());
    HauptWindows w;
    w.haupt.show();
    w.haupt.activateWindow();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !w.haupt.FirstActivate && w.haupt.MessageCount() == 0; }, 20000));

    modem.clearTranscript();
    QDialog other(&w.haupt);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    other.close();
    w.haupt.activateWindow();
    EXPECT_TRUE(QTest::qWaitFor([&] { return CountOf(modem.transcript(), "ATE0V1+MSR=0") == 1; }, 20000));
}

TEST(HauptStartup, WithoutDisplayTheProgramSaysSoAndEndsWithTwo)
{
    const QString program = QStringLiteral(ZARVO_BINARY_DIR "/src/app/zarvo");
    if (!QFile::exists(program))
        GTEST_SKIP() << "zarvo is not built";
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    QProcess zarvo;
    zarvo.setProcessEnvironment(environment);
    zarvo.start(program, {QStringLiteral("/LOG")});
    ASSERT_TRUE(zarvo.waitForFinished(30000));
    EXPECT_EQ(zarvo.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(zarvo.exitCode(), 2);
    EXPECT_TRUE(QString::fromLocal8Bit(zarvo.readAllStandardError())
                    .contains(QString::fromUtf8("grafische Oberfläche")));
}

} // namespace
} // namespace zarvo::test
