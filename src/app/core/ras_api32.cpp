#include "app/core/ras_api32.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <csignal>
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

TRAS::TRAS(QString sysfsRoot, QString runDir) : m_root(std::move(sysfsRoot)), m_runDir(std::move(runDir)) {}

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
    // pppd hangs up on SIGTERM; without the right to signal it the link simply stays.
    if (ok && pid > 1)
        ::kill(static_cast<pid_t>(pid), SIGTERM);
    m_held.clear();
    m_state = RASCS_Dialling;
}

} // namespace zarvo
