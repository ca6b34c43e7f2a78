#include "platform/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace files {

std::string ModulePath() {
    std::vector<char> buf(4096);
    for (;;) {
        ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) return "";
        if (static_cast<size_t>(n) < buf.size()) return std::string(buf.data(), n);
        buf.resize(buf.size() * 2);
    }
}

namespace {

// `blocking`: reads behave as usual afterwards. Regular files ignore the
// flag on the local file systems, so the bar reads leave it set and save the
// two calls.
OpenedFile OpenRegular(const std::string& path, bool blocking) {
    OpenedFile f;
    // Non-blocking, so that opening a named pipe without a writer returns at
    // once; the type is then checked on the open file.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        f.error = errno;
        return f;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        f.error = errno;
        ::close(fd);
        return f;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        f.result = OpenResult::kNotRegular;
        return f;
    }
    if (blocking) {
        int flags = ::fcntl(fd, F_GETFL);
        if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    f.result = OpenResult::kOk;
    f.fd = fd;
    f.size = static_cast<std::uint64_t>(st.st_size);
    return f;
}

}  // namespace

OpenedFile OpenRegularForRead(const std::string& path) {
    return OpenRegular(path, true);
}

std::optional<std::uint64_t> Length(const std::string& path) {
    OpenedFile f = OpenRegular(path, false);
    if (f.result != OpenResult::kOk) return std::nullopt;
    ::close(f.fd);
    return f.size;
}

std::size_t ReadAt(const std::string& path, std::uint64_t offset, void* buffer, std::size_t size) {
    OpenedFile f = OpenRegular(path, false);
    if (f.result != OpenResult::kOk) return 0;
    std::size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < size) {
        ssize_t n = ::pread(f.fd, out + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::close(f.fd);
    return done;
}

std::vector<Entry> ListFolder(const std::string& folder) {
    std::vector<Entry> out;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return out;
    while (dirent* d = ::readdir(dir)) {
        std::string name = d->d_name;
        if (name == "." || name == "..") continue;
        std::string full = folder + "/" + name;
        struct stat st {};
        bool link = ::lstat(full.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
        out.push_back(Entry{name, IsFolder(full), link});
    }
    ::closedir(dir);
    std::sort(out.begin(), out.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return out;
}

bool CreateFolder(const std::string& path, std::string* error) {
    if (::mkdir(path.c_str(), 0777) == 0) return true;
    int err = errno;
    if (err == EEXIST && IsFolder(path)) return true;
    if (error) *error = ErrorText(err);
    return false;
}

bool CreateFolderPath(const std::string& path, std::string* error) {
    if (path.empty() || IsFolder(path)) return true;
    auto slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !CreateFolderPath(path.substr(0, slash), error))
        return false;
    return CreateFolder(path, error);
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool IsWritableFolder(const std::string& path) {
    return IsFolder(path) && ::access(path.c_str(), W_OK | X_OK) == 0;
}

std::optional<FolderId> IdOfFolder(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
    return FolderId{st.st_dev, st.st_ino};
}

CFolderLock::CFolderLock(const std::string& folder) {
    m_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0) return;
    while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
    }
}

CFolderLock::~CFolderLock() {
    if (m_fd >= 0) ::close(m_fd);  // closing drops the lock
}

std::string ErrorText(int err) {
    return std::strerror(err);
}

void UniqueFd::Reset(int fd) {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = fd;
}

bool UniqueFd::Close(int* err) {
    const int fd = m_fd;
    m_fd = -1;
    if (fd >= 0 && ::close(fd) != 0) {
        if (err) *err = errno;
        return false;
    }
    return true;
}

bool WriteAll(int fd, const void* data, std::size_t size) {
    auto p = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) {
            errno = EIO;
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

ssize_t ReadUpTo(int fd, void* buffer, std::size_t size) {
    auto p = static_cast<unsigned char*>(buffer);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, p + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

}  // namespace files
