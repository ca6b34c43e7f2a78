#pragma once

#include <string>

// Where the imported pairs live. Beside the program ("<program folder>history/")
// when the program folder is writable and not part of a CMake build tree;
// otherwise in the user's data folder, "$XDG_DATA_HOME/tarvello/history/"
// (by default "~/.local/share/tarvello/history/"), so that a clean rebuild or
// a read-only installation never takes the history with it.

// `programFolder` ends in "/"; so does the result.
std::string DefaultHistoryFolder(const std::string& programFolder);

// "$XDG_DATA_HOME/tarvello/" or "$HOME/.local/share/tarvello/", ending in "/".
std::string UserDataFolder();

// True when `folder` or a folder above it holds a CMakeCache.txt.
bool IsInBuildTree(const std::string& folder);
