// The builder's writer. The files are planned first (sizes, dates, piece
// count, SpaceNeeded), so every trailer is known before a byte is written;
// then pieces are read and compressed a batch at a time and written in order,
// each disk file closed when the next record would not fit. Finally the end
// offset and each file's checksum, which only a re-read of the finished file
// can give, are patched in and the temporary names renamed.
#include "package/PackWriter.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "package/PackX.h"
#include "util/Numbers.h"
#include "util/Parallel.h"
#include "util/Platform.h"

namespace pack {

namespace {

constexpr uint64_t kMaxStubSize = 64u << 20;
constexpr char kTempSuffix[] = ".stubpack-tmp";

// One piece of one file, as planned.
struct PieceTask {
    size_t file = 0;
    uint64_t offset = 0;
    uint32_t size = 0;
    Text name;
    uint32_t dosDateTime = 0;
};

// A piece made ready for the package: its record bytes and length L.
struct Record {
    std::string bytes;
    int32_t length = 0;
    Text error;
};

struct Plan {
    std::vector<PieceTask> pieces;
    std::vector<TSpaceFile> space;
    uint64_t inputBytes = 0;
};

Text Quoted(const Text& text) {
    return "\"" + text + "\"";
}

bool ReadWholeFile(const Text& path, uint64_t limit, std::string& bytes, Text& error) {
    platform::File file = platform::File::OpenRead(path);
    uint64_t size = 0;
    if (!file.valid() || !file.Size(size)) {
        error = "cannot read " + Quoted(path);
        return false;
    }
    if (size > limit) {
        error = Quoted(path) + " is larger than " + IntText(static_cast<int64_t>(limit)) + " bytes";
        return false;
    }
    bytes.resize(static_cast<size_t>(size));
    if (size > 0 && file.ReadAt(0, &bytes[0], bytes.size()) != bytes.size()) {
        error = "cannot read " + Quoted(path);
        return false;
    }
    return true;
}

// The offset of the per-build block's data, or npos.
size_t BuildBlockData(const std::string& image) {
    const size_t head = image.find(kBuildBlockHead);
    const size_t headLength = sizeof kBuildBlockHead - 1;
    const size_t tailLength = sizeof kBuildBlockTail - 1;
    if (head == std::string::npos || image.size() - head < kBuildBlockSize ||
        image.compare(head + kBuildBlockSize - tailLength, tailLength, kBuildBlockTail) != 0) {
        return std::string::npos;
    }
    return head + headLength;
}

bool AddPieces(const TPackSource& source, size_t index, Plan& plan, Text& error) {
    platform::File file = platform::File::OpenRead(source.path);
    uint64_t size = 0;
    uint32_t date = 0;
    if (!file.valid() || !file.Size(size) || !file.ModifiedDosTime(date)) {
        error = "cannot read " + Quoted(source.path);
        return false;
    }
    const bool engine = source.name.find('*') != Text::npos;
    const bool controls = std::any_of(source.name.begin(), source.name.end(),
                                      [](char c) { return static_cast<unsigned char>(c) < 32 || c == '|'; });
    if (controls || !IsSafePieceName(source.name.substr(0, source.name.find('*')))) {
        error = "the name " + Quoted(source.name) + " of " + Quoted(source.path) +
                " is not a safe file name (no \"|\", \":\", \"*\", control characters, \"..\" or device names)";
        return false;
    }
    const uint64_t count = PieceCount(size);
    for (uint64_t k = 1; k <= count; ++k) {
        PieceTask piece;
        piece.file = index;
        piece.offset = (k - 1) * kPieceSize;
        piece.size = static_cast<uint32_t>(std::min<uint64_t>(kPieceSize, size - piece.offset));
        piece.name = engine ? source.name : PieceName(source.name, static_cast<int>(k));
        piece.dosDateTime = date;
        if (PieceHeader(piece.name, date).size() > kMaxPieceHeaderSize) {
            error = "the name " + Quoted(source.name) + " is too long";
            return false;
        }
        plan.pieces.push_back(piece);
    }
    plan.space.push_back(TSpaceFile{size, !engine});
    plan.inputBytes += size;
    return true;
}

bool MakePlan(const TPackPlan& input, Plan& plan, Text& error) {
    for (size_t i = 0; i < input.files.size(); ++i) {
        if (!AddPieces(input.files[i], i, plan, error)) return false;
    }
    if (plan.pieces.size() > UINT32_MAX) {
        error = "too many pieces";
        return false;
    }
    return true;
}

// deflateInit / deflateEnd as an owner.
class Deflater {
public:
    explicit Deflater(int level) { ready_ = deflateInit(&stream_, level) == Z_OK; }
    ~Deflater() {
        if (ready_) deflateEnd(&stream_);
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    bool ready() const { return ready_; }
    z_stream& stream() { return stream_; }

private:
    z_stream stream_{};
    bool ready_ = false;
};

// A zlib stream of the bytes in at most limit bytes; false when it does not
// fit (the piece is then stored).
bool DeflateWithin(const std::string& in, int level, size_t limit, std::string& out) {
    Deflater deflater(level);
    if (!deflater.ready() || limit == 0) return false;
    out.resize(limit);
    z_stream& z = deflater.stream();
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = reinterpret_cast<Bytef*>(&out[0]);
    z.avail_out = static_cast<uInt>(limit);
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) return false;
    out.resize(limit - z.avail_out);
    return true;
}

// Reads and compresses one piece; stored when deflate does not make it smaller.
void MakeRecord(const PieceTask& task, const Text& path, int level, Record& record) {
    std::string piece = PieceHeader(task.name, task.dosDateTime);
    const size_t header = piece.size();
    piece.resize(header + task.size);
    platform::File file = platform::File::OpenRead(path);
    if (task.size > 0 && file.ReadAt(task.offset, &piece[header], task.size) != task.size) {
        record.error = Quoted(path) + " changed or became unreadable while it was packed";
        return;
    }
    if (level > 0 && DeflateWithin(piece, level, piece.size() - 1, record.bytes)) {
        record.length = static_cast<int32_t>(record.bytes.size());
        return;
    }
    record.bytes.swap(piece);
    record.length = -static_cast<int32_t>(record.bytes.size());
}

// The disk files being written, under temporary names until Commit; the
// destructor removes whatever was not committed.
class DiskFiles {
public:
    explicit DiskFiles(const Text& output) : output_(output) {}
    ~DiskFiles() {
        current_.Close();
        if (!committed_) {
            for (const Text& temp : temps_) platform::RemoveFile(temp);
        }
    }
    DiskFiles(const DiskFiles&) = delete;
    DiskFiles& operator=(const DiskFiles&) = delete;

