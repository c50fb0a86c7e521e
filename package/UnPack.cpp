// The chunk extraction. Every length read from a package is checked against
// the package's end and against the largest record the builder writes before
// anything is allocated, every zlib stream is inflated within the largest
// piece, and every piece name must stay inside the target folder: a damaged
// or hostile package stops the walk with a failure instead of eating memory
// or writing elsewhere.
#include "package/UnPack.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <set>

#include "package/PackX.h"
#include "util/Numbers.h"

namespace unpack {

namespace {

constexpr size_t kReadBlock = 65536;
constexpr size_t kFirstInflateSize = 65536;
constexpr int kMaxDisks = 999;  // disk numbers have three digits

// inflateInit / inflateEnd as an owner.
class Inflater {
public:
    Inflater() { ready_ = inflateInit(&stream_) == Z_OK; }
    ~Inflater() {
        if (ready_) inflateEnd(&stream_);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    bool ready() const { return ready_; }
    z_stream& stream() { return stream_; }

private:
    z_stream stream_{};
    bool ready_ = false;
};

Text ZlibReason(int rc, const z_stream& stream) {
    return stream.msg != nullptr ? Text(stream.msg) : Text(zError(rc));
}

// A set's first disk file may be named *.001; the others follow the base.
Text DiskBase(const Text& source, int firstDisk) {
    const bool numbered = firstDisk > 1 || EndsWith(".001", source, false);
    return numbered && source.size() > 4 ? source.substr(0, source.size() - 4) : source;
}

Text DiskPath(const Text& base, int number) {
    return base + "." + ZeroPad(number, 3);
}

// Where the package of an open file ends; 0 when it cannot be told.
uint64_t PackageEndOf(const platform::File& file) {
    uint64_t size = 0;
    if (!file.Size(size)) return 0;
    const uint64_t stored = IsPeFile(file) ? StoredEnd(file) : 0;
    return stored > 0 ? std::min(stored, size) : size;
}

bool ChecksumHolds(uint32_t sum, uint32_t stored) {
    return sum == stored || sum == pack::kChecksumSkipped || stored == pack::kChecksumSkipped;
}

// Name and engine entry of a piece, as the stub reads them. False when the
// record carries no header (it is then skipped).
bool SplitPiece(const std::string& content, TPiece& piece, Text& engineEntry) {
    size_t dataOffset = 0;
    if (!pack::ParsePieceHeader(content, piece.name, piece.dosDateTime, dataOffset)) return false;
    if (content.find('*') < dataOffset) engineEntry = content.substr(0, dataOffset - 1);
    piece.fileName = piece.name;
    const size_t star = piece.name.find('*');
    if (star != Text::npos) {
        engineEntry = piece.name;
        piece.fileName = piece.name.substr(0, star);
    }
    piece.data = content.data() + dataOffset;
    piece.size = content.size() - dataOffset;
    return true;
}

// Walks the records of one disk file; records counts over the whole set.
class RecordWalk {
public:
    RecordWalk(const TDiskFile& disk, const platform::File& file, TExtractEvents& events, TPieceSink& sink,
               TExtractResult& result)
        : disk_(disk), file_(file), events_(events), sink_(sink), result_(result) {}

    // After the call, headLength() is where the header records end (0 when
    // this disk did not complete them).
    TExtractFailure Run() {
        position_ = disk_.trailer.DataStart;
        do {
            events_.Pump();
            TExtractFailure failure = NextRecord();
            if (failure.failed()) return failure;
        } while (disk_.end - position_ > pack::kTrailerSize);
        return {};
    }

    uint64_t headLength() const { return headLength_; }

private:
    TExtractFailure Damaged(uint64_t offset, const Text& reason) const {
        return {TFailureKind::Damaged, disk_.path, result_.records + 1, offset, reason};
    }

    TExtractFailure NextRecord() {
        const uint64_t at = position_;
        // Records stay in front of the trailer.
        const uint64_t limit = disk_.end >= pack::kTrailerSize ? disk_.end - pack::kTrailerSize : 0;
        if (at > limit || limit - at < 4) return Damaged(at, "the record's length lies past the package end");
        uint8_t lengthBytes[4] = {};
        if (file_.ReadAt(at, lengthBytes, 4) != 4) return Damaged(at, "the record's length cannot be read");
        const auto length = static_cast<int32_t>(pack::ReadLE32(lengthBytes));
        if (length == INT32_MIN) return Damaged(at, "record length -2147483648");
        const uint64_t n = static_cast<uint64_t>(length < 0 ? -static_cast<int64_t>(length) : length);
        if (n > limit - at - 4) {
            return Damaged(at, "a record of " + IntText(static_cast<int64_t>(n)) + " bytes runs past the package end");
        }
        if (n > pack::kMaxRecordSize) {
            return Damaged(at, "a record of " + IntText(static_cast<int64_t>(n)) +
                                   " bytes is larger than any piece the builder writes");
        }
        if (!ReadRecordBytes(file_, at + 4, static_cast<size_t>(n), bytes_, &events_)) {
            return Damaged(at, "the record cannot be read in full");
        }
        position_ = at + 4 + n;
        const uint32_t record = ++result_.records;
        // Header records lead the first disk only: the count runs across the
        // set, so a later disk's records are all chunks.
        const uint32_t headerCount = disk_.number == 1 ? disk_.trailer.HeaderCount : 0;
        if (record == headerCount) headLength_ = position_;
        if (record <= headerCount) return {};
        return Piece(at, length, record);
    }

