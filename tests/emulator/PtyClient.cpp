// SPDX-License-Identifier: GPL-3.0-or-later
#include "PtyClient.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace zarvo::test {

bool endsWithFinal(const std::string& s)
{
    auto ends = [&](const std::string& t) {
        return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
    };
    return ends("\r\nOK\r\n") || ends("\r\nERROR\r\n");
}

PtyClient::PtyClient(const std::string& path)
{
    m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0)
        throw std::runtime_error("open " + path + ": " + std::strerror(errno));
    termios t{};
    ::tcgetattr(m_fd, &t);
    ::cfmakeraw(&t);
    ::cfsetspeed(&t, B57600);
    t.c_cflag |= CLOCAL | CREAD;
    ::tcsetattr(m_fd, TCSANOW, &t);
}

PtyClient::~PtyClient()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void PtyClient::write(const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{m_fd, POLLOUT, 0};
            ::poll(&p, 1, 100);
            continue;
        }
        if (n < 0)
            throw std::runtime_error(std::string("write: ") + std::strerror(errno));
        done += std::size_t(n);
    }
}

std::string PtyClient::readUntil(const std::function<bool(const std::string&)>& done,
                                 std::chrono::milliseconds timeout)
{
    std::string got;
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done(got)) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, int(left.count())) <= 0)
            continue;
        char buf[65536];
        ssize_t n = ::read(m_fd, buf, sizeof buf);
        if (n > 0)
            got.append(buf, std::size_t(n));
    }
    return got;
}

std::string PtyClient::readReply(std::chrono::milliseconds timeout)
{
    return readUntil(endsWithFinal, timeout);
}

std::string PtyClient::exchange(const std::string& command)
{
    send(command);
    return readReply();
}

std::string PtyClient::drain(std::chrono::milliseconds quiet)
{
    return readUntil([](const std::string&) { return false; }, quiet);
}

} // namespace zarvo::test
