#include "fax/WholeFile.h"

#include "fax/FaxFileError.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace zarvo {

namespace {

// Closes and removes the temporary file unless it was handed over to its final name.
class TempFile {
  public:
    TempFile(int fd, std::string name) : m_fd(fd), m_name(std::move(name)) {}
    ~TempFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_name.empty())
            ::unlink(m_name.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    int fd() const { return m_fd; }
    const std::string& name() const { return m_name; }
    int close()
    {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }
    void keep() { m_name.clear(); }

  private:
    int m_fd;
    std::string m_name;
};

// A hidden name in the target's folder that does not exist yet, created exclusively.
TempFile CreateBeside(const std::string& fileName)
{
    const size_t slash = fileName.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : fileName.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = folder + "." + base + "." + std::to_string(::getpid()) + "-" +
                                 std::to_string(counter++) + "-" + std::to_string(random() % 100000) + ".tmp";
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0)
            return TempFile(fd, name);
        if (errno != EEXIST)
            break;
    }
    throw FileErrorFor(fileName, "erstellt", errno);
}

} // namespace

void WriteWholeFile(const std::string& fileName, std::string_view bytes)
{
    TempFile temp = CreateBeside(fileName);
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(temp.fd(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw FileErrorFor(fileName, "geschrieben", n < 0 ? errno : ENOSPC);
        done += static_cast<size_t>(n);
    }
    if (::fsync(temp.fd()) != 0 || temp.close() != 0)
        throw FileErrorFor(fileName, "geschrieben", errno);
    if (::rename(temp.name().c_str(), fileName.c_str()) != 0)
        throw FileErrorFor(fileName, "geschrieben", errno);
    temp.keep();
}

} // namespace zarvo
