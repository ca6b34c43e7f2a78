#include "platform/Process.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace process {

long CurrentId() {
    return static_cast<long>(::getpid());
}

std::optional<std::uint64_t> StartTime(long pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    if (!in || !std::getline(in, stat)) return std::nullopt;
    // The command name is in parentheses and may hold spaces and ')'; the
    // fields after the last ')' start with the third one, the start time is
    // the 22nd.
    auto close = stat.rfind(')');
    if (close == std::string::npos) return std::nullopt;
    std::istringstream fields(stat.substr(close + 1));
    std::string field;
    for (int i = 3; i <= 22; ++i)
        if (!(fields >> field)) return std::nullopt;
    char* end = nullptr;
    unsigned long long v = std::strtoull(field.c_str(), &end, 10);
    if (*end) return std::nullopt;
    return v;
}

std::uint64_t CurrentStartTime() {
    static const std::uint64_t start = StartTime(CurrentId()).value_or(0);
    return start;
}

bool IsRunning(long pid, std::uint64_t start) {
    if (pid <= 0 || pid > 0x7fffffffL) return false;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) return false;
    if (start == 0) return true;
    auto now = StartTime(pid);
    return !now || *now == start;
}

}  // namespace process
