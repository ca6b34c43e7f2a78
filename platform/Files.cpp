#include "platform/Files.h"

#include <dirent.h>
#include <fcntl.h>
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

std::optional<std::uint64_t> Length(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    ::close(fd);
    if (!ok) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

std::size_t ReadAt(const std::string& path, std::uint64_t offset, void* buffer,
                   std::size_t size) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    std::size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < size) {
        ssize_t n = ::pread(fd, out + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
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
        out.push_back(Entry{name, IsFolder(full)});
    }
    ::closedir(dir);
    std::sort(out.begin(), out.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return out;
}

bool CreateFolder(const std::string& path, std::string* error) {
    if (::mkdir(path.c_str(), 0777) == 0) return true;
    int err = errno;
    if (err == EEXIST && IsFolder(path)) return true;
    if (error) *error = ErrorText(err);
    return false;
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::string ErrorText(int err) { return std::strerror(err); }

}  // namespace files
