// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SignalBridge.h"

#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace zarvo {

namespace {

// Read by the handler, which may interrupt any instruction: only this type is safe there.
volatile sig_atomic_t g_writeFd = -1;

void Handler(int signalNumber)
{
    // Only async-signal-safe calls here.
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    const int fd = g_writeFd;
    if (fd >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = saved;
}

} // namespace

SignalBridge::SignalBridge(QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, m_fds) != 0)
        return;
    g_writeFd = m_fds[0];
    m_notifier = new QSocketNotifier(m_fds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalBridge::Read);
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        struct sigaction old {};
        if (::sigaction(signalNumber, nullptr, &old) != 0 || old.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = Handler;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        if (::sigaction(signalNumber, &action, &old) == 0) {
            m_carried.push_back(signalNumber);
            m_old.push_back(old);
        }
    }
}

SignalBridge::~SignalBridge()
{
    for (size_t i = 0; i < m_carried.size(); ++i)
        ::sigaction(m_carried[i], &m_old[i], nullptr);
    g_writeFd = -1;
    delete m_notifier;
    for (const int fd : m_fds)
        if (fd >= 0)
            ::close(fd);
}

void SignalBridge::Read()
{
    unsigned char byte = 0;
    while (::read(m_fds[1], &byte, 1) == 1)
        emit Received(byte);
}

} // namespace zarvo
