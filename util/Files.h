// File operations shared by the modules: reading part of a file, writing or
// appending whole texts (any bytes) with an optional DOS date, sizes and free
// disk space, deleting masks and trees, ejecting a CD, and the batch file
// through which the program deletes its own executable after it has ended.
// Nothing here throws: failures give an empty text, 0 or false.
#pragma once

#include <windows.h>

#include <cstdint>

#include "util/Text.h"

// --- sizes and positions ------------------------------------------------------

constexpr uint64_t kLargestTransferBlock = 1048576;
constexpr uint64_t kTransferDivisor = 10;
constexpr uint64_t kSeekFailed = UINT64_MAX;

// Moves the file pointer (origin FILE_BEGIN, FILE_CURRENT or FILE_END);
// the new position, kSeekFailed when the platform refuses.
uint64_t SeekFile(HANDLE file, int64_t distance, DWORD origin);
// The size in the folder entry of the path's first match (the file is not
// opened); 0 when nothing matches.
uint64_t FileSizeByName(const Text& path);
// 0 when the size cannot be told.
uint64_t FileSizeOfHandle(HANDLE file);
// The piece in which a large amount is moved: a divisor-th of the total,
// at most the largest block and at least 1024 bytes (or the whole total when
// that is smaller).
uint64_t TransferBlockSize(uint64_t total, uint64_t largest, uint64_t divisor);

// --- reading and writing -------------------------------------------------------

// At most largest bytes (0: no limit) from the offset to the end of the
// file; empty when the file is missing, the offset is at or past its end, or
// fewer bytes arrive than the file promised.
Text ReadFilePart(const Text& path, uint32_t largest, uint64_t offset);
// Writes the text into a new file (replacing an old one), or at the end of
// the file when appending (created when missing); texts over 1 MiB go in
// TransferBlockSize pieces. The DOS date (0: left alone) is set only when
// every byte was written; true when every byte was written.
bool WriteTextToFile(const Text& path, const Text& text, uint32_t dosDateTime, bool append);
// Appends the text at the end of the file (created when missing), sets the
// DOS date when it is not 0; true when every byte was written. Opens and
// closes the file on each call.
bool AppendTextToFile(const Text& path, const Text& text, uint32_t dosDateTime);

// --- disks ------------------------------------------------------------------------

// Bytes free for the calling user on the disk of the path (empty: of the
// current folder); 0 when the platform cannot tell.
double DiskFreeBytes(const Text& path);
// What DiskFreeBytes asks first: the path (with "/" as "\") cut after the
// first folder below its root ("C:\Apps\Sub" gives "C:\Apps").
Text FirstFolderOf(const Text& path);
// What it asks then: "X:\" for a drive path, "\\server\share\" for a network
// path, "\" for one rooted without a drive, empty (the current folder's disk)
// for a relative one.
Text DiskRootOf(const Text& path);
// Ejects the medium of the CD-ROM drive that holds the path; false for any
// other drive or when the drive refuses.
bool EjectCD(const Text& path);

// --- deleting -----------------------------------------------------------------------

// Deletes every file the mask matches (read-only, hidden and system ones
// too, after making them normal when asked); single failures are ignored.
// True when at least one file matched.
bool DeleteFiles(const Text& mask, bool clearAttributes);
// Deletes the folder with everything in it. True when the folder existed and
// is gone; a folder that keeps a file it cannot delete stays, with false.
bool DeleteTree(const Text& folder, bool clearAttributes);
// Creates the folder with every missing folder above it; true when it exists
// afterwards.
bool MakeFolderTree(const Text& folder);

// The batch file that deletes the program's executable, in the temporary
// folder.
constexpr char kSelfDeleteBatchName[] = "_DEL_ME_.BAT";
// How often the batch file tries to delete the executable, a second apart,
// before it gives up.
constexpr int kSelfDeleteTries = 60;
// The batch text (CR LF lines): deletes the executable, retrying while the
// process still holds it but at most the given number of tries, then removes
// its folder when asked (only an empty one goes) and deletes itself.
Text SelfDeleteBatchText(const Text& exePath, const Text& batchPath, bool removeFolder, int tries);
// Writes that text into the batch file in the OEM code page, which is the
// one the command interpreter reads batch files in.
bool WriteSelfDeleteBatch(const Text& batchPath, const Text& exePath, bool removeFolder, int tries);
// Leaves and starts the batch file that deletes this executable (and its
// folder when asked) once the process has ended; the caller ends the process
// right after. Reports nothing: on failure the executable stays.
void DeleteMySelf(bool removeFolder);
