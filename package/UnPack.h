// The chunk extraction: walks the chunk records of a package and of the disk
// files that continue it, inflates them within the bound of the largest piece
// the builder writes, and writes the pieces into a target folder with their
// dates. It knows no windows: progress, the request for the next disk and the
// pauses in which a user interface dispatches its messages go through
// TExtractEvents, and every failure comes back as a value that says which
// file, which record, which offset and why.
#pragma once

#include <cstdint>
#include <string>

#include "package/PackFormat.h"
#include "util/Platform.h"
#include "util/Text.h"

namespace unpack {

enum class TFailureKind {
    None,
    Missing,    // the package or a disk file is not there
    Cancelled,  // the user gave up waiting for a disk
    Damaged,    // a trailer, record, zlib stream or piece that the builder cannot have written
    Folder,     // the target folder cannot be made
    Write,      // an extracted file cannot be written (a full disk, say)
};

struct TExtractFailure {
    TFailureKind kind = TFailureKind::None;
    Text file;            // the package or disk file; for Write the file being written
    uint32_t record = 0;  // record number counted over the whole set, from 1 (0: none)
    uint64_t offset = 0;  // file offset of that record's length field
    Text reason;
    uint64_t dataSize = 0;  // for Write: the bytes that were to be written

    bool failed() const { return kind != TFailureKind::None; }
    // One line: file, record and offset where known, and the reason.
    Text Describe() const;
};

// What the walk learnt about one package or disk file before its records.
struct TDiskFile {
    Text path;
    int number = 1;    // 1 for the setup, 2 for ".002", ...
    uint64_t end = 0;  // where the package ends (StoredEnd of a stub image, else the size)
    pack::TPackTrailer trailer;
    uint32_t checksum = 0;      // FileChecksum of the file
    bool checksumHeld = false;  // matches PackChecksum, or one side is 1234
};

// One piece as the walk found it. data points into the walk's buffer and is
// valid during the call only.
struct TPiece {
    Text file;  // the disk file that holds the record
    uint32_t record = 0;
    uint64_t offset = 0;
    int32_t length = 0;  // L of the record (negative: stored)
    Text name;           // header field 0, "*" and arguments kept
    Text fileName;       // name without the "*" and what follows
    uint32_t dosDateTime = 0;
    const char* data = nullptr;
    size_t size = 0;
};

// The narrow interface to whoever shows the extraction.
class TExtractEvents {
public:
    virtual ~TExtractEvents() = default;
    // The progress procedure's mode 0: range 0..max, position 0, step 1.
    virtual void SetRange(uint32_t max) { (void)max; }
    // Its mode 1: one step (a new file, or the next disk).
    virtual void Step() {}
    // Between blocks and inflate steps: a user interface dispatches its messages.
    virtual void Pump() {}
    virtual void Trace(const Text& line) { (void)line; }
    // Disk `number` of a set is needed at path: true once it is there, false
    // when the user cancels. This side only looks for the file.
    virtual bool FetchDisk(const Text& path, int number);
};

// Receives what the walk finds; ExtractPackage writes, verify and inspect look.
class TPieceSink {
public:
    virtual ~TPieceSink() = default;
    // Whether a disk file whose checksum does not hold ends the walk before
    // its records (the extraction's rule) or is walked all the same.
    virtual bool StopsOnBadChecksum() const { return true; }
    // A package file whose trailer was read, before its records.
    virtual TExtractFailure DiskStarts(const TDiskFile& disk) {
        (void)disk;
        return {};
    }
    virtual TExtractFailure Piece(const TPiece& piece) = 0;
    // After the disk's records; headLength is the end of its header records
    // (0 on continuation disks). The file is still open.
    virtual TExtractFailure DiskEnds(const TDiskFile& disk, uint64_t headLength, const platform::File& file) {
        (void)disk, (void)headLength, (void)file;
        return {};
    }
};

struct TExtractResult {
    bool checksumHeld = false;  // of the last disk file read
    Text engineEntry;           // the engine's name field, "*" and arguments included
    TExtractFailure failure;    // engineEntry is empty whenever this is set
    uint32_t records = 0;       // over all disks, header records included
    uint32_t pieces = 0;
    int disks = 0;
};

// Inflates one zlib stream (header and Adler-32 check) into out. The output
// grows geometrically and may not pass limit bytes; false with zlib's or our
// reason in error for a damaged, truncated or oversized stream.
bool DecompressText(const std::string& compressed, size_t limit, std::string& out, Text& error,
                    TExtractEvents* events = nullptr);

// Reads n bytes at offset in blocks of at most 64 KiB, pumping after each;
// false on a short read.
bool ReadRecordBytes(const platform::File& file, uint64_t offset, size_t n, std::string& out,
                     TExtractEvents* events = nullptr);

struct TWalkOptions {
    // On through the disk files of a multi-disk set (base path + ".002", ...).
    bool followDisks = true;
    // The number of the disk file the walk starts with. The first disk holds
    // the header records; a later one, walked on its own, only chunks.
    int firstDisk = 1;
};

// Walks the package at source: header records, then every chunk record,
// handing each piece to the sink. Nothing is written here.
TExtractResult WalkPackage(const Text& source, const TWalkOptions& options, TExtractEvents& events, TPieceSink& sink);

// The number of a disk file named base + ".NNN" (NNN from 002); 1 for any
// other name, the ".001" of a first disk included.
int DiskNumberOf(const Text& path);

// The target file of a piece: target, the platform's separator, and the
// name with either separator turned into the platform's.
Text PiecePath(const Text& target, const Text& name);

// The extraction: writes every piece to target + separator + its name (the
// first piece of a name in this call replaces an old file, later ones append),
// with its DOS date; makes the target folder. With a non-empty agentName and
// a source ending in ".exe" or ".exe.001", also writes the agent program: the
// setup's head with a cleared end offset and trailer byte 69 set to 1.
TExtractResult ExtractPackage(const Text& source, const Text& target, const Text& agentName, TExtractEvents& events);

}  // namespace unpack