    TExtractFailure Piece(uint64_t at, int32_t length, uint32_t record) {
        const std::string* content = &bytes_;
        if (length > 0) {
            Text error;
            if (!DecompressText(bytes_, pack::kMaxPieceContent, inflated_, error, &events_)) {
                return {TFailureKind::Damaged, disk_.path, record, at, "zlib: " + error};
            }
            content = &inflated_;
        }
        TPiece piece;
        if (!SplitPiece(*content, piece, result_.engineEntry)) return {};
        if (!pack::IsSafePieceName(piece.fileName)) {
            return {TFailureKind::Damaged, disk_.path, record, at,
                    "the piece name \"" + piece.name + "\" would leave the target folder"};
        }
        piece.file = disk_.path;
        piece.record = record;
        piece.offset = at;
        piece.length = length;
        ++result_.pieces;
        return sink_.Piece(piece);
    }

    const TDiskFile& disk_;
    const platform::File& file_;
    TExtractEvents& events_;
    TPieceSink& sink_;
    TExtractResult& result_;
    uint64_t position_ = 0;
    uint64_t headLength_ = 0;
    std::string bytes_;
    std::string inflated_;
};

TDiskFile ReadDisk(const Text& path, int number, const platform::File& file) {
    TDiskFile disk;
    disk.path = path;
    disk.number = number;
    ReadTrailer(file, disk.trailer);
    disk.checksum = FileChecksum(path, disk.trailer.TrailerLength);
    disk.checksumHeld = ChecksumHolds(disk.checksum, disk.trailer.PackChecksum);
    disk.end = PackageEndOf(file);
    return disk;
}

// One disk file whose trailer was read: checksum, magic, records.
TExtractFailure WalkDisk(const TDiskFile& disk, const platform::File& file, bool stopOnBadChecksum,
                         TExtractEvents& events, TPieceSink& sink, TExtractResult& result) {
    if (!disk.checksumHeld && stopOnBadChecksum) {
        return {TFailureKind::Damaged, disk.path, 0, 0,
                "checksum " + IntText(disk.checksum) + " does not match PackChecksum " +
                    IntText(disk.trailer.PackChecksum)};
    }
    if (disk.trailer.PackMagic != pack::kPackMagic) {
        return {TFailureKind::Damaged, disk.path, 0, 0, "no package: the trailer's PackMagic does not match"};
    }
    TExtractFailure failure = sink.DiskStarts(disk);
    if (failure.failed()) return failure;
    if (disk.number == 1) events.SetRange(disk.trailer.ChunkCount);
    RecordWalk walk(disk, file, events, sink, result);
    failure = walk.Run();
    if (failure.failed()) return failure;
    if (disk.number == 1 && walk.headLength() == 0) {
        return {TFailureKind::Damaged, disk.path, result.records, 0, "the package ends inside its header records"};
    }
    return sink.DiskEnds(disk, walk.headLength(), file);
}

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

Text WithoutTrailingSeparators(Text path) {
    while (path.size() > 1 && IsSeparator(path.back())) path.pop_back();
    return path;
}

// Makes the folder and its missing parents; true when the folder exists.
bool MakeFolders(const Text& folder) {
    if (folder.empty() || platform::FolderExists(folder)) return !folder.empty();
    const size_t separator = folder.find_last_of("/\\");
    if (separator != Text::npos && separator > 0) MakeFolders(WithoutTrailingSeparators(folder.substr(0, separator)));
    return platform::MakeFolder(folder) || platform::FolderExists(folder);
}

// Large pieces go out in blocks, so that no single write is huge.
bool WriteBlocks(platform::File& file, const char* data, size_t size) {
    constexpr size_t kBlock = 1 << 20;
    for (size_t done = 0; done < size; done += kBlock) {
        if (!file.Write(data + done, std::min(kBlock, size - done))) return false;
    }
    return true;
}

bool IsSetupSource(const Text& source) {
    return EndsWith(".exe", source, true) || EndsWith(".exe.001", source, true);
}

// Writes the pieces into the target folder, and the agent program after the
// first disk's records.
class FolderWriter : public TPieceSink {
public:
    FolderWriter(const Text& target, const Text& agentName, TExtractEvents& events)
        : target_(WithoutTrailingSeparators(target)), agentName_(agentName), events_(events) {}