    bool Open(Text& error) {
        const int number = static_cast<int>(finals_.size()) + 1;
        const Text final = number == 1 ? output_ : output_ + "." + ZeroPad(number, 3);
        finals_.push_back(final);
        temps_.push_back(final + kTempSuffix);
        current_ = platform::File::Create(temps_.back());
        size_ = 0;
        chunks_ = 0;
        if (!current_.valid()) error = "cannot create " + Quoted(temps_.back());
        return current_.valid();
    }

    bool Write(const void* data, size_t n, Text& error) {
        if (!current_.Write(data, n)) {
            error = "cannot write " + Quoted(temps_.back()) + " (disk full?)";
            return false;
        }
        size_ += n;
        return true;
    }

    bool WriteRecord(const Record& record, Text& error) {
        uint8_t length[4];
        WriteLE32(length, static_cast<uint32_t>(record.length));
        if (!Write(length, 4, error) || !Write(record.bytes.data(), record.bytes.size(), error)) return false;
        ++chunks_;
        return true;
    }

    void Close() { current_.Close(); }

    // Patches bytes of a finished file in place.
    bool Patch(size_t disk, uint64_t offset, const void* data, size_t n, Text& error) {
        platform::File file = platform::File::OpenAppend(temps_[disk]);
        if (!file.valid() || !file.Seek(offset) || !file.Write(data, n)) {
            error = "cannot update " + Quoted(temps_[disk]);
            return false;
        }
        return true;
    }

    bool Commit(Text& error) {
        for (size_t i = 0; i < temps_.size(); ++i) {
            if (!platform::RenameFile(temps_[i], finals_[i])) {
                error = "cannot rename " + Quoted(temps_[i]) + " to " + Quoted(finals_[i]);
                return false;
            }
        }
        committed_ = true;
        return true;
    }

