// File operations shared by the modules: parts and wholes of files, sizes,
// free disk space, deleting, ejecting a CD and deleting the program itself.
#include "util/Files.h"

#include <winioctl.h>

#include <algorithm>
#include <vector>

#include "util/Handles.h"
#include "util/Numbers.h"
#include "util/Platform.h"
#include "util/Utils.h"
#include "util/VDebug.h"

namespace {

constexpr uint64_t kSmallestTransferBlock = 1024;

bool SetDosDate(HANDLE file, uint32_t dosDateTime) {
    FILETIME local, utc;
    if (!DosDateTimeToFileTime(HIWORD(dosDateTime), LOWORD(dosDateTime), &local)) return false;
    if (!LocalFileTimeToFileTime(&local, &utc)) return false;
    return SetFileTime(file, &utc, &utc, &utc) != 0;
}

// Opens the file for writing at its end. Only a missing file is created: any
// other failure to open must not truncate what is there.
win::FileHandle OpenForAppend(const Text& path) {
    win::FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid() && GetLastError() == ERROR_FILE_NOT_FOUND) {
        file.reset(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    if (file.valid() && SeekFile(file.get(), 0, FILE_END) == kSeekFailed) file.reset();
    return file;
}

// The block in which n bytes are moved: all at once up to the largest block.
uint64_t BlockFor(uint64_t n) {
    return n > kLargestTransferBlock ? TransferBlockSize(n, kLargestTransferBlock, kTransferDivisor) : n;
}

// Writes the bytes piece by piece, stopping at the first write that writes
// nothing; the count written.
uint64_t WriteInBlocks(HANDLE file, const char* data, uint64_t n) {
    const uint64_t block = BlockFor(n);
    uint64_t done = 0;
    while (done < n) {
        DWORD written = 0;
        DWORD piece = static_cast<DWORD>(std::min(block, n - done));
        if (!WriteFile(file, data + done, piece, &written, nullptr) || written == 0) break;
        done += written;
    }
    return done;
}

// Reads piece by piece until n bytes arrived or a read brings nothing.
uint64_t ReadInBlocks(HANDLE file, char* data, uint64_t n) {
    const uint64_t block = BlockFor(n);
    uint64_t done = 0;
    while (done < n) {
        DWORD read = 0;
        DWORD piece = static_cast<DWORD>(std::min(block, n - done));
        if (!ReadFile(file, data + done, piece, &read, nullptr) || read == 0) break;
        done += read;
    }
    return done;
}

// The names of the folder entries the pattern matches, files or folders
// (without "." and "..").
std::vector<Text> FindNames(const Text& pattern, bool folders) {
    std::vector<Text> names;
    WIN32_FIND_DATAA found;
    win::FindHandle find(FindFirstFileA(pattern.c_str(), &found));
    if (!find.valid()) return names;
    do {
        Text name = found.cFileName;
        bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isFolder == folders && name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find.get(), &found));
    return names;
}

using FreeSpaceQuery = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);

FreeSpaceQuery ExtendedFreeSpaceQuery() {
    static const FreeSpaceQuery query = reinterpret_cast<FreeSpaceQuery>(
        reinterpret_cast<void*>(LoadProc("kernel32.dll", "GetDiskFreeSpaceExA")));
    return query;
}

const char* PathOrCurrent(const Text& path) { return path.empty() ? nullptr : path.c_str(); }

bool AvailableBytes(FreeSpaceQuery query, const Text& path, double& bytes) {
    ULARGE_INTEGER available, total, free;
    if (!query(PathOrCurrent(path), &available, &total, &free)) return false;
    bytes = static_cast<double>(available.QuadPart);
    return true;
}

