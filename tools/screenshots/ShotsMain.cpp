// The main window with the demo messages on the emulated modem, its status log, and the about box.
#include "MessageBuilder.h"
#include "ModemEmulator.h"
#include "Shots.h"
#include "app/About.h"
#include "app/UHaupt.h"
#include "app/UOptionen.h"
#include "app/UWave.h"
#include "app/core/GermanLocale.h"
#include "common/ProgramPaths.h"

#include <QFile>
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
    haupt.FormActivate(); // the new-message question is answered No on standard error
    haupt.SetCurrentRow(2);
    c.save(&haupt, QStringLiteral("main-window"));
    haupt.Z_StatusExecute();
    c.save(&haupt, QStringLiteral("main-window-status"));
    c.save(about, QStringLiteral("about-box"));
    about->hide();
    haupt.Opts.UnAbEn = false;
    haupt.close();
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
