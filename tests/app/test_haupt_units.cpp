// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's widget-free rules: new-message rows, size rules, activation, start mode, log
// file, about line.
#include "app/About.h"
#include "core/ActivationFilter.h"
#include "core/MessageList.h"
#include "core/StartMode.h"
#include "core/StatusLogFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

namespace zarvo::test {
namespace {

TEST(HauptRows, UnlistenedAreTheFalseRowsOnly)
{
    std::vector<MessageRow> rows(4);
    rows[0][2] = "True";
    rows[1][2] = "false";
    rows[2][2] = ""; // a row whose entry could not be read
    rows[3][2] = "false";
    EXPECT_EQ(UnlistenedMessages(rows), (std::vector<int>{2, 4}));
}

TEST(HauptSizes, WidthJumpsBetween368And369)
{
    EXPECT_EQ(FittedClientWidth(0), 419);
    EXPECT_EQ(FittedClientWidth(368), 419);
    EXPECT_EQ(FittedClientWidth(369), 435);
    EXPECT_EQ(FittedClientWidth(500), 566);
    EXPECT_EQ(ColumnWidth(40, 8), 51);
}

TEST(HauptSizes, CellImageSitsLeftOfTheMiddleRoundedHalfToEven)
{
    EXPECT_EQ(CellImageX(0, 64), 16);
    EXPECT_EQ(CellImageX(10, 15), 10 + 2 - 16); // 2.5 -> 2
    EXPECT_EQ(CellImageX(10, 17), 10 + 4 - 16); // 3.5 -> 4
}

TEST(HauptActivation, OnlyReturnsFromOurOwnWindowsCount)
{
    int main = 0, dialog = 0, viewer = 0;
    ActivationFilter f;
    EXPECT_TRUE(f.FocusChanged(&main, &main));    // first showing
    EXPECT_FALSE(f.FocusChanged(nullptr, &main)); // another program
    EXPECT_FALSE(f.FocusChanged(&main, &main));   // ... and back: no check
    EXPECT_FALSE(f.FocusChanged(&dialog, &main));
    EXPECT_FALSE(f.FocusChanged(nullptr, &main)); // the dialog closes, focus passes through nothing
    EXPECT_TRUE(f.FocusChanged(&main, &main));
    EXPECT_FALSE(f.FocusChanged(&viewer, &main));
    EXPECT_TRUE(f.FocusChanged(&main, &main));
}

TEST(HauptStartMode, DisplayAndBatchSwitches)
{
    std::map<std::string, QByteArray> variables;
    const auto read = [&variables](const char* name) { return variables[name]; };
    EXPECT_FALSE(HasDisplay(read));
    variables["WAYLAND_DISPLAY"] = "wayland-0";
    EXPECT_TRUE(HasDisplay(read));
    variables.clear();
    variables["QT_QPA_PLATFORM"] = "offscreen";
    EXPECT_TRUE(HasDisplay(read));

    EXPECT_FALSE(IsBatchRun({"zarvo"}));
    EXPECT_FALSE(IsBatchRun({"zarvo", "/AUTORUN", "/LOG"}));
    EXPECT_TRUE(IsBatchRun({"zarvo", "-h"}));
    EXPECT_TRUE(IsBatchRun({"zarvo", "/stp:/tmp/x"}));
    EXPECT_TRUE(IsBatchRun({"zarvo", "xDELETEALL"}));
}

TEST(HauptLogFile, LinesEndWithCrLfAndFailureNamesTheFile)
{
    QTemporaryDir dir;
    const QString name = dir.filePath("ZARVO.LOG");
    SaveStatusLog(QString::fromUtf8("<ATE0V1+MSR=0\n>OK\n-Fehlschlag bei ATE0V1+MSR=0 ä"), name);
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromLocal8Bit(f.readAll()),
              QString::fromUtf8("<ATE0V1+MSR=0\r\n>OK\r\n-Fehlschlag bei ATE0V1+MSR=0 ä\r\n"));
    const QString bad = dir.filePath("missing/ZARVO.LOG");
    try {
        SaveStatusLog("x", bad);
        FAIL() << "no error";
    }
    catch (const std::runtime_error& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()), "Datei " + bad + " kann nicht erstellt werden");
    }
}

TEST(HauptAbout, VersionLineHasFourNumbers)
{
    EXPECT_EQ(AboutVersionLine("2.0.4.1"), "Version 2.0.4.1 Build 240103");
    EXPECT_EQ(AboutVersionLine("0.1.0"), "Version 0.1.0.0 Build 240103");
}

} // namespace
} // namespace zarvo::test
