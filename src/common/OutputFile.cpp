// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/OutputFile.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace zarvo {

namespace {

std::atomic<unsigned> g_tempCounter{0};

#ifdef ZARVO_TEST_SEAMS
constexpr long long kUnlimited = -1;
constexpr long long kNotRead = -2;
std::atomic<long long> g_space{kNotRead};
std::atomic<bool> g_namedOnly{false};

bool UnnamedAllowed()
{
    return !g_namedOnly.load();
}

// Takes `size` bytes of the test seam's space; false when the disk counts as full.
bool TakeSpace(std::size_t size)
{
    long long space = g_space.load();
    if (space == kNotRead) {
        const char* env = std::getenv("ZARVO_TEST_DISK_BYTES");
        space = env && *env ? std::atoll(env) : kUnlimited;
        g_space = space;
    }
    if (space < 0)
        return true;
    if (static_cast<long long>(size) > space) {
        g_space = 0;
        return false;
    }
    g_space = space - static_cast<long long>(size);
    return true;
}
#else
constexpr bool UnnamedAllowed()
{
    return true;
}

constexpr bool TakeSpace(std::size_t)
{
    return true;
}
#endif

std::string FolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A fresh hidden name beside the target.
std::string TempNameFor(const std::string& path)
{
    const std::string folder = FolderOf(path);
    return (folder == "/" ? std::string() : folder) + "/." + BaseOf(path) + ".zarvo-" +
           std::to_string(::getpid()) + "-" + std::to_string(g_tempCounter++);
}

int RenameNoReplace(const std::string& from, const std::string& to)
{
#ifdef SYS_renameat2
    if (::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return errno;
#endif
    // File systems without the exclusive rename: link(2) never replaces either, links included.
    if (::link(from.c_str(), to.c_str()) != 0)
        return errno;
    ::unlink(from.c_str());
    return 0;
}

} // namespace

std::string FileErrorReason(int error)
{
    switch (error) {
    case 0:
        return {};
    case ENOSPC:
    case EDQUOT:
        return "Datenträger voll";
    case EEXIST:
        return "gibt es schon und wird nicht überschrieben";
    case EROFS:
        return "Datenträger schreibgeschützt";
    case EACCES:
    case EPERM:
        return "Keine Berechtigung";
    case ENOENT:
        return "Datei oder Ordner nicht vorhanden";
    case ENOTDIR:
        return "ein Teil des Pfades ist kein Ordner";
    case EISDIR:
        return "ist ein Ordner";
    case ELOOP:
        return "ist eine symbolische Verknüpfung (oder zu viele hintereinander)";
    case ENAMETOOLONG:
        return "Name zu lang";
    case EIO:
        return "Ein-/Ausgabefehler des Datenträgers";
    case EMFILE:
    case ENFILE:
        return "zu viele offene Dateien";
    case EFBIG:
        return "Datei zu groß";
    case EBUSY:
    case ETXTBSY:
        return "wird gerade benutzt";
    case EXDEV:
        return "liegt auf einem anderen Datenträger";
    case EMLINK:
        return "zu viele Verknüpfungen";
    case ENOMEM:
        return "nicht genug Arbeitsspeicher";
    default:
        // Rare causes keep the system's own words, with the number for a search.
        return std::string(std::strerror(error)) + " (errno " + std::to_string(error) + ")";
    }
}

std::string SyncFolder(const std::string& dir)
{
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return FileErrorReason(errno);
    int error = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    // Some file systems (network shares, some FUSE ones) cannot sync a folder at all; there the
    // files' own sync is all there is to have.
    if (error == EINVAL || error == ENOTSUP || error == EROFS)
        error = 0;
    return FileErrorReason(error);
}

#ifdef ZARVO_TEST_SEAMS
void SetOutputSpaceForTests(long long bytes)
{
    g_space = bytes < 0 ? kUnlimited : bytes;
}

void SetNamedTemporaryForTests(bool on)
{
    g_namedOnly = on;
}
#endif

OutputFile::OutputFile(std::string path, Existing existing) : m_path(std::move(path)), m_existing(existing) {}

OutputFile::~OutputFile()
{
    Discard();
}

bool OutputFile::Fail(int error)
{
    if (m_error == 0)
        m_error = error != 0 ? error : EIO;
    Discard();
    return false;
}

bool OutputFile::Open()
{
    if (m_stream)
        return true;
    if (m_error != 0 || m_committed)
        return false;
    // Unnamed first: nothing of it can remain in the folder, not even after a crash.
    int fd = UnnamedAllowed() ? ::open(FolderOf(m_path).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666) : -1;
    if (fd < 0 || ::access("/proc/self/fd", X_OK) != 0) {
        if (fd >= 0)
            ::close(fd);
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_tempName = TempNameFor(m_path);
            fd = ::open(m_tempName.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC | O_NOFOLLOW, 0666);
            if (fd >= 0 || errno != EEXIST)
                break;
        }
        if (fd < 0) {
            const int error = errno;
            m_tempName.clear();
            return Fail(error);
        }
    }
    m_fd = fd;
    m_stream = ::fdopen(fd, "w+b");
    if (!m_stream)
        return Fail(errno);
    return true;
}

