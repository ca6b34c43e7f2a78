#pragma once

#include <optional>
#include <string>

class CWindowPort;

// The pair of a text file of bars chosen for import: taken from its file
// name, or asked for when the name holds no pair ("" for other files, where
// the header names it). nullopt when the user cancels.
std::optional<std::string> ImportSymbolFor(const std::string& path, CWindowPort& port);
