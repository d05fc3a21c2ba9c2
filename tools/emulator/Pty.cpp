// SPDX-License-Identifier: GPL-3.0-or-later
#include "Pty.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace zarvo::emu {

namespace {

[[noreturn]] void fail(const std::string& what)
{
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

} // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& o) noexcept
{
    if (this != &o)
        reset(o.release());
    return *this;
}

int UniqueFd::release()
{
    return std::exchange(m_fd, -1);
}

void UniqueFd::reset(int fd)
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
}

Pty::Pty()
{
    m_master.reset(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!m_master.valid())
        fail("posix_openpt");
    if (::grantpt(m_master.get()) != 0 || ::unlockpt(m_master.get()) != 0)
        fail("unlockpt");
    char name[128];
    if (::ptsname_r(m_master.get(), name, sizeof name) != 0)
        fail("ptsname");
    m_slavePath = name;

    // Raw mode on the terminal the two sides share: no echo of our own bytes, no line editing,
    // no CR/LF translation. An opener may change it; a serial program sets raw mode itself.
    termios t{};
    if (::tcgetattr(m_master.get(), &t) != 0)
        fail("tcgetattr");
    ::cfmakeraw(&t);
    ::cfsetspeed(&t, B57600);
    if (::tcsetattr(m_master.get(), TCSANOW, &t) != 0)
        fail("tcsetattr");

    UniqueFd slave(::open(m_slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!slave.valid())
        fail("open " + m_slavePath);
}

void Pty::flushSlaveInput() const
{
    UniqueFd slave(::open(m_slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (slave.valid())
        ::tcflush(slave.get(), TCIFLUSH);
}

SymLink::SymLink(const std::string& target, const std::string& path) : m_target(target), m_path(path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            m_path.clear();
            throw std::runtime_error(path + " exists and is not a symbolic link");
        }
        ::unlink(path.c_str());
    }
    if (::symlink(target.c_str(), path.c_str()) != 0) {
        m_path.clear();
        fail("symlink " + path);
    }
}

SymLink::~SymLink()
{
    remove();
}

SymLink::SymLink(SymLink&& o) noexcept
    : m_target(std::move(o.m_target)), m_path(std::exchange(o.m_path, std::string()))
{
}

SymLink& SymLink::operator=(SymLink&& o) noexcept
{
    if (this != &o) {
        remove();
        m_target = std::move(o.m_target);
        m_path = std::exchange(o.m_path, std::string());
    }
    return *this;
}

void SymLink::remove()
{
    if (m_path.empty())
        return;
    // Only our own link: another emulator may have taken the path over meanwhile.
    char buf[4096];
    ssize_t n = ::readlink(m_path.c_str(), buf, sizeof buf - 1);
    if (n >= 0 && std::string(buf, std::size_t(n)) == m_target)
        ::unlink(m_path.c_str());
    m_path.clear();
}

} // namespace zarvo::emu
