#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Small file-system layer. Files are opened for shared access in the POSIX
// sense (no locks are taken), so readers see whatever a writer has put on
// disk so far.
namespace files {

// Full path of the running executable ("" when it cannot be found).
std::string ModulePath();

// Length in bytes, or nullopt when the file cannot be opened.
std::optional<std::uint64_t> Length(const std::string& path);

// Reads up to `size` bytes at `offset`; returns the number of bytes read
// (0 when the file is missing or the offset is at or past the end).
std::size_t ReadAt(const std::string& path, std::uint64_t offset, void* buffer, std::size_t size);

struct Entry {
    std::string name;
    bool isFolder = false;
};

// The entries of a folder other than "." and "..", ordered by name so that a
// listing does not depend on the file system's enumeration order. Empty when
// the folder cannot be read.
std::vector<Entry> ListFolder(const std::string& folder);

// Creates one folder; an existing folder is not an error. On failure returns
// false and puts the reason into *error when given.
bool CreateFolder(const std::string& path, std::string* error = nullptr);

bool IsFolder(const std::string& path);
bool Exists(const std::string& path);

// The text of errno as the C library words it.
std::string ErrorText(int err);

}  // namespace files
