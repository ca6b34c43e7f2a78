#include "platform/DebugLog.h"

#include <cstdio>
#include <cstdlib>

void DebugLog(const std::string& text) {
    static const bool enabled = std::getenv("TARVELLO_DEBUG") != nullptr;
    if (enabled) std::fputs(text.c_str(), stderr);
}
