// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's commands on the emulated modem.
#include "test_haupt_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTableWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

namespace zarvo::test {
namespace {

emu::EmulatorOptions ThreeVoices()
{
    emu::EmulatorOptions o;
    o.messages = {DemoVoice(253), DemoVoice(253), DemoVoice(253)};
    return o;
}

TEST(HauptCommands, EraseAnsweredNoStillChecksTheList)
{
    EmulatorFixture modem(ThreeVoices(), 1, "[Modem]\nComPort=1\n" + ModemOptSection());
    HauptWindows w;
    w.haupt.FormActivate();
    modem.clearTranscript();
    w.action("AC_Speicherloesch")->trigger();
    // Not archiving first (No) leaves the erase as it was.
    ASSERT_EQ(w.boxes.shown.size(), 2u);
    EXPECT_TRUE(w.boxes.shown[0].text.contains("nicht archiviert")) << w.boxes.shown[0].text.toStdString();
    w.boxes.shown.erase(w.boxes.shown.begin());
    EXPECT_EQ(w.boxes.shown[0].caption, "Zarvo");
    EXPECT_EQ(w.boxes.shown[0].text, QString::fromUtf8("Soll der Speicher wirklich gelöscht werden?"));
    EXPECT_EQ(modem.transcript(), (std::vector<std::string>{"ATE0V1+MSR=0"}));
    EXPECT_EQ(w.haupt.RowCount(), 4);

    // A call came in while the question waited, and the list was read again (the window activated):
    // the rows shown are archived, and the erase takes nothing the list did not show when chosen.
    w.boxes.beforeAnswer = [&] {
        ASSERT_TRUE(modem.emulator().arrive(DemoVoice(253)));
        w.haupt.CheckNewMessages();
    };
    w.boxes.answers = {true, true};
    w.action("AC_Speicherloesch")->trigger();
    EXPECT_EQ(CountOf(modem.transcript(), "AT+MEM"), 0);
    EXPECT_EQ(w.haupt.RowCount(), 5);
    EXPECT_TRUE(w.boxes.shown.back().text.contains("nicht gelöscht"))
        << w.boxes.shown.back().text.toStdString();

    w.boxes.shown.clear();
    w.boxes.answers = {false, true};
    w.action("AC_Speicherloesch")->trigger();
    EXPECT_EQ(CountOf(modem.transcript(), "AT+MEM"), 1);
    EXPECT_EQ(w.haupt.RowCount(), 1);
    ASSERT_EQ(w.boxes.shown.size(), 2u);
}

TEST(HauptCommands, LinePlaybackAndStopUseTheCurrentRow)
{
    EmulatorFixture modem(ThreeVoices(), 1, "[Modem]\nComPort=1\n" + ModemOptSection());
    HauptWindows w;
    w.haupt.FormActivate();
    EXPECT_TRUE(w.action("LAbspielen")->isVisible()); // the line cable is on by default
    w.haupt.SetCurrentRow(2);
    w.action("LAbspielen")->trigger();
    w.haupt.SetCurrentRow(3);
    w.action("LStoppen")->trigger();
    w.haupt.SetCurrentRow(0);
    w.action("LAbspielen")->trigger(); // header row: nothing
    const auto t = modem.transcript();
    EXPECT_EQ(CountOf(t, "ATE0V1+MVP=2"), 1);
    EXPECT_EQ(CountOf(t, "ATE0V1+MVP3"), 1);
    EXPECT_EQ(modem.emulator().playbackCommands(), (std::vector<std::string>{"+MVP=2", "+MVP3"}));
}

TEST(HauptCommands, MarkAsReadDownloadsOnlyWithAMessageRow)
{
    emu::EmulatorOptions o;
    o.messages = {DemoVoice(255)};
    EmulatorFixture modem(o, 1, "[Modem]\nComPort=1\n" + ModemOptSection());
    HauptWindows w;
    w.haupt.FormActivate(); // the question is answered No
    modem.clearTranscript();
    w.haupt.SetCurrentRow(0);
    w.action("AC_Nachrge")->trigger();
    EXPECT_TRUE(modem.transcript().empty());
    w.haupt.SetCurrentRow(1);
    w.action("AC_Nachrge")->trigger();
    EXPECT_GE(CountOf(modem.transcript(), "ATE0V1+MSR=1"), 1);
    EXPECT_NE(modem.emulator().directory().at(0).state, 255);
    EXPECT_EQ(w.haupt.Cell(2, 1), "false"); // the list shows the flags of its last rebuild
    EXPECT_TRUE(w.played.empty());
}

// The list keeps its current row across a rebuild and always shows it selected; without one the
// row commands are greyed and send nothing; Enter opens the row; the window stays centred.
TEST(HauptCommands, CurrentRowSurvivesRebuildsAndIsAlwaysTheSelectedOne)
{
    EmulatorFixture modem(ThreeVoices(), 1, "[Modem]\nComPort=1\n" + ModemOptSection());
    HauptWindows w;
    w.haupt.show();
    w.haupt.FormActivate();
    ASSERT_EQ(w.haupt.RowCount(), 4);
    const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE(std::abs(w.haupt.geometry().center().x() - centre.x()), 2) << "centred at its fitted width";

    QTableWidget* grid = w.haupt.findChild<QTableWidget*>("SG");
    w.haupt.SetCurrentRow(2);
    w.action("AC_Modemreset")->trigger(); // Ctrl+R rebuilds the list
    EXPECT_EQ(w.haupt.CurrentRow(), 2);
    EXPECT_TRUE(grid->selectionModel()->isRowSelected(1, {}));

    // No current row: the row commands are greyed and do nothing.
    w.haupt.SetCurrentRow(0);
    for (const char* name : {"Abspielen", "LAbspielen", "LStoppen", "AC_Nachrge"})
        EXPECT_FALSE(w.action(name)->isEnabled()) << name;
    modem.clearTranscript();
    w.haupt.LStoppenExecute();
    EXPECT_TRUE(modem.transcript().empty());

    // A current cell given without a selection (as a focus change does) is shown selected.
    grid->selectionModel()->setCurrentIndex(grid->model()->index(2, 0), QItemSelectionModel::NoUpdate);
    EXPECT_TRUE(grid->selectionModel()->isRowSelected(2, {}));
    EXPECT_TRUE(w.action("LStoppen")->isEnabled());

    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_EQ(w.played.size(), 1u) << "Enter plays the row as a double click does";

    // The voice window's help button carries the main window's help image.
    const auto* help = w.wave->findChild<QToolButton*>("SpeedButton3");
    EXPECT_EQ(help->icon().pixmap(16).toImage(), w.action("Hilfe")->icon().pixmap(16).toImage());
}

TEST(HauptCommands, ReloadReconnectsAndAlwaysRebuilds)
{
    EmulatorFixture modem(ThreeVoices(), 1, "[Modem]\nComPort=1\n" + ModemOptSection());
    HauptWindows w;
    w.haupt.FormActivate();
    modem.clearTranscript();
    w.action("AC_Modemreset")->trigger();
    const auto t = modem.transcript();
    ASSERT_FALSE(t.empty());
    EXPECT_EQ(t.front(), "AT+MCL=0");
    EXPECT_EQ(CountOf(t, "ATE0V1+MSR=3"), 1); // rebuilt although the count did not change
    EXPECT_EQ(w.haupt.MessageCount(), 3);
}

TEST(HauptCommands, StatusLogToggleAndClipboard)
{
    EmulatorFixture modem({}, 1, "[Modem]\nComPort=1\n" + ModemOptSection());
    HauptWindows w;
    w.haupt.FormActivate();
    EXPECT_TRUE(w.haupt.Modemstatus->isHidden());
    EXPECT_FALSE(w.action("Z_Status")->isChecked());
    EXPECT_TRUE(w.haupt.Modemstatus->toPlainText().contains("<ATE0V1+MSR=0"));
    w.haupt.findChild<QAction*>("FehlerprotokollinZwischenablage1")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), w.haupt.Modemstatus->toPlainText());

