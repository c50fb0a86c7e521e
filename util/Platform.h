// The portable core's one seam to the operating system: a few file
// primitives, the code page's lead-byte test, upper-casing with the system's
// rules and a drive's cluster size. Platform_posix.cpp and Platform_win32.cpp
// implement it; nothing else in the core touches the OS.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// An open file. Owns its handle; non-copyable, movable. Reads never throw: a
// failed read returns fewer bytes than asked.
class File {
public:
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens an existing regular file for reading, letting others read and
    // write it. Directories and missing files give an invalid File.
    static File OpenRead(const std::string& path);
    // Creates (or truncates) a file for writing.
    static File Create(const std::string& path);
    // Opens an existing file for writing without truncating it, or creates it.
    static File OpenAppend(const std::string& path);

    bool valid() const { return handle_ != kInvalid; }
    // The file's size in bytes; false when it cannot be told.
    bool Size(uint64_t& size) const;
    // Reads up to n bytes at the offset; returns how many arrived (0 at the
    // end of the file or on failure). Does not move a sequential position.
    size_t ReadAt(uint64_t offset, void* buffer, size_t n) const;
    // Sequential read from the current position.
    size_t Read(void* buffer, size_t n);
    bool Seek(uint64_t offset);
    bool SeekEnd();
    // Writes all n bytes at the current position; false on a short write.
    bool Write(const void* data, size_t n);
    // Sets the modification time from a DOS date-time (local time).
    bool SetDosTime(uint32_t dosDateTime);
    // The modification time as a DOS date-time (local time; years outside
    // 1980..2107 take the nearest end); false when it cannot be read.
    bool ModifiedDosTime(uint32_t& dosDateTime) const;
    void Close();

private:
    static constexpr intptr_t kInvalid = -1;
    explicit File(intptr_t handle) : handle_(handle) {}
    intptr_t handle_ = kInvalid;
};

// True when the path names an existing regular file (not a folder).
bool FileExists(const std::string& path);
// True when the path names an existing folder.
bool FolderExists(const std::string& path);
bool RemoveFile(const std::string& path);
bool RenameFile(const std::string& from, const std::string& to);
bool MakeFolder(const std::string& path);

struct FolderEntry {
    std::string name;
    bool folder = false;
};
// The entries of a folder, "." and ".." left out, in no particular order;
// false when the folder cannot be listed.
bool ListFolder(const std::string& path, std::vector<FolderEntry>& entries);

// The character is a lead byte of the system's double-byte code page
// (never, natively).
bool IsLeadByte(unsigned char c);
// Upper-cases with the system's rules for its ANSI code page (ASCII natively).
std::string UpperText(std::string text);
// Sectors per cluster x bytes per sector of the drive root named by the
// path's first three characters; 0 when the platform cannot tell.
uint32_t ClusterSizeOf(const std::string& path);
// The calling thread's locale identifier (0 natively, where no locale
// applies).
uint32_t ThreadLocaleId();
// The path separator of this platform's file names.
constexpr char kPathSeparator =
#ifdef _WIN32
    '\\';
#else
    '/';
#endif

}  // namespace platform
