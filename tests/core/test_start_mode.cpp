// SPDX-License-Identifier: GPL-3.0-or-later
// How the program starts: answers given at once, a display or headless, and the unknown switch.
#include "core/CommandLine.h"
#include "core/StartMode.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace zarvo {
namespace {

TEST(StartMode, HelpAndVersionAreAnsweredFirst)
{
    const struct {
        QStringList arguments;
        EarlyAnswer answer;
    } cases[] = {
        {{}, EarlyAnswer::None},
        {{"/STP:/tmp", "/DELETE"}, EarlyAnswer::None},
        {{"/?"}, EarlyAnswer::Usage},
        {{"-h"}, EarlyAnswer::Usage},
        {{"--help"}, EarlyAnswer::Usage},
        {{"/STP:/tmp", "/DELETE", "/?"}, EarlyAnswer::Usage}, // nothing saved, nothing erased
        {{"--version"}, EarlyAnswer::Version},
        {{"-v"}, EarlyAnswer::Version},
        {{"-v", "-h"}, EarlyAnswer::Version}, // the first one counts
    };
    for (const auto& c : cases)
        EXPECT_EQ(EarlyAnswerFor(c.arguments), c.answer) << c.arguments.join(' ').toStdString();
    EXPECT_EQ(VersionLine(), QStringLiteral("zarvo " ZARVO_VERSION));
}

TEST(StartMode, DisplayHeadlessOrAnError)
{
    using K = StartKind;
    const struct {
        std::map<std::string, QByteArray> env;
        QStringList arguments;
        bool xUp, waylandUp;
        K kind;
    } cases[] = {
        // Saving and erasing never need a display, whatever the environment names.
        {{}, {"/STP:/tmp"}, false, false, K::Batch},
        {{{"DISPLAY", ":0"}}, {"/DELETE"}, true, false, K::Batch},
        {{{"QT_QPA_PLATFORM", "wayland"}, {"XDG_RUNTIME_DIR", "/run/user/1"}},
         {"/STP:/tmp"},
         false,
         false,
         K::Batch},
        {{{"QT_QPA_PLATFORM", "xcb"}}, {"/STP:/tmp"}, false, false, K::Batch},
        {{{"QT_QPA_PLATFORM", "minimal"}}, {"/STP:/tmp"}, false, false, K::Batch},
        // No display at all: nothing to do.
        {{}, {"/LOG"}, false, false, K::NoDisplay},
        {{}, {}, false, false, K::NoDisplay},
        // A display that answers.
        {{{"DISPLAY", ":0"}}, {}, true, false, K::Desktop},
        {{{"WAYLAND_DISPLAY", "wayland-0"}, {"XDG_RUNTIME_DIR", "/run/user/1"}}, {}, false, true, K::Desktop},
        // Display variables that lead nowhere: a desktop start may not go on.
        {{{"DISPLAY", ":9"}}, {}, false, false, K::DisplayUnreachable},
        // The offscreen and minimal platforms are headless, batch switches or not.
        {{{"QT_QPA_PLATFORM", "offscreen"}, {"DISPLAY", ":0"}}, {}, true, false, K::Headless},
        {{}, {"-platform", "offscreen"}, false, false, K::Headless},
        // A platform asked for explicitly is an error for a desktop start when it does not answer.
        {{{"QT_QPA_PLATFORM", "wayland"}}, {}, true, false, K::DisplayUnreachable},
        {{{"QT_QPA_PLATFORM", "wayland;xcb"}, {"DISPLAY", ":0"}}, {}, true, false, K::Desktop},
        {{{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", ":0"}}, {}, true, false, K::Desktop},
        {{{"QT_QPA_PLATFORM", "eglfs"}}, {}, false, false, K::Desktop}, // Qt judges the rest itself
        // Batch and headless runs refuse switches they do not know; with a display they are ignored.
        {{{"DISPLAY", ":0"}}, {"/STP:/tmp", "/BACKUP"}, true, false, K::UnknownSwitch},
        {{}, {"/STP:/tmp", "/BACKUP"}, false, false, K::UnknownSwitch},
        {{}, {"/BACKUP"}, false, false, K::UnknownSwitch},
        {{{"QT_QPA_PLATFORM", "offscreen"}}, {"datei.txt"}, false, false, K::UnknownSwitch},
        {{{"DISPLAY", ":0"}}, {"/BACKUP"}, true, false, K::Desktop},
    };
    for (const auto& c : cases) {
        StartEnvironment environment;
        environment.variable = [&c](const char* name) {
            const auto it = c.env.find(name);
            return it == c.env.end() ? QByteArray() : it->second;
        };
        environment.xReachable = [&c](const QByteArray&) { return c.xUp; };
        environment.waylandReachable = [&c](const QString&) { return c.waylandUp; };
        const StartDecision d = DecideStart(c.arguments, environment);
        EXPECT_EQ(static_cast<int>(d.kind), static_cast<int>(c.kind))
            << c.arguments.join(' ').toStdString() << " with " << c.env.size() << " variables";
    }
}

TEST(StartMode, UnknownArgumentsAndTheMessages)
{
    EXPECT_EQ(UnknownArguments({"/stp:/tmp", "-platform", "offscreen", "/LOGGING", "x", "/autorun"}),
              QStringList({"x"}));
    StartEnvironment environment;
    environment.variable = [](const char*) { return QByteArray(); };
    EXPECT_EQ(DecideStart({"/DELETE", "--bogus"}, environment).unknownArgument, "--bogus");

    StartDecision xcb;
    xcb.kind = StartKind::DisplayUnreachable;
    xcb.platformGiven = true;
    xcb.platform = "xcb";
    const QString text = DisplayUnreachableMessage(xcb, environment.variable);
    EXPECT_TRUE(text.contains(QString::fromUtf8("„xcb“ ist nicht erreichbar"))) << text.toStdString();
    EXPECT_TRUE(text.contains("DISPLAY=(nicht gesetzt)"));

    const QString noPort = NoPortMessage("/home/a/.config/zarvo/ZARVO2.ini");
    EXPECT_TRUE(noPort.contains("/home/a/.config/zarvo/ZARVO2.ini"));
    EXPECT_TRUE(noPort.contains("ComPort=1\r[Ports]\rCOM1="));
    EXPECT_TRUE(noPort.contains(QString::fromUtf8("nichts gelöscht")));
}

} // namespace
} // namespace zarvo
