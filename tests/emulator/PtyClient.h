// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

namespace zarvo::test {

// The computer's end of the emulated line: the pty slave opened with plain POSIX calls in raw
// mode, as a serial program would (O_NOCTTY, 8N1, no echo). Closes on destruction.
class PtyClient {
  public:
    explicit PtyClient(const std::string& path);
    ~PtyClient();
    PtyClient(const PtyClient&) = delete;
    PtyClient& operator=(const PtyClient&) = delete;

    void write(const std::string& bytes);
    // Sends text + CR.
    void send(const std::string& command) { write(command + "\r"); }

    // Reads until `done` holds for what was read so far (or the deadline passes) and returns it.
    std::string readUntil(const std::function<bool(const std::string&)>& done,
                          std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Reads until the text ends with a final result ("\r\nOK\r\n" or "\r\nERROR\r\n").
    std::string readReply(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Sends a command and reads its reply.
    std::string exchange(const std::string& command);
    // Whatever arrives within `quiet` (a bounded look for bytes that should not come).
    std::string drain(std::chrono::milliseconds quiet = std::chrono::milliseconds(200));

    int fd() const { return m_fd; }

  private:
    int m_fd = -1;
};

bool endsWithFinal(const std::string& s);

} // namespace zarvo::test