std::FILE* OutputFile::Stream()
{
    return m_stream;
}

bool OutputFile::Write(const void* data, std::size_t size)
{
    if (!m_stream)
        return Fail(m_error != 0 ? m_error : EBADF);
    if (!TakeSpace(size))
        return Fail(ENOSPC);
    if (size != 0 && std::fwrite(data, 1, size, m_stream) != size)
        return Fail(errno);
    return true;
}

bool OutputFile::Write(std::span<const std::byte> bytes)
{
    return Write(bytes.data(), bytes.size());
}

bool OutputFile::SameAsExisting()
{
    // Only a regular file can hold the same bytes. Anything else (a FIFO, a device, a link) counts
    // as there and different, and is never opened: opening a FIFO waits for a writer forever.
    struct stat named {};
    if (::lstat(m_path.c_str(), &named) != 0 || !S_ISREG(named.st_mode))
        return false;
    const int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat theirs {};
    struct stat ours {};
    // Still the file lstat saw: swapped for a FIFO in between, it is different as well.
    bool same = ::fstat(fd, &theirs) == 0 && ::fstat(m_fd, &ours) == 0 && S_ISREG(theirs.st_mode) &&
                theirs.st_dev == named.st_dev && theirs.st_ino == named.st_ino &&
                theirs.st_size == ours.st_size;
    std::vector<char> a(65536), b(65536);
    for (off_t at = 0; same && at < ours.st_size;) {
        const ssize_t n = ::pread(m_fd, a.data(), a.size(), at);
        const ssize_t m = n > 0 ? ::pread(fd, b.data(), static_cast<std::size_t>(n), at) : -1;
        same = n > 0 && m == n && std::memcmp(a.data(), b.data(), static_cast<std::size_t>(n)) == 0;
        at += n > 0 ? n : 0;
    }
    ::close(fd);
    return same;
}

bool OutputFile::Place()
{
    if (m_tempName.empty()) {
        const std::string self = "/proc/self/fd/" + std::to_string(m_fd);
        if (m_existing != Existing::Replace) {
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, m_path.c_str(), AT_SYMLINK_FOLLOW) != 0)
                return Fail(errno);
            return true;
        }
        // Replace: name it beside the target first, then rename over the target in one step.
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_tempName = TempNameFor(m_path);
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, m_tempName.c_str(), AT_SYMLINK_FOLLOW) == 0)
                break;
            const int error = errno;
            m_tempName.clear();
            if (error != EEXIST)
                return Fail(error);
        }
        if (m_tempName.empty())
            return Fail(EEXIST);
    }
    if (m_existing == Existing::Replace) {
        if (::rename(m_tempName.c_str(), m_path.c_str()) != 0)
            return Fail(errno);
    }
    else if (const int error = RenameNoReplace(m_tempName, m_path); error != 0) {
        return Fail(error);
    }
    m_tempName.clear();
    return true;
}

bool OutputFile::Commit()
{
    if (!m_stream)
        return Fail(m_error != 0 ? m_error : EBADF);
    if (std::fflush(m_stream) != 0 || (!m_deferSync && ::fsync(m_fd) != 0))
        return Fail(errno);
    if (m_existing == Existing::AcceptSame && SameAsExisting()) {
        m_alreadyThere = true;
        Discard();
        m_committed = true;
        return true;
    }
    if (!Place())
        return false;
    Discard();
    m_committed = true;
    return true;
}

void OutputFile::Discard()
{
    if (m_stream) {
        std::fclose(m_stream);
        m_stream = nullptr;
        m_fd = -1;
    }
    else if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_tempName.empty()) {
        ::unlink(m_tempName.c_str());
        m_tempName.clear();
    }
}

std::string OutputFile::Reason() const
{
    return FileErrorReason(m_error);
}

std::string WriteWholeFile(const std::string& path, std::span<const std::byte> bytes, Existing existing,
                           bool* alreadyThere)
{
    OutputFile out(path, existing);
    if (!out.Open() || !out.Write(bytes) || !out.Commit())
        return out.Reason();
    if (alreadyThere)
        *alreadyThere = out.WasAlreadyThere();
    return {};
}

} // namespace zarvo