    TExtractFailure DiskStarts(const TDiskFile& disk) override {
        if (disk.number > 1 || MakeFolders(target_)) return {};
        return {TFailureKind::Folder, target_, 0, 0, "the folder cannot be made"};
    }

    // The first piece of a name in this extraction replaces an old file, so
    // that a stale file of an earlier run is never continued.
    TExtractFailure Piece(const TPiece& piece) override {
        const Text path = PiecePath(target_, piece.fileName);
        const bool first = written_.insert(UpperText(PiecePath(Text(), piece.fileName))).second;
        if (first) events_.Step();
        platform::File file = first ? platform::File::Create(path) : platform::File::OpenAppend(path);
        if (!file.valid() || (!first && !file.SeekEnd())) return WriteFailure(piece, path, "the file cannot be opened");
        if (!WriteBlocks(file, piece.data, piece.size)) {
            return WriteFailure(piece, path, "cannot write " + IntText(static_cast<int64_t>(piece.size)) + " bytes");
        }
        if (piece.dosDateTime != 0) file.SetDosTime(piece.dosDateTime);
        return {};
    }

    TExtractFailure DiskEnds(const TDiskFile& disk, uint64_t headLength, const platform::File& file) override {
        if (disk.number > 1 || agentName_.empty() || !IsSetupSource(disk.path)) return {};
        if (!pack::IsFlatPieceName(agentName_)) {
            return {TFailureKind::Damaged, disk.path, 0, 0,
                    "the agent name \"" + agentName_ + "\" is not a plain file name"};
        }
        if (headLength < pack::kStoredEndLowOffset + 4) {
            return {TFailureKind::Damaged, disk.path, 0, 0, "the package has no stub image for an agent"};
        }
        return WriteAgent(disk, headLength, file);
    }

private:
    TExtractFailure WriteFailure(const TPiece& piece, const Text& path, const Text& reason) const {
        return {TFailureKind::Write, path, piece.record, piece.offset, reason, piece.size};
    }

    // The agent is the setup's head (stub image and header records) with a
    // cleared low end offset, so it finds its trailer at its own end, and the
    // setup's trailer with AutoUpdateProg 1. The head is copied in blocks: its
    // length comes from the package.
    TExtractFailure WriteAgent(const TDiskFile& disk, uint64_t headLength, const platform::File& source) {
        const Text path = PiecePath(target_, agentName_);
        platform::File out = platform::File::Create(path);
        if (!out.valid()) return {TFailureKind::Write, path, 0, 0, "the agent program cannot be created"};
        std::string block;
        for (uint64_t done = 0; done < headLength;) {
            const size_t n = static_cast<size_t>(std::min<uint64_t>(kReadBlock, headLength - done));
            if (!ReadRecordBytes(source, done, n, block, &events_)) {
                return {TFailureKind::Damaged, disk.path, 0, done, "the setup's head cannot be read"};
            }
            for (size_t k = pack::kStoredEndLowOffset; k < pack::kStoredEndLowOffset + 4; ++k) {
                if (k >= done && k < done + n) block[k - done] = '\0';
            }
            if (!out.Write(block.data(), n)) return {TFailureKind::Write, path, 0, 0, "cannot write the agent program"};
            done += n;
        }
        pack::TPackTrailer trailer;
        ReadTrailer(source, trailer);
        trailer.AutoUpdateProg = 1;
        trailer.TrailerLength = pack::kTrailerSize;
        const pack::TrailerBytes bytes = pack::EncodeTrailer(trailer);
        if (!out.Write(bytes.data(), bytes.size()))
            return {TFailureKind::Write, path, 0, 0, "cannot write the agent program"};
        uint32_t date = 0;
        if (source.ModifiedDosTime(date)) out.SetDosTime(date);
        events_.Trace(" New AU-Agent: " + path);
        return {};
    }

