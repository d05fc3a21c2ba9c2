// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// In-process emulated modem for tests of the modem link and the program.
//
//   zarvo::emu::EmulatorOptions o;
//   o.messages.push_back(zarvo::emu::voiceMessage(frames));   // builders: MessageBuilder.h
//   o.clockStart = zarvo::emu::ClockValue{5, 10, 0, 0};
//   zarvo::test::EmulatorFixture modem(o);   // serving; ZARVO_HOME -> temp dir, COM1 -> the pty
//   ... run TZarvo on COM1 ...
//   EXPECT_EQ(modem.transcript().front(), "AT+MCL=0");
//
// The emulator runs on its own thread; everything here may be called from the test's thread.
// Options, faults and accessors are those of ModemEmulator (ModemEmulator.h, EmulatorTypes.h).

#include "EmulatorTypes.h"
#include "MessageBuilder.h"
#include "ModemEmulator.h"

#include <QString>

#include <memory>
#include <string>
#include <vector>

class QTemporaryDir;

namespace zarvo::test {

// A temporary program directory holding ZARVO2.ini with section [Ports] "COM<comPort>=<device>"
// (plus `extraIni`, appended verbatim, e.g. "[Modem]\nPort=1\n"). While it lives, ZARVO_HOME
// points at it; the destructor restores the previous value and removes the directory.
class TempProgramDir {
  public:
    TempProgramDir(int comPort, const QString& device, const QString& extraIni = {});
    ~TempProgramDir();
    TempProgramDir(const TempProgramDir&) = delete;
    TempProgramDir& operator=(const TempProgramDir&) = delete;

    QString path() const;    // without trailing separator
    QString iniPath() const; // path() + "/ZARVO2.ini"

  private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_oldHome;
    bool m_hadHome = false;
};

// Writes (replaces) dir/ZARVO2.ini with [Ports] COM<comPort>=<device> followed by extraIni.
// Returns the file's path; throws std::runtime_error when it cannot be written.
QString writeProgramIni(const QString& dir, int comPort, const QString& device, const QString& extraIni = {});

// An emulated modem serving for the fixture's lifetime, reachable through a symlink in a private
// temporary directory. With comPort 1..9 it also makes a TempProgramDir mapping COM<comPort> to
// the link (so ZARVO_HOME is set); with comPort 0 it leaves ZARVO_HOME alone.
// Throws std::runtime_error when the emulator cannot start.
class EmulatorFixture {
  public:
    explicit EmulatorFixture(emu::EmulatorOptions options = {}, int comPort = 1,
                             const QString& extraIni = {});
    ~EmulatorFixture();
    EmulatorFixture(const EmulatorFixture&) = delete;
    EmulatorFixture& operator=(const EmulatorFixture&) = delete;

    emu::ModemEmulator& emulator() { return *m_emulator; }
    std::string portPath() const; // the symlink to the pty slave
    QString portPathQ() const;
    std::string slavePath() const; // /dev/pts/N
    QString programDir() const;    // empty with comPort 0

    // Shortcuts to the emulator.
    std::vector<std::string> transcript() const { return m_emulator->transcript(); }
    void clearTranscript() { m_emulator->clearTranscript(); }
    bool waitForTranscript(std::size_t count, int timeoutMs = 10000) const;
    void setFaults(const emu::Faults& faults) { m_emulator->setFaults(faults); }

  private:
    std::unique_ptr<QTemporaryDir> m_linkDir;
    std::unique_ptr<emu::ModemEmulator> m_emulator;
    std::unique_ptr<TempProgramDir> m_programDir;
};

// Path of a file in data/demo of the source tree. Demo messages (made by scripts/make-demo):
// "nachricht1.gsm", "nachricht2.gsm" (raw GSM 06.10 frames, for emu::voiceMessage); fax pages
// (raw T.4, for emu::faxMessage) "fax-normal.g3" (normal resolution, 1728 x 1143), "fax-fine.g3"
// (fine, 1728 x 2286) and "fax3-1.g3", "fax3-2.g3", "fax3-3.g3" (one fax of three normal pages).
QString demoDataPath(const QString& name);

// Reads a file whole; throws std::runtime_error when it cannot.
std::vector<std::uint8_t> readDemoFile(const QString& name);

} // namespace zarvo::test
