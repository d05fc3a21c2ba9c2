// SPDX-License-Identifier: GPL-3.0-or-later
#include "EmulatorFixture.h"
#include "BuildPaths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <stdexcept>

namespace zarvo::test {

QString writeProgramIni(const QString& dir, int comPort, const QString& device, const QString& extraIni)
{
    QString path = QDir(dir).filePath(QStringLiteral("ZARVO2.ini"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write " + path.toStdString());
    QByteArray text = "[Ports]\n";
    text += "COM" + QByteArray::number(comPort) + "=" + device.toUtf8() + "\n";
    if (!extraIni.isEmpty())
        text += extraIni.toUtf8();
    if (f.write(text) != text.size() || !f.flush())
        throw std::runtime_error("cannot write " + path.toStdString());
    return path;
}

TempProgramDir::TempProgramDir(int comPort, const QString& device, const QString& extraIni)
    : m_dir(std::make_unique<QTemporaryDir>())
{
    if (!m_dir->isValid())
        throw std::runtime_error("cannot create a temporary program directory");
    writeProgramIni(m_dir->path(), comPort, device, extraIni);
    m_hadHome = qEnvironmentVariableIsSet("ZARVO_HOME");
    m_oldHome = qgetenv("ZARVO_HOME");
    qputenv("ZARVO_HOME", QFile::encodeName(m_dir->path()));
}

TempProgramDir::~TempProgramDir()
{
    if (m_hadHome)
        qputenv("ZARVO_HOME", m_oldHome);
    else
        qunsetenv("ZARVO_HOME");
}

QString TempProgramDir::path() const
{
    return m_dir->path();
}

QString TempProgramDir::iniPath() const
{
    return QDir(m_dir->path()).filePath(QStringLiteral("ZARVO2.ini"));
}

EmulatorFixture::EmulatorFixture(emu::EmulatorOptions options, int comPort, const QString& extraIni)
    : m_linkDir(std::make_unique<QTemporaryDir>())
{
    if (!m_linkDir->isValid())
        throw std::runtime_error("cannot create a temporary directory for the modem link");
    options.linkPath = QDir(m_linkDir->path()).filePath(QStringLiteral("modem")).toStdString();
    m_emulator = std::make_unique<emu::ModemEmulator>(std::move(options));
    m_emulator->start();
    if (comPort >= 1 && comPort <= 9)
        m_programDir = std::make_unique<TempProgramDir>(comPort, portPathQ(), extraIni);
}

EmulatorFixture::~EmulatorFixture()
{
    // The program directory goes first so ZARVO_HOME never points at a dead modem's setup.
    m_programDir.reset();
    m_emulator->stop();
}

std::string EmulatorFixture::portPath() const
{
    return m_emulator->portPath();
}

QString EmulatorFixture::portPathQ() const
{
    return QString::fromStdString(m_emulator->portPath());
}

std::string EmulatorFixture::slavePath() const
{
    return m_emulator->slavePath();
}

QString EmulatorFixture::programDir() const
{
    return m_programDir ? m_programDir->path() : QString();
}

bool EmulatorFixture::waitForTranscript(std::size_t count, int timeoutMs) const
{
    return m_emulator->waitForTranscript(count, std::chrono::milliseconds(timeoutMs));
}

QString demoDataPath(const QString& name)
{
    return QStringLiteral(ZARVO_SOURCE_DATADIR "/demo/") + name;
}

std::vector<std::uint8_t> readDemoFile(const QString& name)
{
    return emu::readFileBytes(demoDataPath(name).toStdString());
}

} // namespace zarvo::test