    const Text target_;
    const Text agentName_;
    TExtractEvents& events_;
    std::set<Text> written_;
};

}  // namespace

Text PiecePath(const Text& target, const Text& name) {
    Text path = target.empty() ? Text() : target + platform::kPathSeparator;
    for (char c : name) path.push_back(IsSeparator(c) ? platform::kPathSeparator : c);
    return path;
}

TExtractResult ExtractPackage(const Text& source, const Text& target, const Text& agentName, TExtractEvents& events) {
    FolderWriter writer(target, agentName, events);
    return WalkPackage(source, TWalkOptions(), events, writer);
}

Text TExtractFailure::Describe() const {
    Text where = file;
    if (record > 0) where += ": record " + IntText(record) + " at offset " + IntText(static_cast<int64_t>(offset));
    return where + ": " + reason;
}

bool TExtractEvents::FetchDisk(const Text& path, int) {
    return platform::FileExists(path);
}

bool DecompressText(const std::string& compressed, size_t limit, std::string& out, Text& error,
                    TExtractEvents* events) {
    Inflater inflater;
    if (!inflater.ready() || compressed.size() > UINT_MAX) {
        error = "inflate cannot start";
        return false;
    }
    z_stream& z = inflater.stream();
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    z.avail_in = static_cast<uInt>(compressed.size());
    // One byte beyond the limit tells a stream that is too large from one
    // that fills the limit exactly.
    const size_t cap = limit + 1;
    out.resize(std::min(cap, std::max({kFirstInflateSize, compressed.size(), out.capacity()})));
    size_t produced = 0;
    while (true) {
        z.next_out = reinterpret_cast<Bytef*>(&out[produced]);
        z.avail_out = static_cast<uInt>(out.size() - produced);
        const int rc = inflate(&z, Z_NO_FLUSH);
        produced = out.size() - z.avail_out;
        if (produced > limit) {
            error = "the stream inflates beyond " + IntText(static_cast<int64_t>(limit)) + " bytes";
            return false;
        }
        if (rc == Z_STREAM_END) break;
        if (rc == Z_NEED_DICT || (rc < 0 && rc != Z_BUF_ERROR)) {
            error = rc == Z_NEED_DICT ? Text("the stream needs a dictionary") : ZlibReason(rc, z);
            return false;
        }
        if (z.avail_out > 0) {
            // All input taken and room left, yet no end: the stream is cut short.
            error = "the stream ends early";
            return false;
        }
        out.resize(std::min(cap, 2 * out.size()));
        if (events != nullptr) events->Pump();
    }
    out.resize(produced);
    return true;
}

bool ReadRecordBytes(const platform::File& file, uint64_t offset, size_t n, std::string& out, TExtractEvents* events) {
    out.resize(n);
    for (size_t done = 0; done < n;) {
        const size_t block = std::min(kReadBlock, n - done);
        if (file.ReadAt(offset + done, &out[done], block) != block) return false;
        done += block;
        if (events != nullptr) events->Pump();
    }
    return true;
}

int DiskNumberOf(const Text& path) {
    const size_t n = path.size();
    if (n < 5 || path[n - 4] != '.') return 1;
    int number = 0;
    for (size_t i = n - 3; i < n; ++i) {
        if (path[i] < '0' || path[i] > '9') return 1;
        number = 10 * number + (path[i] - '0');
    }
    return std::max(1, number);
}

TExtractResult WalkPackage(const Text& source, const TWalkOptions& options, TExtractEvents& events, TPieceSink& sink) {
    TExtractResult result;
    events.SetRange(0);
    const int firstDisk = std::max(1, options.firstDisk);
    const Text base = DiskBase(source, firstDisk);
    Text path = source;
    for (int number = firstDisk;; ++number) {
        platform::File file = platform::File::OpenRead(path);
        if (!file.valid()) {
            result.failure = {TFailureKind::Missing, path, 0, 0, "the file cannot be opened"};
            break;
        }
        const TDiskFile disk = ReadDisk(path, number, file);
        if (number == 1) events.Trace("FileInfo.FilesCount=" + IntText(disk.trailer.ChunkCount));
        events.Trace("FileLen=" + IntText(static_cast<int64_t>(disk.end)));
        result.checksumHeld = disk.checksumHeld;
        ++result.disks;
        result.failure = WalkDisk(disk, file, sink.StopsOnBadChecksum(), events, sink, result);
        if (result.failure.failed() || !options.followDisks || (disk.trailer.PackFlags & pack::kIsMultiDisk) == 0)
            break;
        if (number >= kMaxDisks) {
            result.failure = {TFailureKind::Damaged, path, 0, 0, "a set has at most 999 disks"};
            break;
        }
        path = DiskPath(base, number + 1);
        if (!events.FetchDisk(path, number + 1)) {
            result.failure = {TFailureKind::Cancelled, path, 0, 0,
                              "disk " + IntText(number + 1) + " was not found or not inserted"};
            break;
        }
        events.Step();
    }
    if (result.failure.failed()) result.engineEntry.clear();
    return result;
}

}  // namespace unpack
