// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ras_api32.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <csignal>
#include <sys/stat.h>
#include <sys/types.h>

namespace zarvo {

namespace {

constexpr quint32 kIffUp = 0x1;

QByteArray ReadSmallFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.read(64).trimmed() : QByteArray();
}

} // namespace

bool ProcessHoldsDevice(qint64 pid, const QString& device, const QString& procDir)
{
    struct stat modem {};
    if (device.isEmpty() || ::stat(QFile::encodeName(device).constData(), &modem) != 0 ||
        !S_ISCHR(modem.st_mode))
        return false;
    const QDir fds(procDir + QStringLiteral("/%1/fd").arg(pid));
    for (const QString& fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        struct stat open {};
        if (::stat(QFile::encodeName(fds.filePath(fd)).constData(), &open) == 0 && S_ISCHR(open.st_mode) &&
            open.st_rdev == modem.st_rdev)
            return true;
    }
    return false;
}

TRAS::TRAS(QString sysfsRoot, QString runDir, QString procDir)
    : m_root(std::move(sysfsRoot)), m_runDir(std::move(runDir)), m_procDir(std::move(procDir))
{
}

TRAS::~TRAS()
{
    if (CloseRasOnExit)
        ReleaseConnection();
}

int TRAS::GetConnections()
{
    QStringList links =
        QDir(m_root).entryList({QStringLiteral("ppp*")}, QDir::Dirs | QDir::System | QDir::NoDotAndDotDot);
    // ppp2 before ppp10: order by the number after "ppp".
    std::sort(links.begin(), links.end(), [](const QString& a, const QString& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    m_connections = links.mid(0, kMaxConnections);
    return static_cast<int>(m_connections.size());
}

QString TRAS::ConnectionName(int index) const
{
    return index >= 0 && index < m_connections.size() ? m_connections.at(index) : QString();
}

void TRAS::SelectConnection(int index)
{
    if (m_held.isEmpty())
        m_held = ConnectionName(index);
    QueryState();
}

QString TRAS::ConnectStatusText()
{
    QueryState();
    return m_state == RASCS_Connected ? QStringLiteral("Verbunden") : QStringLiteral("Verbindungsaufbau");
}

void TRAS::QueryState()
{
    m_state = RASCS_Dialling;
    if (m_held.isEmpty())
        return;
    bool ok = false;
    const uint flags =
        QString::fromLatin1(ReadSmallFile(m_root + '/' + m_held + QStringLiteral("/flags"))).toUInt(&ok, 16);
    if (ok && (flags & kIffUp))
        m_state = RASCS_Connected;
}

void TRAS::ReleaseConnection()
{
    if (m_held.isEmpty())
        return;
    bool ok = false;
    const qint64 pid =
        QString::fromLatin1(ReadSmallFile(m_runDir + '/' + m_held + QStringLiteral(".pid"))).toLongLong(&ok);
    // pppd hangs up on SIGTERM; without the right to signal it the link simply stays. A link whose
    // pppd does not run on the modem's port (DSL, VPN, another modem) is someone else's.
    if (ok && pid > 1 && ProcessHoldsDevice(pid, ModemPort, m_procDir))
        ::kill(static_cast<pid_t>(pid), SIGTERM);
    m_held.clear();
    m_state = RASCS_Dialling;
}

} // namespace zarvo
