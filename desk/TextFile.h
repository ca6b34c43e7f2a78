#pragma once

#include <optional>
#include <string>

// Whole files for the desk's exports and saved runs.
namespace text_file {

// Writes `bytes` to a temporary beside `path`, flushes it to the disk and
// renames it over `path`, so that a crash leaves the old file or the new one,
// never half of either. False, with the reason in *error, on failure.
// Temporaries that writers killed on the way left beside `path` are removed
// first.
bool WriteAtomically(const std::string& path, const std::string& bytes, std::string* error);

// The temporary this process writes `path` through: "<path>.tmp<pid>-<start>".
std::string TemporaryName(const std::string& path);
// Removes the temporaries of `path` ("<path>.tmp<pid>" or
// "<path>.tmp<pid>-<start>") whose writing process is gone.
void RemoveStaleTemporaries(const std::string& path);

// The whole file; nullopt (the reason in *error) when it cannot be read.
std::optional<std::string> ReadAll(const std::string& path, std::string* error);

}  // namespace text_file
