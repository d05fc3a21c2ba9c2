// SPDX-License-Identifier: GPL-3.0-or-later
// The options dialog against the emulated modem: OK, Abbrechen, port test, typed-value checks.
#include "EmulatorFixture.h"
#include "Recording.h"
#include "ScriptedMessages.h"
#include "app/HelpAccess.h"
#include "app/UOptionen.h"
#include "common/IniProfile.h"
#include "core/OptionSequences.h"
#include "modem/ComDrv32.h"
#include "modem/Zarvo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

namespace zarvo::test {
namespace {

using Lines = std::vector<std::string>;
const Lines kQueries = {"ATE0V1+MCD?", "ATE0V1+MCF?", "ATE0V1+MCL?", "ATE0V1+MCM?",
                        "ATE0V1+MCP?", "ATE0V1+MCR?", "ATE0V1+MCV?", "ATE0V1+MFI?"};

Lines Then(Lines a, const Lines& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The emulator's power-on settings as the program's record.
emu::EmulatorOptions ModemWith(const QString& faxId)
{
    emu::EmulatorOptions o;
    o.settings.faxRecv = true;
    o.settings.voiceRecv = true;
    o.settings.rings = 3;
    o.settings.password = "1234";
    o.settings.faxId = faxId.toStdString();
    return o;
}

TOpts MatchingOpts(const QString& faxId)
{
    TOpts o;
    o.ComPort = 1;
    o.LineKabel = true;
    o.UnAbEn = true;
    o.ModemOptions.FaxRecv = true;
    o.ModemOptions.VoiceRecv = true;
    o.ModemOptions.RingSetup = 3;
    o.ModemOptions.DRPassword = QStringLiteral("1234");
    o.ModemOptions.FaxId = faxId;
    return o;
}

// A connected modem component, the main window's settings and the dialog over both.
class OptionenTest : public ::testing::Test {
  protected:
    explicit OptionenTest(const QString& extraIni = QStringLiteral("COM5=/nonexistent/zarvo-tty\n"))
        : modem(ModemWith(QStringLiteral("Alt")), 1, extraIni)
    {
        zarvo.StatusPanel = &status;
        zarvo.ReportMemo = &log;
        EXPECT_EQ(zarvo.TestPort(1), 0);
        opts = MatchingOpts(QStringLiteral("Alt"));
        dialog = std::make_unique<TOptionen>(zarvo, opts);
        dialog->LineActionsVisible = [this](bool v) { lineActions.push_back(v); };
        modem.clearTranscript();
    }

    template <class W> W* Child(const char* name) { return dialog->findChild<W*>(QLatin1String(name)); }
    // Shows the dialog filled with the current settings, lets `user` act on it, and returns the
    // dialog's result.
    int Show(const std::function<void()>& user)
    {
        dialog->OptsToDialog(opts);
        dialog->ModalHook = [&](TOptionen& d) {
            user();
            return d.result();
        };
        return dialog->ShowModal();
    }
    QString FileValue(const char* section, const char* key)
    {
        return IniProfile(TOptionen::SettingsFileName())
            .readString(QLatin1String(section), QLatin1String(key), "-");
    }

    EmulatorFixture modem;
    RecordingStatus status;
    RecordingReport log;
    TZarvo zarvo;
    TOpts opts;
    std::unique_ptr<TOptionen> dialog;
    std::vector<bool> lineActions;
    ScriptedMessages boxes;
};

TEST_F(OptionenTest, OkWithTheSamePortWritesOnlyWhatDiffersAndSavesTheFile)
{
    const int result = Show([&] {
        Child<QLineEdit>("EdFax_ID")->setText(QStringLiteral("Neu 123"));
        Child<QCheckBox>("CBLine")->setChecked(false);
        Child<QPushButton>("OkBtn")->click();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(modem.transcript(), Then(kQueries, {"ATE0V1+MFI=\"Neu 123\"", "ATE0V1+MCW"}))
        << "no port test, only the changed option, then stored";
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(opts.ModemOptions.FaxId, QStringLiteral("Neu 123"));
    EXPECT_FALSE(opts.LineKabel);
    EXPECT_EQ(lineActions, std::vector<bool>{false});
    EXPECT_EQ(FileValue("ModemOpt", "Fax_ID"), QStringLiteral("Neu 123"));
    EXPECT_EQ(FileValue("Modem", "ComPort"), QStringLiteral("1"));
    EXPECT_EQ(FileValue("Modem", "LineKabel"), QStringLiteral("0"));
    EXPECT_EQ(FileValue("ModemOpt", "Local_Mode"), QStringLiteral("0"));
}

TEST_F(OptionenTest, OkWithANewPortWithoutModemKeepsTheOldPortButSavesTheNewOne)
{
    Show([&] {
        dialog->ChoosePort(QStringLiteral("/nonexistent/zarvo-tty"));
        Child<QPushButton>("OkBtn")->click();
    });
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(
        boxes.shown[0].text.startsWith(QStringLiteral("Am Com5 befindet sich kein USR Modem\r\r"
                                                      "Gerät /nonexistent/zarvo-tty nicht gefunden.")))
        << boxes.shown[0].text.toStdString();
    EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("ZARVO"));
    EXPECT_EQ(opts.ComPort, 1) << "the running program keeps the old port";
    EXPECT_EQ(FileValue("Modem", "ComPort"), QStringLiteral("5")) << "the file gets the new one";
    EXPECT_EQ(zarvo.MainPort->ComPort(), pnCOM1);
    EXPECT_EQ(lineActions, std::vector<bool>{true}) << "the line actions follow the record even on failure";
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(OptionenTest, ForcedNewPortIsTakenWithoutTestOrMessage)
{
    TOpts wanted = opts;
    wanted.ComPort = 5;
    wanted.ForcePort = true;
    // The port is taken; nothing answers there, so the options are not reported as set.
    EXPECT_FALSE(dialog->ApplyOpts(wanted));
    EXPECT_FALSE(status.history.contains(QStringLiteral("Modem wurde eingestellt.")));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(opts.ComPort, 5);
    EXPECT_EQ(zarvo.MainPort->ComPort(), pnCOM5);
}

TEST_F(OptionenTest, AbbrechenChangesNothing)
{
    const int result = Show([&] {
        Child<QLineEdit>("EdFax_ID")->setText(QStringLiteral("Verworfen"));
        Child<QPushButton>("BitBtn2")->click();
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_TRUE(modem.transcript().empty());
    EXPECT_EQ(opts, MatchingOpts(QStringLiteral("Alt")));
    EXPECT_EQ(FileValue("Modem", "ComPort"), QStringLiteral("-")) << "nothing saved";
}

TEST_F(OptionenTest, FillingAndCollectingKeepEveryField)
{
    TOpts o;
    o.ComPort = 7;
    o.ForcePort = o.DFUE = o.Faxmon = o.Autonachr = true;
    o.AutonTi = 25;
    o.FaxView = 2;
    o.ExtFax = QStringLiteral("/usr/bin/eog");
    o.ModemOptions = {true, false, false, true, QStringLiteral("42"), 6, false, QStringLiteral("Büro")};
    dialog->OptsToDialog(o);
    TOpts back;
    dialog->DialogToOpts(back);
    EXPECT_EQ(back, o);
    EXPECT_TRUE(Child<QComboBox>("CBComPort")->currentText().startsWith(QStringLiteral("COM7")));

    o.ComPort = 0;
    o.ModemOptions.RingSetup = 0; // fresh settings
    dialog->OptsToDialog(o);
    dialog->DialogToOpts(back);
    EXPECT_EQ(back.ComPort, 0) << "no selection";
    EXPECT_EQ(back.ModemOptions.RingSetup, 1) << "clamped by the spin edit";
}

TEST_F(OptionenTest, NoticeSwitchAndIntervalAreShownAndKeptWithinADay)
{
    auto* notice = Child<QCheckBox>("CBa_Autonachr");
    auto* interval = Child<QSpinBox>("SEAutonachr");
    EXPECT_TRUE(notice->isEnabled() && !notice->isHidden());
    EXPECT_TRUE(interval->isEnabled() && !interval->isHidden());
    EXPECT_EQ(notice->text(), QStringLiteral("Neue Nachrichten melden"));
    EXPECT_EQ(notice->toolTip(), QStringLiteral("Meldet sich automatisch, wenn neue Nachrichten eingehen"));
    TOpts o;
    for (const auto& [stored, shown] :
         std::vector<std::pair<int, int>>{{0, 1}, {10, 10}, {1440, 1440}, {5000, 1440}}) {
        o.AutonTi = stored;
        dialog->OptsToDialog(o);
        TOpts back;
        dialog->DialogToOpts(back);
        EXPECT_EQ(back.AutonTi, shown) << stored;
    }
}

TEST_F(OptionenTest, PortDropDownShowsTheMappedDevices)
{
    dialog->OptsToDialog(opts);
    auto* box = Child<QComboBox>("CBComPort");
    EXPECT_EQ(box->currentText(), "COM1: " + modem.portPathQ());
    EXPECT_EQ(box->findText(QStringLiteral("COM5: /nonexistent/zarvo-tty (nicht vorhanden)")),
              box->count() - 1);
    EXPECT_EQ(Child<QLabel>("LComPortKey")->toolTip(), "COM1 = " + modem.portPathQ());
}

TEST_F(OptionenTest, ComTestReportsAndShowsTheModemsOptions)
{
    dialog->OptsToDialog(TOpts{});
    dialog->ChoosePort(modem.portPathQ());
    Child<QPushButton>("ComTest")->click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("ComPort und Modem ist okay!"));
    EXPECT_EQ(Child<QLineEdit>("EdFax_ID")->text(), QStringLiteral("Alt"));
    EXPECT_EQ(Child<QSpinBox>("SERing_Setup")->value(), 3);
    EXPECT_TRUE(Child<QCheckBox>("CBVoice_recv")->isChecked());
    EXPECT_EQ(Child<QLineEdit>("EdDR_Password")->text(), QStringLiteral("1234"));

    dialog->ChoosePort(QStringLiteral("/nonexistent/zarvo-tty"));
    Child<QPushButton>("ComTest")->click();
    EXPECT_TRUE(boxes.shown.back().text.startsWith(
        QStringLiteral("Kein gültiger ComPort !\r\rGerät /nonexistent/zarvo-tty nicht gefunden.")));
    EXPECT_EQ(opts, MatchingOpts(QStringLiteral("Alt"))) << "the test changes no settings";
}

// A typed device the file does not know yet gets a free COMn in [Ports] before it is tested; a
// port the system refuses says why in the port test's message.
TEST_F(OptionenTest, TypedPathIsKeptUnderAFreeComKeyAndARefusalSaysWhy)
{
    int master = -1, slave = -1;
    char name[256] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    ::close(slave);
    const QString silent = QString::fromLocal8Bit(name);

    Show([&] {
        dialog->ChoosePort("  " + silent + " "); // typed, blanks and all
        Child<QPushButton>("OkBtn")->click();
    });
    const QString port = FileValue("Modem", "ComPort");
    EXPECT_NE(port, "1") << "the port in use keeps its key";
    EXPECT_NE(port, "5") << "a key the user set by hand is taken last";
    EXPECT_EQ(FileValue("Ports", ("COM" + port).toLatin1().constData()), silent);
    EXPECT_EQ(FileValue("Ports", "COM1"), modem.portPathQ());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Am Com" + port + " befindet sich kein USR Modem")
        << "tested: nobody answers";
    EXPECT_EQ(opts.ComPort, 1);

    // The same device chosen again keeps its key; the system refuses it this time.
    Show([&] {
        dialog->ChoosePort(silent);
        EXPECT_TRUE(Child<QComboBox>("CBComPort")->currentText().startsWith("COM" + port + ": " + silent));
        SetOpenFaultHook([](const QString&) { return EACCES; });
        Child<QPushButton>("ComTest")->click();
        SetOpenFaultHook(nullptr);
        Child<QPushButton>("BitBtn2")->click();
    });
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_TRUE(boxes.shown[1].text.startsWith("Kein Modem an ComPort !\r\rKeine Berechtigung für " + silent))
        << boxes.shown[1].text.toStdString();
    EXPECT_TRUE(boxes.shown[1].text.contains("usermod") || boxes.shown[1].text.contains("anmelden"));
    EXPECT_EQ(FileValue("Modem", "ComPort"), port);
    ::close(master);
}

TEST(PortTestTextTest, GivesTheFourMessagesAndNoneOtherwise)
{
    EXPECT_EQ(PortTestText(2), QStringLiteral("Kein Modem an ComPort !"));
    EXPECT_EQ(PortTestText(3), QStringLiteral("Kein US Robotics Message Modem an ComPort"));
    EXPECT_TRUE(PortTestText(5).isEmpty());
    EXPECT_EQ(NoModemText(3), QStringLiteral("Am Com3 befindet sich kein USR Modem"));
}

TEST_F(OptionenTest, PasswordWithALetterIsRefusedAndEmptied)
{
    auto* pw = Child<QLineEdit>("EdDR_Password");
    pw->clear();
    QTest::keyClicks(pw, QStringLiteral("12"));
    EXPECT_TRUE(boxes.shown.empty());
    QTest::keyClicks(pw, QStringLiteral("a"));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Paßwort fehlerhaft (nur Zahlen sind erlaubt)!"));
    EXPECT_TRUE(pw->text().isEmpty());

    TOpts stored = opts;
    stored.ModemOptions.DRPassword = QStringLiteral("ab");
    dialog->OptsToDialog(stored);
    EXPECT_EQ(boxes.shown.size(), 2u) << "a stored non-number is refused when the dialog is filled";
    EXPECT_TRUE(pw->text().isEmpty());
}

TEST_F(OptionenTest, FaxIdKeepsOnlyWhatTheQuotedCommandCarries)
{
    auto* id = Child<QLineEdit>("EdFax_ID");
    id->clear();
    QTest::keyClicks(id, QStringLiteral("Ab\"c"));
    id->insert(QStringLiteral("€ä")); // pasted
    EXPECT_EQ(id->text(), QStringLiteral("Abcä"));

    // A quote from a hand-edited settings file never reaches the modem.
    TOpts wanted = opts;
    wanted.ModemOptions.FaxId = QStringLiteral("x\"y");
    EXPECT_TRUE(dialog->ApplyOpts(wanted));
    EXPECT_EQ(modem.transcript(), Then(kQueries, {"ATE0V1+MFI=\"xy\"", "ATE0V1+MCW"}));
}

// The modem takes 20 characters of fax ID: the field keeps no more. Where the modem refuses an
// option all the same, nothing is stored with "+MCW" and neither the status bar nor the dialog
// claims success.
TEST_F(OptionenTest, RefusedOptionIsReportedAndNeverStored)
{
    Show([&] {
        Child<QLineEdit>("EdFax_ID")->setText(QString(25, u'F'));
        Child<QPushButton>("OkBtn")->click();
    });
    EXPECT_EQ(modem.transcript(),
              Then(kQueries, {"ATE0V1+MFI=\"" + std::string(20, 'F') + "\"", "ATE0V1+MCW"}));
    EXPECT_EQ(status.current, QStringLiteral("Modem wurde eingestellt."));

    emu::Faults refuse;
    refuse.error.match = "+MFI=";
    modem.setFaults(refuse);
    modem.clearTranscript();
    status.history.clear();
    Show([&] {
        Child<QLineEdit>("EdDR_Password")->setText(QStringLiteral("4321"));
        Child<QLineEdit>("EdFax_ID")->setText(QStringLiteral("Neu"));
        Child<QPushButton>("OkBtn")->click();
    });
    const Lines t = modem.transcript();
    const auto count = [&t](const std::string& line) { return std::count(t.begin(), t.end(), line); };
    EXPECT_EQ(count("ATE0V1+MCP=4321"), 1);
    EXPECT_EQ(count("ATE0V1+MFI=\"Neu\""), 1);
    EXPECT_EQ(count("ATE0V1+MCW"), 0);
    EXPECT_EQ(modem.emulator().storedSettings().password, "1234") << "nothing stored";
    EXPECT_FALSE(status.history.contains(QStringLiteral("Modem wurde eingestellt.")));
    EXPECT_EQ(status.current, QStringLiteral("Fehlschlag bei ATE0V1+MFI=\"Neu\""));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.startsWith(QStringLiteral("Das Modem wurde nicht eingestellt")));
}

// Enter in a text field means OK, never the focused page's button; the buttons stand in the order
// OK, Hilfe, Abbrechen; a pasted line break never reaches a field.
TEST_F(OptionenTest, EnterMeansOkAndTheButtonsKeepTheirOrder)
{
    QTemporaryDir config;
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    std::vector<int> lefts;
    const int result = Show([&] {
        for (const char* name : {"OkBtn", "BitBtn1", "BitBtn2"})
            lefts.push_back(Child<QPushButton>(name)->mapTo(dialog.get(), QPoint()).x());
        dialog->SetActivePage(TOptionen::Page::TSProg);
        auto* ext = Child<QLineEdit>("EExtFax");
        ext->setText(QStringLiteral("viewer\n--evil\r"));
        EXPECT_EQ(ext->text(), QStringLiteral("viewer--evil"));
        ext->setFocus();
        QTest::keyClick(ext, Qt::Key_Return);
    });
    saved.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", saved);
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_FALSE(QFile::exists(config.filePath(QStringLiteral("autostart/ZARVO2.desktop"))));
    ASSERT_EQ(lefts.size(), 3u);
    EXPECT_LT(lefts[0], lefts[1]);
    EXPECT_LT(lefts[1], lefts[2]);
    EXPECT_EQ(FileValue("Prog", "ExtFax"), QStringLiteral("viewer--evil"));
}

TEST(OptionChecksTest, PasswordIsDigitsOnly)
{
    const struct {
        const char* text;
        bool ok;
    } cases[] = {{"", true},     {"0815", true}, {"-12", false}, {" 12", false},
                 {"12 ", false}, {"+1", false},  {"1a", false}};
    for (const auto& c : cases)
        EXPECT_EQ(PasswordAcceptable(QString::fromLatin1(c.text)), c.ok) << c.text;
}

// A settings file that cannot be written (here a folder stands in its place, which stops root too).
TEST(OptionenFileTest, UnwritableFileKeepsTheDialogOpenAfterApplying)
{
    QTemporaryDir home;
    const QByteArray saved = qgetenv("ZARVO_HOME");
    qputenv("ZARVO_HOME", home.path().toLocal8Bit());
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("ZARVO2.ini")));
    ScriptedMessages boxes;
    TZarvo zarvo; // no modem: applying writes nothing to it
    TOpts opts;
    opts.ComPort = 1;
    TOptionen dialog(zarvo, opts);
    dialog.OptsToDialog(opts);
    dialog.ModalHook = [&](TOptionen& d) {
        d.findChild<QLineEdit*>(QStringLiteral("EdFax_ID"))->setText(QStringLiteral("Neu"));
        d.findChild<QPushButton*>(QStringLiteral("OkBtn"))->click();
        EXPECT_TRUE(d.isVisible()) << "the dialog stays open";
        return d.result();
    };
    EXPECT_EQ(dialog.ShowModal(), QDialog::Rejected);
    saved.isNull() ? qunsetenv("ZARVO_HOME") : qputenv("ZARVO_HOME", saved);
    // Without a modem nothing was set, which is said first; then the file's failure.
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_TRUE(boxes.shown[0].text.startsWith(QStringLiteral("Das Modem wurde nicht eingestellt")));
    EXPECT_EQ(boxes.shown[1].kind, ScriptedMessages::Kind::Error);
    EXPECT_TRUE(boxes.shown[1].text.startsWith(QStringLiteral("In "))) << boxes.shown[1].text.toStdString();
    EXPECT_EQ(opts.ModemOptions.FaxId, QStringLiteral("Neu")) << "applied all the same";
}

TEST_F(OptionenTest, ArchivePageComesFromTheFileAndOkWritesIt)
{
    IniProfile(TOptionen::SettingsFileName()).writeString("Archiv", "Befehl", "mail-it --neu");
    Show([&] {
        EXPECT_EQ(Child<QLineEdit>("EArchivBefehl")->text(), "mail-it --neu");
        EXPECT_TRUE(Child<QLineEdit>("EArchivOrdner")->placeholderText().endsWith("/Archiv"));
        Child<QLineEdit>("EArchivOrdner")->setText("/srv/archiv");
        Child<QCheckBox>("CBArchivSofort")->setChecked(true);
        Child<QPushButton>("OkBtn")->click();
    });
    EXPECT_EQ(FileValue("Archiv", "Ordner"), "/srv/archiv");
    EXPECT_EQ(FileValue("Archiv", "Sofort"), "1");
    EXPECT_EQ(FileValue("Archiv", "Befehl"), "mail-it --neu");
}

TEST_F(OptionenTest, HelpFollowsTheActivePage)
{
    std::vector<QUrl> opened;
    SetHelpUrlOpener([&](const QUrl& u) {
        opened.push_back(u);
        return true;
    });
    for (auto page : {TOptionen::Page::TSProg, TOptionen::Page::TSHintergrund, TOptionen::Page::TSModem,
                      TOptionen::Page::TSArchiv}) {
        dialog->SetActivePage(page);
        Child<QPushButton>("BitBtn1")->click();
    }
    SetHelpUrlOpener({});
    ASSERT_EQ(opened.size(), 4u);
    EXPECT_EQ(opened[0].fragment(), QStringLiteral("programm"));
    EXPECT_EQ(opened[1].fragment(), QStringLiteral("hintergrund"));
    EXPECT_EQ(opened[2].fragment(), QStringLiteral("modme"));
    EXPECT_EQ(opened[3].fragment(), QStringLiteral("archiv"));
    EXPECT_TRUE(opened[2].toLocalFile().endsWith(QStringLiteral("/optdlg.htm")));
}

} // namespace
} // namespace zarvo::test
