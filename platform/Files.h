#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Small file-system layer. Files are opened for shared access in the POSIX
// sense (no locks are taken), so readers see whatever a writer has put on
// disk so far. Only regular files are read: a named pipe or a device among
// the history files would otherwise block the reader in its open or read.
namespace files {

// Full path of the running executable ("" when it cannot be found).
std::string ModulePath();

// Opens a regular file for reading without blocking on the way (a named pipe
// or a device is refused after a non-blocking open, before any read).
enum class OpenResult { kOk, kCannotOpen, kNotRegular };
struct OpenedFile {
    OpenResult result = OpenResult::kCannotOpen;
    int fd = -1;             // open only with kOk; the caller closes it
    int error = 0;           // errno with kCannotOpen
    std::uint64_t size = 0;  // with kOk
};
OpenedFile OpenRegularForRead(const std::string& path);

// Length in bytes, or nullopt when the file cannot be opened or is not a
// regular file.
std::optional<std::uint64_t> Length(const std::string& path);

// Reads up to `size` bytes at `offset`; returns the number of bytes read
// (0 when the file is missing, not a regular file, or the offset is at or
// past the end).
std::size_t ReadAt(const std::string& path, std::uint64_t offset, void* buffer, std::size_t size);

struct Entry {
    std::string name;
    bool isFolder = false;  // a folder, or a link to one
    bool isLink = false;    // a symbolic link (to anything)
};

// The entries of a folder other than "." and "..", ordered by name so that a
// listing does not depend on the file system's enumeration order. Empty when
// the folder cannot be read.
std::vector<Entry> ListFolder(const std::string& folder);

// Creates one folder; an existing folder is not an error. On failure returns
// false and puts the reason into *error when given.
bool CreateFolder(const std::string& path, std::string* error = nullptr);
// Creates a folder and every missing folder above it.
bool CreateFolderPath(const std::string& path, std::string* error = nullptr);

bool IsFolder(const std::string& path);
bool Exists(const std::string& path);
// The folder exists and this process may create files in it.
bool IsWritableFolder(const std::string& path);

// Identity of a folder (device and inode, links followed); nullopt when it
// cannot be read.
struct FolderId {
    dev_t dev = 0;
    ino_t ino = 0;
    bool operator<(const FolderId& o) const { return dev != o.dev ? dev < o.dev : ino < o.ino; }
};
std::optional<FolderId> IdOfFolder(const std::string& path);

// An exclusive advisory lock on a folder, held until destruction. Processes
// that change the same folder's files in steps take it around those steps.
class CFolderLock {
public:
    explicit CFolderLock(const std::string& folder);
    ~CFolderLock();
    CFolderLock(const CFolderLock&) = delete;
    CFolderLock& operator=(const CFolderLock&) = delete;

private:
    int m_fd = -1;
};

// The text of errno as the C library words it.
std::string ErrorText(int err);

// A file descriptor closed with its owner.
class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : m_fd(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int get() const { return m_fd; }
    void Reset(int fd = -1);
    // Hands the descriptor over without closing it.
    int Release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    // Closes now; false (errno in *err) when the close reports a lost write.
    bool Close(int* err = nullptr);

private:
    int m_fd;
};

// Writes all `size` bytes, through short writes and interruptions; false
// (errno set) on an error. Every write of a file that must be whole goes
// through here: a full disk surfaces as an error, not as a short file.
bool WriteAll(int fd, const void* data, std::size_t size);
// Reads `size` bytes, fewer only at the end of the file; -1 (errno set) on
// an error.
ssize_t ReadUpTo(int fd, void* buffer, std::size_t size);

}  // namespace files
