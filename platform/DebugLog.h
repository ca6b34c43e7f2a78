#pragma once

#include <string>

// Diagnostic trace lines for developers, never shown to the user. They go to
// standard error only when TARVELLO_DEBUG is set in the environment.
void DebugLog(const std::string& text);