    size_t count() const { return finals_.size(); }
    uint64_t size() const { return size_; }
    uint32_t chunks() const { return chunks_; }
    const Text& temp(size_t disk) const { return temps_[disk]; }
    const std::vector<Text>& finals() const { return finals_; }

private:
    const Text output_;
    std::vector<Text> finals_;
    std::vector<Text> temps_;
    platform::File current_;
    uint64_t size_ = 0;
    uint32_t chunks_ = 0;
    bool committed_ = false;
};

class Writer {
public:
    Writer(const TPackPlan& input, const Plan& plan) : input_(input), plan_(plan), disks_(input.outputPath) {}

    bool Run(TPackSummary& summary, Text& error) {
        if (!StartSetup(error) || !WritePieces(error) || !CloseDisk(false, error) || !Seal(error)) return false;
        summary.trailer = Trailer(1, static_cast<uint32_t>(plan_.pieces.size()), false);
        summary.trailer.PackChecksum = firstChecksum_;
        summary.storedPieces = storedPieces_;
        summary.inputBytes = plan_.inputBytes;
        summary.outputBytes = outputBytes_;
        if (!disks_.Commit(error)) return false;
        summary.outputs = disks_.finals();
        return true;
    }

private:
    TPackTrailer Trailer(int disk, uint32_t chunks, bool more) const {
        TPackTrailer t;
        t.FormatMark = 1;
        t.HeaderCount = static_cast<uint8_t>(input_.headerRecords.size());
        t.DataStart = disk == 1 ? dataStart_ : 0;
        // The setup's count covers the whole set: the extraction sizes its
        // progress bar by it.
        t.ChunkCount = disk == 1 ? static_cast<uint32_t>(plan_.pieces.size()) : chunks;
        t.PackMagic = kPackMagic;
        t.SpaceNeeded = SpaceNeededFor(plan_.space);
        t.PackFlags = static_cast<uint8_t>((input_.packFlags & ~kIsMultiDisk) | (more ? kIsMultiDisk : 0));
        t.WebSetup = input_.webSetup;
        t.AskBeforeDownload = input_.askBeforeDownload;
        t.MakeAgent = input_.makeAgent;
        t.AutoUpdateProg = input_.autoUpdateProg;
        t.TrailerLength = kTrailerSize;
        return t;
    }

    bool Fits(uint64_t bytes) const {
        return input_.diskSize == 0 || disks_.size() + bytes + kTrailerSize <= input_.diskSize;
    }

    bool StartSetup(Text& error) {
        std::string image;
        if (!ReadWholeFile(input_.stubPath, kMaxStubSize, image, error)) return false;
        const Text problem = StubImageProblem(image);
        if (!problem.empty()) {
            error = "the stub " + Quoted(input_.stubPath) + " " + problem;
            return false;
        }
        if (input_.buildBlock.size() != kBuildBlockDataSize) {
            error = "the per-build block needs " + IntText(kBuildBlockDataSize) + " bytes";
            return false;
        }
        image.replace(BuildBlockData(image), kBuildBlockDataSize, input_.buildBlock);
        dataStart_ = static_cast<uint32_t>(image.size());
        if (!disks_.Open(error) || !disks_.Write(image.data(), image.size(), error)) return false;
        for (const Text& header : input_.headerRecords) {
            if (header.size() > kMaxRecordSize) {
                error = "a header record is larger than " + IntText(kMaxRecordSize) + " bytes";
                return false;
            }
            Record record;
            record.bytes = header;
            record.length = static_cast<int32_t>(header.size());
            if (!disks_.WriteRecord(record, error)) return false;
        }
        if (!Fits(0)) {
            error = "the disk size " + IntText(static_cast<int64_t>(input_.diskSize)) +
                    " is smaller than the stub and header records with the trailer (" +
                    IntText(static_cast<int64_t>(disks_.size() + kTrailerSize)) + " bytes)";
            return false;
        }
        return true;
    }

    // Batches of a few pieces per worker bound the memory in use.
    bool WritePieces(Text& error) {
        const unsigned workers = std::max(1u, input_.workers);
        const size_t batch = 2 * workers;
        std::vector<Record> records(batch);
        for (size_t first = 0; first < plan_.pieces.size(); first += batch) {
            const size_t n = std::min(batch, plan_.pieces.size() - first);
            parallel::ForEach(n, workers, [&](size_t i) {
                records[i] = Record();
                const PieceTask& task = plan_.pieces[first + i];
                MakeRecord(task, input_.files[task.file].path, input_.level, records[i]);
            });
            for (size_t i = 0; i < n; ++i) {
                if (!records[i].error.empty()) {
                    error = records[i].error;
                    return false;
                }
                if (!Place(records[i], first + i, error)) return false;
            }
        }
        return true;
    }

