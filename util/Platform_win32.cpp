// Win32 side of the platform seam: the only core file that includes
// <windows.h>. Files are opened with sharing so that a running setup can read
// its own executable and others may still read and write it.
#include "util/Platform.h"

#include <windows.h>

#include <algorithm>

#include "util/Dates.h"
#include "util/Handles.h"

namespace platform {

namespace {

HANDLE AsHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// Largest count handed to one ReadFile / WriteFile call.
constexpr size_t kMaxTransfer = 1u << 30;

DWORD TransferSize(size_t n) { return static_cast<DWORD>(std::min(n, kMaxTransfer)); }

bool IsRegularFile(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info) &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool MoveTo(HANDLE handle, uint64_t offset, DWORD method) {
    LARGE_INTEGER distance{};
    distance.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(handle, distance, nullptr, method) != 0;
}

bool CurrentPosition(HANDLE handle, LARGE_INTEGER& position) {
    LARGE_INTEGER zero{};
    return SetFilePointerEx(handle, zero, &position, FILE_CURRENT) != 0;
}

}  // namespace

File::~File() { Close(); }

File::File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = kInvalid; }

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = other.handle_;
        other.handle_ = kInvalid;
    }
    return *this;
}

void File::Close() {
    if (valid()) CloseHandle(AsHandle(handle_));
    handle_ = kInvalid;
}

File File::OpenRead(const std::string& path) {
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return File();
    if (!IsRegularFile(handle)) {
        CloseHandle(handle);
        return File();
    }
    return File(reinterpret_cast<intptr_t>(handle));
}

File File::Create(const std::string& path) {
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return handle == INVALID_HANDLE_VALUE ? File() : File(reinterpret_cast<intptr_t>(handle));
}

File File::OpenAppend(const std::string& path) {
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return handle == INVALID_HANDLE_VALUE ? File() : File(reinterpret_cast<intptr_t>(handle));
}

bool File::Size(uint64_t& size) const {
    LARGE_INTEGER value{};
    if (!valid() || !GetFileSizeEx(AsHandle(handle_), &value)) return false;
    size = static_cast<uint64_t>(value.QuadPart);
    return true;
}

// Reads through OVERLAPPED offsets; on a synchronous handle those move the
// file pointer too, so the sequential position is put back afterwards.
size_t File::ReadAt(uint64_t offset, void* buffer, size_t n) const {
    LARGE_INTEGER saved{};
    if (!valid() || !CurrentPosition(AsHandle(handle_), saved)) return 0;
    auto* out = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < n) {
        OVERLAPPED at{};
        const uint64_t position = offset + done;
        at.Offset = static_cast<DWORD>(position);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        DWORD got = 0;
        if (!ReadFile(AsHandle(handle_), out + done, TransferSize(n - done), &got, &at) || got == 0) break;
        done += got;
    }
    SetFilePointerEx(AsHandle(handle_), saved, nullptr, FILE_BEGIN);
    return done;
}

size_t File::Read(void* buffer, size_t n) {
    if (!valid()) return 0;
    auto* out = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < n) {
        DWORD got = 0;
        if (!ReadFile(AsHandle(handle_), out + done, TransferSize(n - done), &got, nullptr) || got == 0) break;
        done += got;
    }
    return done;
}

bool File::Seek(uint64_t offset) { return valid() && MoveTo(AsHandle(handle_), offset, FILE_BEGIN); }

bool File::SeekEnd() { return valid() && MoveTo(AsHandle(handle_), 0, FILE_END); }

bool File::Write(const void* data, size_t n) {
    if (!valid()) return false;
    const auto* in = static_cast<const char*>(data);
    size_t done = 0;
    while (done < n) {
        DWORD put = 0;
        if (!WriteFile(AsHandle(handle_), in + done, TransferSize(n - done), &put, nullptr) || put == 0) {
            return false;
        }
        done += put;
    }
    return true;
}

// DOS date-times are local time; the file system keeps UTC.
bool File::SetDosTime(uint32_t dosDateTime) {
    FILETIME local{};
    FILETIME utc{};
    if (!valid() || !DosDateTimeToFileTime(HIWORD(dosDateTime), LOWORD(dosDateTime), &local) ||
        !LocalFileTimeToFileTime(&local, &utc)) {
        return false;
    }
    return SetFileTime(AsHandle(handle_), nullptr, nullptr, &utc) != 0;
}

bool File::ModifiedDosTime(uint32_t& dosDateTime) const {
    FILETIME utc{};
    FILETIME local{};
    SYSTEMTIME t{};
    if (!valid() || !GetFileTime(AsHandle(handle_), nullptr, nullptr, &utc) ||
        !FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &t)) {
        return false;
    }
    dosDateTime = DosDateTimeFromCivil(CivilTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, 0});
    return true;
}

bool FileExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FolderExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

// Replaces an existing target, as rename does on the native side.
bool RenameFile(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool MakeFolder(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

bool ListFolder(const std::string& path, std::vector<FolderEntry>& entries) {
    WIN32_FIND_DATAA found{};
    win::FindHandle find(FindFirstFileA((path + "\\*").c_str(), &found));
    if (!find.valid()) return false;
    entries.clear();
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        entries.push_back(FolderEntry{name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileA(find.get(), &found));
    return true;
}

bool IsLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != 0; }

std::string UpperText(std::string text) {
    if (!text.empty()) CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

uint32_t ThreadLocaleId() { return GetThreadLocale(); }

uint32_t ClusterSizeOf(const std::string& path) {
    DWORD sectorsPerCluster = 0;
    DWORD bytesPerSector = 0;
    DWORD freeClusters = 0;
    DWORD totalClusters = 0;
    const std::string root = path.substr(0, 3);
    if (!GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &totalClusters)) {
        return 0;
    }
    return sectorsPerCluster * bytesPerSector;
}

}  // namespace platform
