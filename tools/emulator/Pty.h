// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace zarvo::emu {

// Owns one file descriptor.
class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& o) noexcept : m_fd(o.release()) {}
    UniqueFd& operator=(UniqueFd&& o) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    int release();
    void reset(int fd = -1);

  private:
    int m_fd = -1;
};

// The master side of a pseudo-terminal in raw, non-blocking mode.
//
// Linux reports POLLHUP on the master only after a slave was opened and closed again; before
// that, bytes written by the master pile up for whoever opens the slave first. The constructor
// therefore opens and closes the slave once, so "no reader" is always visible as POLLHUP.
class Pty {
  public:
    Pty(); // throws std::runtime_error
    int master() const { return m_master.get(); }
    const std::string& slavePath() const { return m_slavePath; }

    // Throws away what the master wrote and no reader took: a closed slave keeps those bytes for
    // its next opener, while a serial line would have lost them.
    void flushSlaveInput() const;

  private:
    UniqueFd m_master;
    std::string m_slavePath;
};

// A symbolic link that lives as long as this object. An existing symlink at the path is replaced;
// anything else there is left alone and reported.
class SymLink {
  public:
    SymLink() = default;
    SymLink(const std::string& target, const std::string& path); // throws std::runtime_error
    ~SymLink();
    SymLink(SymLink&& o) noexcept;
    SymLink& operator=(SymLink&& o) noexcept;
    SymLink(const SymLink&) = delete;
    SymLink& operator=(const SymLink&) = delete;

    const std::string& path() const { return m_path; }
    void remove();

  private:
    std::string m_target;
    std::string m_path;
};

} // namespace zarvo::emu