    bool Place(const Record& record, size_t index, Text& error) {
        const uint64_t need = 4 + record.bytes.size();
        if (!Fits(need)) {
            if (need + kTrailerSize > input_.diskSize) {
                error = "the disk size " + IntText(static_cast<int64_t>(input_.diskSize)) + " is smaller than piece " +
                        IntText(static_cast<int64_t>(index + 1)) + " (" + Quoted(plan_.pieces[index].name) + ", " +
                        IntText(static_cast<int64_t>(need + kTrailerSize)) + " bytes with a trailer)";
                return false;
            }
            if (!CloseDisk(true, error) || !disks_.Open(error)) return false;
        }
        if (record.length < 0) ++storedPieces_;
        return disks_.WriteRecord(record, error);
    }

    bool CloseDisk(bool more, Text& error) {
        const int disk = static_cast<int>(disks_.count());
        const TrailerBytes trailer = EncodeTrailer(Trailer(disk, disks_.chunks(), more));
        if (!disks_.Write(trailer.data(), trailer.size(), error)) return false;
        sizes_.push_back(disks_.size());
        outputBytes_ += disks_.size();
        disks_.Close();
        return true;
    }

    // The setup's end offset first: the checksum reads it.
    bool Seal(Text& error) {
        uint8_t end[8];
        WriteLE32(end, static_cast<uint32_t>(sizes_[0] >> 32));
        WriteLE32(end + 4, static_cast<uint32_t>(sizes_[0]));
        if (!disks_.Patch(0, kStoredEndHighOffset, end, sizeof end, error)) return false;
        for (size_t disk = 0; disk < disks_.count(); ++disk) {
            const uint32_t sum = FileChecksum(disks_.temp(disk), kTrailerSize);
            uint8_t bytes[4];
            WriteLE32(bytes, sum);
            if (!disks_.Patch(disk, sizes_[disk] - kTrailerSize + kOffPackChecksum, bytes, 4, error)) return false;
            if (disk == 0) firstChecksum_ = sum;
        }
        return true;
    }

    const TPackPlan& input_;
    const Plan& plan_;
    DiskFiles disks_;
    uint32_t dataStart_ = 0;
    std::vector<uint64_t> sizes_;
    uint64_t outputBytes_ = 0;
    uint32_t storedPieces_ = 0;
    uint32_t firstChecksum_ = 0;
};

}  // namespace

uint64_t PieceCount(uint64_t size) {
    return size == 0 ? 1 : (size + kPieceSize - 1) / kPieceSize;
}

std::array<uint32_t, kSpaceEntries> SpaceNeededFor(const std::vector<TSpaceFile>& files) {
    std::array<uint32_t, kSpaceEntries> space{};
    for (int k = 0; k < kSpaceEntries; ++k) {
        uint64_t total = 0;
        for (const TSpaceFile& file : files) {
            const uint64_t count = PieceCount(file.size);
            if (count > 1 && file.joinedByEngine) {
                const uint64_t last = file.size - (count - 1) * kPieceSize;
                total += (count - 1) * ClusterRounded(kPieceSize, k) + ClusterRounded(last, k);
            }
            total += ClusterRounded(file.size, k);
        }
        space[k] = static_cast<uint32_t>(std::min<uint64_t>(total, UINT32_MAX));
    }
    return space;
}

Text StubImageProblem(const std::string& image) {
    if (image.size() < kChecksumStartWithStub) return "is too small to be a stub image";
    if (image.compare(0, 2, "MZ") != 0) return "is not an executable (no \"MZ\" at offset 0)";
    if (image.compare(kPeMarkOffset, 2, "PE") != 0) return "has no \"PE\" header at offset 256";
    for (size_t i = kStoredEndHighOffset; i < kPeMarkOffset; ++i) {
        if (image[i] != '\0') return "has no room for the end offset (bytes 248..255 are in use: a package already?)";
    }
    if (BuildBlockData(image) == std::string::npos) return "has no per-build block between its marks";
    return Text();
}

bool WritePackage(const TPackPlan& input, TPackSummary& summary, Text& error) {
    if (input.level < 0 || input.level > 9) {
        error = "the compression level must be 0 to 9";
        return false;
    }
    Plan plan;
    if (!MakePlan(input, plan, error)) return false;
    Writer writer(input, plan);
    return writer.Run(summary, error);
}

}  // namespace pack