    w.action("Z_Status")->trigger();
    EXPECT_FALSE(w.haupt.Modemstatus->isHidden());
    EXPECT_TRUE(w.action("Z_Status")->isChecked());
    w.haupt.Timer1Timer();
    EXPECT_TRUE(w.haupt.findChild<QAction*>("NotAbbruchderAnwendung1")->isEnabled());
    w.action("Z_Status")->trigger();
    EXPECT_TRUE(w.haupt.Modemstatus->isHidden());
    w.haupt.Timer1Timer();
    EXPECT_FALSE(w.haupt.findChild<QAction*>("NotAbbruchderAnwendung1")->isEnabled());
}

TEST(HauptCommands, BusyTickDisablesCommandsAndShowsWaiting)
{
    EmulatorFixture modem({}, 1, "[Modem]\nComPort=1\n" + ModemOptSection());
    HauptWindows w;
    w.haupt.FormActivate();
    w.haupt.Zarvo1->Busy = true;
    w.haupt.Timer1Timer();
    EXPECT_EQ(w.haupt.StatusPanel1->text(), "warten...");
    EXPECT_FALSE(w.action("Schliessen")->isEnabled());
    EXPECT_FALSE(w.haupt.SG->isEnabled());
    EXPECT_TRUE(w.action("AC_NeuNR")->isEnabled());
    w.haupt.Zarvo1->Busy = false;
    w.haupt.Timer1Timer();
    EXPECT_EQ(w.haupt.StatusPanel1->text(), "");
    EXPECT_TRUE(w.action("Schliessen")->isEnabled());
    EXPECT_FALSE(w.action("Abspielen")->isEnabled()); // empty list
}

TEST(HauptCommands, ImagesAndAbout)
{
    EmulatorFixture modem({}, 1, "[Modem]\nComPort=1\n" + ModemOptSection());
    HauptWindows w;
    EXPECT_FALSE(w.action("AC_Speicherloesch")->icon().isNull()); // the images load from the resources
    w.action("AC_Ueber")->trigger();
    EXPECT_EQ(w.modals, QStringList{"AboutBox"});
    EXPECT_EQ(w.about->windowTitle(), "Info");
    EXPECT_EQ(w.about->Version->text(), AboutVersionLine(ZARVO_VERSION));
}

} // namespace
} // namespace zarvo::test
