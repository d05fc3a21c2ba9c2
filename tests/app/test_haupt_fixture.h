// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main window with its three companion windows, as the program entry creates them, on an
// emulated modem. Modal windows never block: the options dialog, the voice window and the about
// box run hooks that record them.

#include "EmulatorFixture.h"
#include "ScriptedMessages.h"
#include "app/About.h"
#include "app/UHaupt.h"
#include "app/UOptionen.h"
#include "app/UWave.h"
#include "modem/Zarvo.h"

#include <QAction>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace zarvo::test {

// Self-mode settings as the emulated modem starts with them, so a start-up writes only what a test
// changes on purpose.
inline QString ModemOptSection()
{
    return QStringLiteral("[ModemOpt]\nDialup_retr=0\nFax_recv=1\nLocal_Mode=0\nCall_Monitor=0\n"
                          "DR_Password=\nRing_setup=2\nVoice_recv=1\nFax_ID=\n");
}

struct HauptWindows {
    HauptWindows()
    {
        optionen = new TOptionen(*haupt.Zarvo1, haupt.Opts, &haupt);
        wave = new TWave(&haupt);
        about = new TAboutBox(&haupt);
        haupt.SetWindows(optionen, wave, about);
        optionen->ModalHook = [this](TOptionen& dialog) {
            ++optionenShown;
            return optionenHook ? optionenHook(dialog) : 0;
        };
        wave->ModalHook = [this](TWave& w) {
            played.push_back(w.FileName());
            if (waveHook)
                waveHook(w);
            return 0;
        };
        haupt.ModalHook = [this](QDialog& dialog) {
            modals.push_back(dialog.objectName());
            return 0;
        };
        haupt.ShellOpenHook = [this](const QString& program, const QString& file) {
            shellOpened << program + u'|' + file;
        };
    }

    QAction* action(const char* name) { return haupt.Action(QString::fromLatin1(name)); }

    ScriptedMessages boxes; // installed before the windows exist, removed after them
    THaupt haupt;
    TOptionen* optionen = nullptr;
    TWave* wave = nullptr;
    TAboutBox* about = nullptr;
    int optionenShown = 0;
    std::function<int(TOptionen&)> optionenHook;
    std::function<void(TWave&)> waveHook;
    std::vector<QString> played;
    QStringList modals;
    QStringList shellOpened;
};

inline std::size_t IndexOf(const std::vector<std::string>& lines, const std::string& line,
                           std::size_t from = 0)
{
    const auto it = std::find(lines.begin() + static_cast<std::ptrdiff_t>(std::min(from, lines.size())),
                              lines.end(), line);
    return static_cast<std::size_t>(it - lines.begin());
}

inline int CountOf(const std::vector<std::string>& lines, const std::string& line)
{
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

// Demo messages of the source tree as the emulator stores them.
inline emu::StoredMessage DemoVoice(int state = 255)
{
    const auto frames = readDemoFile(QStringLiteral("nachricht1.gsm"));
    emu::StoredMessage m = emu::voiceMessage(frames);
    m.state = state;
    m.id = "Anrufer";
    return m;
}

inline emu::StoredMessage DemoFax(int state = 255)
{
    emu::StoredMessage m = emu::faxMessage({readDemoFile(QStringLiteral("fax-normal.g3"))});
    m.state = state;
    m.id = "Fax 0301";
    return m;
}

} // namespace zarvo::test
