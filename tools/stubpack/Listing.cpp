// stubpack inspect and stubpack verify: what a setup or disk file holds, and
// whether it is sound. Tokens are shown only as valid or damaged.
#include <algorithm>
#include <cstdio>
#include <optional>

#include "package/PackX.h"
#include "package/UnPack.h"
#include "text/VSUB.h"
#include "tools/stubpack/Cli.h"
#include "util/Dates.h"
#include "util/Numbers.h"

namespace {

constexpr uint64_t kMaxBlockSearch = 64u << 20;

struct ChunkRow {
    uint32_t record = 0;
    uint64_t offset = 0;
    int32_t length = 0;
    Text name;
    uint32_t date = 0;
    uint64_t size = 0;
};

// What inspect shows of one file.
struct Report {
    Text path;
    uint64_t size = 0;
    int disk = 1;
    bool stub = false;
    uint64_t storedEnd = 0;
    Text buildBlock;
    pack::TPackTrailer trailer;
    uint32_t checksum = 0;
    bool headers = false;
    Text langTable, productInfo, webInfo;
    std::vector<ChunkRow> chunks;
    unpack::TExtractFailure failure;
};

class Lister : public unpack::TPieceSink {
public:
    explicit Lister(std::vector<ChunkRow>& rows) : rows_(rows) {}
    bool StopsOnBadChecksum() const override { return false; }
    unpack::TExtractFailure Piece(const unpack::TPiece& piece) override {
        rows_.push_back(ChunkRow{piece.record, piece.offset, piece.length, piece.name, piece.dosDateTime, piece.size});
        return {};
    }

private:
    std::vector<ChunkRow>& rows_;
};

Text FindBuildBlock(const platform::File& file, uint64_t dataStart) {
    std::string image(static_cast<size_t>(std::min(dataStart, kMaxBlockSearch)), '\0');
    image.resize(file.ReadAt(0, image.empty() ? nullptr : &image[0], image.size()));
    const size_t head = image.find(pack::kBuildBlockHead);
    if (head == std::string::npos || image.size() - head < pack::kBuildBlockSize) return Text();
    return image.substr(head + sizeof pack::kBuildBlockHead - 1, pack::kBuildBlockDataSize);
}

Report Inspect(const Text& path, bool& readable) {
    Report r;
    r.path = path;
    r.disk = unpack::DiskNumberOf(path);
    platform::File file = platform::File::OpenRead(path);
    readable = file.valid() && file.Size(r.size);
    if (!readable) return r;
    r.stub = IsPeFile(file);
    r.storedEnd = r.stub ? StoredEnd(file) : 0;
    ReadTrailer(file, r.trailer);
    if (r.stub) r.buildBlock = FindBuildBlock(file, r.trailer.DataStart);
    r.checksum = FileChecksum(path, r.trailer.TrailerLength);
    if (r.disk == 1 && r.trailer.PackMagic == pack::kPackMagic) {
        const TGFileInfo info(path);
        r.headers = info.trailer.PackMagic == pack::kPackMagic;
        r.langTable = info.LangTable;
        r.productInfo = info.ProductInfo;
        r.webInfo = info.WebInfo;
    }
    unpack::TExtractEvents events;
    Lister lister(r.chunks);
    unpack::TWalkOptions options;
    options.followDisks = false;
    options.firstDisk = r.disk;
    r.failure = unpack::WalkPackage(path, options, events, lister).failure;
    return r;
}

Text Num(uint64_t value) {
    return IntText(static_cast<int64_t>(value));
}

Text DateText(uint32_t dos) {
    if (dos == 0) return "none";
    if (!IsValidDosDateTime(dos)) return "invalid (" + Num(dos) + ")";
    const CivilTime t = CivilFromDosDateTime(dos);
    return ZeroPad(t.year, 4) + "-" + ZeroPad(t.month, 2) + "-" + ZeroPad(t.day, 2) + " " + ZeroPad(t.hour, 2) + ":" +
           ZeroPad(t.minute, 2) + ":" + ZeroPad(t.second, 2);
}

bool ChecksumHolds(const Report& r) {
    return r.checksum == r.trailer.PackChecksum || r.checksum == pack::kChecksumSkipped ||
           r.trailer.PackChecksum == pack::kChecksumSkipped;
}

Text ChecksumVerdict(const Report& r) {
    if (r.checksum == pack::kChecksumSkipped || r.trailer.PackChecksum == pack::kChecksumSkipped) return "skipped";
    return ChecksumHolds(r) ? "holds" : "differs";
}

Text FlagNames(uint8_t flags) {
    static const char* const kNames[] = {"InformTempDrive", "IsMultiDisk", "IsCdSet", "ShowActivityBar", "StubLogBit"};
    Text names;
    for (int bit = 0; bit < 5; ++bit) {
        if (flags & (1 << bit)) names += Text(names.empty() ? "" : " ") + kNames[bit];
    }
    return names;
}

Text TokenVerdict(const Text& token) {
    if (token.empty()) return "none";
    return TryDecodeToken(token) ? "valid" : "damaged";
}

Text Field(const Text& list, int index) {
    return SUB::Item(list, index, "");
}

// Name, value pairs of the two product records, tokens replaced by verdicts.
std::vector<std::pair<Text, Text>> ProductFields(const Report& r) {
    return {{"AgentUrl", Field(r.productInfo, 0)},
            {"InfoFile", Field(r.productInfo, 1)},
            {"AgentExe", Field(r.productInfo, 2)},
            {"AgentToken", TokenVerdict(Field(r.productInfo, 3))},
            {"HideSetup", Field(r.productInfo, 4)}};
}

std::vector<std::pair<Text, Text>> WebFields(const Report& r) {
    return {{"WebUrl", Field(r.webInfo, 0)},
            {"WebFileName", Field(r.webInfo, 1)},
            {"WebNoLocalCopy", Field(r.webInfo, 2)},
            {"WebToken", TokenVerdict(Field(r.webInfo, 3))},
            {"WebSize", Field(r.webInfo, 4)}};
}

// Language name and number of texts of each LangTable entry.
std::vector<std::pair<Text, int>> Languages(const Text& table) {
    std::vector<std::pair<Text, int>> languages;
    if (table.size() <= 1) return languages;
    for (int i = 0; i < SUB::Count(table); ++i) {
        const Text entry = Field(table, i);
        languages.emplace_back(Trim(Field(entry, 0)), std::max(0, SUB::Count(entry) - 1));
    }
    return languages;
}

Text Kind(const Report& r) {
    if (r.disk > 1) return "disk " + IntText(r.disk) + " of a set (no stub, chunks only)";
    return r.stub ? "setup (stub image and package)" : "package without a stub";
}

Text Verdict(const Report& r) {
    if (r.failure.failed()) return "damaged: " + r.failure.Describe();
    return ChecksumHolds(r) ? "sound" : "damaged: the checksum differs";
}

Text TextReport(const Report& r) {
    const pack::TPackTrailer& t = r.trailer;
    Text s = "file              " + r.path + "\n";
    s += "size              " + Num(r.size) + "\n";
    s += "kind              " + Kind(r) + "\n";
    if (r.stub) s += "StoredEnd         " + Num(r.storedEnd) + "\n";
    if (!r.buildBlock.empty()) s += "build block       " + r.buildBlock + "\n";
    s += "trailer\n";
    s += "  HeaderCount     " + Num(t.HeaderCount) + "\n";
    s += "  DataStart       " + Num(t.DataStart) + "\n";
    s += "  ChunkCount      " + Num(t.ChunkCount) + "\n";
    s += "  PackMagic       " + Num(t.PackMagic) + (t.PackMagic == pack::kPackMagic ? " (valid)" : " (no package)") +
         "\n";
    s += "  PackChecksum    " + Num(t.PackChecksum) + " (computed " + Num(r.checksum) + ": " + ChecksumVerdict(r) +
         ")\n";
    s += "  SpaceNeeded    ";
    for (uint32_t entry : t.SpaceNeeded) s += " " + Num(entry);
    s += "\n  PackFlags       " + Num(t.PackFlags) + (t.PackFlags ? " (" + FlagNames(t.PackFlags) + ")" : "") + "\n";
    s += "  WebSetup        " + Num(t.WebSetup) + "\n";
    s += "  AskBeforeDownload " + Num(t.AskBeforeDownload) + "\n";
    s += "  MakeAgent       " + Num(t.MakeAgent) + "\n";
    s += "  AutoUpdateProg  " + Num(t.AutoUpdateProg) + "\n";
    s += "  TrailerLength   " + Num(t.TrailerLength) + "\n";
    if (r.headers) {
        s += "LangTable        ";
        const auto languages = Languages(r.langTable);
        if (languages.empty()) s += " none";
        for (const auto& language : languages) s += " " + language.first + " (" + IntText(language.second) + " texts)";
        s += "\nProductInfo\n";
        for (const auto& field : ProductFields(r)) s += "  " + field.first + "=" + field.second + "\n";
        if (t.HeaderCount >= 3) {
            s += "WebInfo\n";
            for (const auto& field : WebFields(r)) s += "  " + field.first + "=" + field.second + "\n";
        }
    }
    s += "chunks (" + Num(r.chunks.size()) + ")\n";
    for (const ChunkRow& c : r.chunks) {
        s += "  #" + Num(c.record) + " at " + Num(c.offset) + ": " + c.name + "  " + DateText(c.date) + "  " +
             Num(c.size) + " bytes, " + (c.length < 0 ? "stored" : "compressed to " + Num(c.length)) + "\n";
    }
    return s + "verdict           " + Verdict(r) + "\n";
}

Text Json(const Text& text) {
    Text out = "\"";
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || c >= 0x7F) {
            static const char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

Text JsonFields(const std::vector<std::pair<Text, Text>>& fields) {
    Text s = "{";
    for (size_t i = 0; i < fields.size(); ++i)
        s += (i ? ", " : "") + Json(fields[i].first) + ": " + Json(fields[i].second);
    return s + "}";
}

Text JsonReport(const Report& r) {
    const pack::TPackTrailer& t = r.trailer;
    Text s = "{\n  \"file\": " + Json(r.path) + ",\n  \"size\": " + Num(r.size) + ",\n  \"disk\": " + IntText(r.disk) +
             ",\n  \"stub\": " + (r.stub ? "true" : "false") + ",\n  \"storedEnd\": " + Num(r.storedEnd) +
             ",\n  \"buildBlock\": " + Json(r.buildBlock) + ",\n  \"trailer\": {";
    s += "\"FormatMark\": " + Num(t.FormatMark) + ", \"HeaderCount\": " + Num(t.HeaderCount) +
         ", \"DataStart\": " + Num(t.DataStart) + ", \"ChunkCount\": " + Num(t.ChunkCount) +
         ", \"PackMagic\": " + Num(t.PackMagic) + ", \"PackChecksum\": " + Num(t.PackChecksum) + ", \"SpaceNeeded\": [";
    for (size_t k = 0; k < t.SpaceNeeded.size(); ++k) s += (k ? ", " : "") + Num(t.SpaceNeeded[k]);
    s += "], \"PackFlags\": " + Num(t.PackFlags) + ", \"flags\": " + Json(FlagNames(t.PackFlags)) +
         ", \"WebSetup\": " + Num(t.WebSetup) + ", \"AskBeforeDownload\": " + Num(t.AskBeforeDownload) +
         ", \"MakeAgent\": " + Num(t.MakeAgent) + ", \"AutoUpdateProg\": " + Num(t.AutoUpdateProg) +
         ", \"TrailerLength\": " + Num(t.TrailerLength) + "},\n";
    s += "  \"checksum\": {\"computed\": " + Num(r.checksum) + ", \"verdict\": " + Json(ChecksumVerdict(r)) + "},\n";
    if (r.headers) {
        s += "  \"languages\": [";
        const auto languages = Languages(r.langTable);
        for (size_t i = 0; i < languages.size(); ++i) {
            s += Text(i ? ", " : "") + "{\"name\": " + Json(languages[i].first) +
                 ", \"texts\": " + IntText(languages[i].second) + "}";
        }
        s += "],\n  \"productInfo\": " + JsonFields(ProductFields(r)) + ",\n";
        if (t.HeaderCount >= 3) s += "  \"webInfo\": " + JsonFields(WebFields(r)) + ",\n";
    }
    s += "  \"chunks\": [";
    for (size_t i = 0; i < r.chunks.size(); ++i) {
        const ChunkRow& c = r.chunks[i];
        s += Text(i ? "," : "") + "\n    {\"record\": " + Num(c.record) + ", \"offset\": " + Num(c.offset) +
             ", \"name\": " + Json(c.name) + ", \"date\": " + Json(DateText(c.date)) + ", \"dosDate\": " + Num(c.date) +
             ", \"size\": " + Num(c.size) + ", \"stored\": " + (c.length < 0 ? "true" : "false") +
             ", \"recordSize\": " +
             Num(static_cast<uint64_t>(c.length < 0 ? -static_cast<int64_t>(c.length) : c.length)) + "}";
    }
    s += Text(r.chunks.empty() ? "" : "\n  ") + "],\n";
    s += "  \"sound\": " + Text(Verdict(r) == "sound" ? "true" : "false") + ",\n  \"verdict\": " + Json(Verdict(r)) +
         "\n}\n";
    return s;
}

// Looks at each disk file's checksum but walks on, so that the first bad
// record is found even when a checksum already differs.
class Checker : public unpack::TPieceSink {
public:
    bool StopsOnBadChecksum() const override { return false; }
    unpack::TExtractFailure DiskStarts(const unpack::TDiskFile& disk) override {
        if (first_.path.empty()) first_ = disk;
        if (!disk.checksumHeld && badChecksum_.path.empty()) badChecksum_ = disk;
        if (disk.checksum == pack::kChecksumSkipped || disk.trailer.PackChecksum == pack::kChecksumSkipped)
            skipped_ = true;
        return {};
    }
    unpack::TExtractFailure Piece(const unpack::TPiece&) override { return {}; }

    const unpack::TDiskFile& first() const { return first_; }
    const unpack::TDiskFile& badChecksum() const { return badChecksum_; }
    bool skipped() const { return skipped_; }

private:
    unpack::TDiskFile first_;
    unpack::TDiskFile badChecksum_;
    bool skipped_ = false;
};

}  // namespace

int RunInspect(const cli::Args& args) {
    if (args.positional.size() != 1) return cli::Fail("inspect needs one FILE", cli::kUsage);
    bool readable = false;
    const Report report = Inspect(args.positional[0], readable);
    if (!readable) return cli::Fail("cannot read \"" + args.positional[0] + "\"");
    cli::Print(args.Has("json") ? JsonReport(report) : TextReport(report));
    return cli::kOk;
}

int RunVerify(const cli::Args& args) {
    if (args.positional.size() != 1) return cli::Fail("verify needs one FILE", cli::kUsage);
    const Text path = args.positional[0];
    unpack::TExtractEvents events;
    Checker checker;
    unpack::TWalkOptions options;
    options.firstDisk = unpack::DiskNumberOf(path);
    const unpack::TExtractResult result = unpack::WalkPackage(path, options, events, checker);
    if (result.failure.failed()) return cli::Fail("damaged: " + result.failure.Describe());
    const unpack::TDiskFile& bad = checker.badChecksum();
    if (!bad.path.empty()) {
        return cli::Fail("damaged: " + bad.path + ": checksum " + IntText(bad.checksum) +
                         " does not match PackChecksum " + IntText(bad.trailer.PackChecksum));
    }
    const uint32_t chunks = result.records - (options.firstDisk == 1 ? checker.first().trailer.HeaderCount : 0);
    if (options.firstDisk == 1 && chunks != checker.first().trailer.ChunkCount) {
        return cli::Fail("damaged: " + path + ": ChunkCount says " + IntText(checker.first().trailer.ChunkCount) +
                         " but the package holds " + IntText(chunks) + " chunk records");
    }
    cli::Print("sound: " + path + ": " + IntText(result.disks) + " file(s), " + IntText(chunks) + " chunk records, " +
               IntText(result.pieces) + " pieces, checksum " + (checker.skipped() ? "skipped (large file)" : "holds") +
               "\n");
    return cli::kOk;
}
