#include "desk/TextFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/Files.h"
#include "platform/Format.h"
#include "platform/Process.h"

namespace text_file {

namespace {

constexpr const char* kTempMarker = ".tmp";

// "<pid>" (as earlier versions wrote) or "<pid>-<start>": the writer of a
// temporary; false for any other text.
bool ParseWriter(const std::string& text, long* pid, std::uint64_t* start) {
    *pid = 0;
    *start = 0;
    std::size_t i = 0;
    auto number = [&](std::uint64_t* v) {
        const std::size_t begin = i;
        *v = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - begin < 19)
            *v = *v * 10 + static_cast<std::uint64_t>(text[i++] - '0');
        return i > begin;
    };
    std::uint64_t id = 0;
    if (!number(&id) || id == 0 || id > 0x7fffffff) return false;
    *pid = static_cast<long>(id);
    if (i == text.size()) return true;
    return text[i++] == '-' && number(start) && i == text.size();
}

}  // namespace

std::string TemporaryName(const std::string& path) {
    return FormatString("%s%s%ld-%llu", path.c_str(), kTempMarker, process::CurrentId(),
                        static_cast<unsigned long long>(process::CurrentStartTime()));
}

void RemoveStaleTemporaries(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string prefix =
        (slash == std::string::npos ? path : path.substr(slash + 1)) + kTempMarker;
    for (const files::Entry& entry : files::ListFolder(folder)) {
        if (entry.isFolder || entry.name.compare(0, prefix.size(), prefix) != 0) continue;
        long pid = 0;
        std::uint64_t start = 0;
        if (!ParseWriter(entry.name.substr(prefix.size()), &pid, &start)) continue;
        // A writer still at work keeps its file; one that is gone left it.
        if (process::IsRunning(pid, start)) continue;
        ::unlink((slash == std::string::npos ? entry.name : folder + entry.name).c_str());
    }
}

bool WriteAtomically(const std::string& path, const std::string& bytes, std::string* error) {
    RemoveStaleTemporaries(path);
    const std::string temp = TemporaryName(path);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        *error = files::ErrorText(errno);
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            *error = files::ErrorText(errno);
            ::close(fd);
            ::unlink(temp.c_str());
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        *error = files::ErrorText(errno);
        ::unlink(temp.c_str());
        return false;
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        *error = files::ErrorText(errno);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

std::optional<std::string> ReadAll(const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = files::ErrorText(errno);
        return std::nullopt;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) {
        *error = files::ErrorText(errno);
        return std::nullopt;
    }
    return bytes.str();
}

}  // namespace text_file
