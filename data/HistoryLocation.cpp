#include "data/HistoryLocation.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/Files.h"

std::string UserDataFolder() {
    // Relative values are to be ignored, as the base-directory rules say.
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/tarvello/";
    std::string home;
    if (const char* h = std::getenv("HOME"); h && h[0] == '/') {
        home = h;
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
        home = pw->pw_dir;
    } else {
        home = "/tmp";
    }
    return home + "/.local/share/tarvello/";
}

bool IsInBuildTree(const std::string& folder) {
    std::string dir = folder;
    while (!dir.empty() && dir.back() == '/') dir.pop_back();
    for (;;) {
        if (files::Exists((dir.empty() ? std::string() : dir) + "/CMakeCache.txt")) return true;
        auto slash = dir.find_last_of('/');
        if (slash == std::string::npos || dir.empty()) return false;
        dir.resize(slash);
    }
}

std::string DefaultHistoryFolder(const std::string& programFolder) {
    std::string program = programFolder;
    if (program.empty() || program.back() != '/') program += '/';
    if (files::IsWritableFolder(program.substr(0, program.size() - 1)) && !IsInBuildTree(program))
        return program + "history/";
    return UserDataFolder() + "history/";
}