double FreeBytesByClusters(const Text& root) {
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (!GetDiskFreeSpaceA(PathOrCurrent(root), &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
        return 0;
    return static_cast<double>(sectorsPerCluster) * bytesPerSector * freeClusters;
}

bool HasDriveLetter(const Text& path) { return path.size() >= 2 && path[1] == ':'; }

// Length of the root of a backslashed path: "X:\" (3), "\\server\share\"
// (with its backslash), "\" (1), 0 for a relative path.
size_t RootLength(const Text& path) {
    if (StartsWith("\\\\", path, false)) {
        size_t server = path.find('\\', 2);
        size_t share = server == Text::npos ? Text::npos : path.find('\\', server + 1);
        return share == Text::npos ? path.size() : share + 1;
    }
    if (HasDriveLetter(path)) return std::min<size_t>(3, path.size());
    return StartsWith("\\", path, false) ? 1 : 0;
}

HANDLE OpenDevice(const Text& device, DWORD access) {
    return CreateFileA(device.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                       nullptr);
}

unsigned HandleNumber(HANDLE handle) { return static_cast<unsigned>(reinterpret_cast<uintptr_t>(handle)); }

bool IsCdRomLetter(char letter) {
    if (letter < 'A' || letter > 'Z') return false;
    const char root[] = {letter, ':', '\\', 0};
    return GetDriveTypeA(root) == DRIVE_CDROM;
}

// Percent signs in batch text start variables; doubled they stand for
// themselves.
Text BatchQuoted(const Text& path) { return "\"" + ReplaceAll(path, "%", "%%") + "\""; }

}  // namespace

// --- sizes and positions ------------------------------------------------------

uint64_t SeekFile(HANDLE file, int64_t distance, DWORD origin) {
    LARGE_INTEGER move, position;
    move.QuadPart = distance;
    if (!SetFilePointerEx(file, move, &position, origin)) return kSeekFailed;
    return static_cast<uint64_t>(position.QuadPart);
}

uint64_t FileSizeByName(const Text& path) {
    WIN32_FIND_DATAA found;
    win::FindHandle find(FindFirstFileA(path.c_str(), &found));
    if (!find.valid()) return 0;
    return (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
}

uint64_t FileSizeOfHandle(HANDLE file) {
    LARGE_INTEGER size;
    return GetFileSizeEx(file, &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
}

uint64_t TransferBlockSize(uint64_t total, uint64_t largest, uint64_t divisor) {
    uint64_t block = total / std::max<uint64_t>(divisor, 1);
    if (block <= kSmallestTransferBlock) return std::min(kSmallestTransferBlock, total);
    return std::min(block, largest);
}

// --- reading and writing -------------------------------------------------------

Text ReadFilePart(const Text& path, uint32_t largest, uint64_t offset) {
    win::FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return Text();
    uint64_t size = FileSizeOfHandle(file.get());
    if (offset >= size) return Text();
    uint64_t n = size - offset;
    if (largest != 0) n = std::min<uint64_t>(n, largest);
    Text part;
    // More than memory can take reads as a failure, not as an exception.
    try {
        if (n > part.max_size()) return Text();
        part.resize(static_cast<size_t>(n));
    } catch (...) {
        return Text();
    }
    if (SeekFile(file.get(), static_cast<int64_t>(offset), FILE_BEGIN) == kSeekFailed) return Text();
    if (ReadInBlocks(file.get(), &part[0], n) != n) return Text();
    return part;
}

bool WriteTextToFile(const Text& path, const Text& text, uint32_t dosDateTime, bool append) {
    win::FileHandle file = append ? OpenForAppend(path)
                                  : win::FileHandle(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                                                nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                                                nullptr));
    if (!file.valid()) return false;
    bool complete = WriteInBlocks(file.get(), text.data(), text.size()) == text.size();
    if (complete && dosDateTime != 0) SetDosDate(file.get(), dosDateTime);
    return complete;
}

bool AppendTextToFile(const Text& path, const Text& text, uint32_t dosDateTime) {
    win::FileHandle file = OpenForAppend(path);
    if (!file.valid()) return false;
    DWORD written = 0;
    bool ok = WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
              written == text.size();
    if (dosDateTime != 0) SetDosDate(file.get(), dosDateTime);
    return ok;
}

// --- disks ------------------------------------------------------------------------

Text FirstFolderOf(const Text& path) {
    Text backslashed = ReplaceChar(path, '/', '\\');
    size_t end = backslashed.find('\\', RootLength(backslashed));
    return end == Text::npos ? backslashed : backslashed.substr(0, end);
}

Text DiskRootOf(const Text& path) {
    Text backslashed = ReplaceChar(path, '/', '\\');
    size_t root = RootLength(backslashed);
    if (root == 0) return Text();
    if (HasDriveLetter(backslashed)) return UpperText(backslashed.substr(0, 1)) + ":\\";
    return SetBackslash(backslashed.substr(0, root), true);
}

double DiskFreeBytes(const Text& path) {
    Text root = DiskRootOf(path);
    FreeSpaceQuery query = ExtendedFreeSpaceQuery();
    if (query == nullptr) return FreeBytesByClusters(root);
    double bytes = 0;
    if (AvailableBytes(query, FirstFolderOf(path), bytes) || AvailableBytes(query, root, bytes)) return bytes;
    return 0;
}

bool EjectCD(const Text& path) {
    try {
        char letter = UpperText(path.substr(0, 1)).c_str()[0];
        if (!IsCdRomLetter(letter)) return false;
        const Text device = Text("\\\\.\\") + letter + ":";
        win::FileHandle drive(OpenDevice(device, GENERIC_READ | GENERIC_WRITE));
        Trace() << "EjectCD-2: " << device << " " << HandleNumber(drive.get()) << trace::endl;
        if (!drive.valid()) {
            drive.reset(OpenDevice(device, GENERIC_READ));
            Trace() << "EjectCD-3: " << device << " " << HandleNumber(drive.get()) << trace::endl;
        }
        if (!drive.valid()) return false;
        DWORD returned = 0;
        return DeviceIoControl(drive.get(), IOCTL_STORAGE_EJECT_MEDIA, nullptr, 0, nullptr, 0, &returned,
                               nullptr) != 0;
    } catch (...) {
        return false;
    }
}

// --- deleting -----------------------------------------------------------------------

bool DeleteFiles(const Text& mask, bool clearAttributes) {
    try {
        const Text folder = FolderPart(mask);
        std::vector<Text> names = FindNames(mask, false);
        for (const Text& name : names) {
            const Text file = folder + name;
            if (clearAttributes) SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(file.c_str());
        }
        return !names.empty();
    } catch (...) {
        return false;
    }
}

bool DeleteTree(const Text& folder, bool clearAttributes) {
    if (folder.empty()) return false;
    try {
        const Text base = RemoveBackslash(folder);
        bool existed = platform::FolderExists(base);
        DeleteFiles(base + "\\*.*", clearAttributes);
        for (const Text& name : FindNames(base + "\\*.*", true)) {
            const Text sub = base + "\\" + name;
            DeleteTree(sub, clearAttributes);
            RemoveDirectoryA(sub.c_str());
        }
        RemoveDirectoryA(base.c_str());
        return existed && !platform::FolderExists(base);
    } catch (...) {
        return false;
    }
}

Text SelfDeleteBatchText(const Text& exePath, const Text& batchPath, bool removeFolder, int tries) {
    const Text exe = BatchQuoted(exePath);
    Text lines[] = {
        "@ECHO OFF",
        "SET TRIES=0",
        ":START",
        "DEL " + exe,
        "IF NOT exist " + exe + " GOTO GONE",
        "SET /A TRIES+=1",
        "IF %TRIES% GEQ " + IntText(tries) + " GOTO GONE",
        // About a second between tries: two echo requests a second apart
        // ("timeout" is missing from older systems and needs a console).
        "ping -n 2 127.0.0.1 >nul",
        "GOTO START",
        ":GONE",
        removeFolder ? "RD " + BatchQuoted(RemoveBackslash(FolderPart(exePath))) : Text(),
        "DEL " + BatchQuoted(batchPath),
    };
    Text text;
    for (const Text& line : lines) {
        if (!line.empty()) text += line + "\r\n";
    }
    return text;
}

bool WriteSelfDeleteBatch(const Text& batchPath, const Text& exePath, bool removeFolder, int tries) {
    Text text = SelfDeleteBatchText(exePath, batchPath, removeFolder, tries);
    Text oem(text.size(), '\0');
    if (!CharToOemBuffA(text.data(), &oem[0], static_cast<DWORD>(text.size()))) return false;
    return WriteTextToFile(batchPath, oem, 0, false);
}

void DeleteMySelf(bool removeFolder) {
    const Text temp = TempFolder(true);
    const Text exe = OwnExePath(false);
    if (temp.empty() || exe.empty()) return;
    const Text batch = temp + kSelfDeleteBatchName;
    // The process must not hold the folder that the batch file removes.
    SetCurrentDirectoryA(RemoveBackslash(temp).c_str());
    if (!WriteSelfDeleteBatch(batch, exe, removeFolder, kSelfDeleteTries)) return;
    WinExec(batch.c_str(), SW_HIDE);
}

bool MakeFolderTree(const Text& folder) {
    const Text path = RemoveBackslash(folder);
    if (path.empty()) return false;
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    const Text parent = RemoveBackslash(FolderPart(path));
    // A drive root or a name without a folder has no parent to make.
    if (!parent.empty() && parent.size() < path.size() && parent.back() != ':') MakeFolderTree(parent);
    return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}
