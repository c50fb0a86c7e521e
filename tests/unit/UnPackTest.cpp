// The extraction core on hand-made packages: the inflate bound, hostile
// records and piece names (nothing may be written outside the target), the
// checksum and magic checks, the walk's own rules (header records skipped,
// stored records, the engine entry, appended pieces) and write failures.
#include <gtest/gtest.h>
#include <zlib.h>

#include <climits>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "package/PackFormat.h"
#include "package/PackX.h"
#include "package/UnPack.h"
#include "tests/unit/PackTestFiles.h"

namespace {

namespace fs = std::filesystem;

using packtest::ReadFile;
using Record = std::pair<int32_t, std::string>;  // L and the bytes that follow

Record Stored(const std::string& name, const std::string& data, uint32_t date = 0) {
    const std::string piece = pack::PieceHeader(name, date) + data;
    return {-static_cast<int32_t>(piece.size()), piece};
}

std::string Deflate(const std::string& bytes) {
    uLongf size = compressBound(static_cast<uLong>(bytes.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(bytes.data()),
              static_cast<uLong>(bytes.size()), 6);
    out.resize(size);
    return out;
}

Record Compressed(const std::string& name, const std::string& data) {
    const std::string z = Deflate(pack::PieceHeader(name, 0) + data);
    return {static_cast<int32_t>(z.size()), z};
}

// A package file put together record by record.
struct RawPackage {
    bool stub = true;
    std::vector<std::string> headers{"\x02", "|||||0|"};
    std::vector<Record> records;
    pack::TPackTrailer trailer = [] {
        pack::TPackTrailer t;
        t.FormatMark = 1;
        t.HeaderCount = 2;
        t.PackMagic = pack::kPackMagic;
        t.PackChecksum = pack::kChecksumSkipped;
        t.TrailerLength = 74;
        return t;
    }();
    std::string signature;  // bytes behind StoredEnd

    // Offset of the length field of record i (0-based, header records first).
    size_t Offset(size_t i) const {
        size_t offset = stub ? packtest::kStubSize : 0;
        for (size_t k = 0; k < i; ++k) {
            offset += 4 + (k < headers.size() ? headers[k].size() : records[k - headers.size()].second.size());
        }
        return offset;
    }

    std::string Bytes() const {
        std::string out = stub ? packtest::StubImage() : std::string();
        pack::TPackTrailer t = trailer;
        t.DataStart = static_cast<uint32_t>(out.size());
        t.ChunkCount = static_cast<uint32_t>(records.size());
        auto append = [&out](int32_t length, const std::string& bytes) {
            uint8_t l[4];
            pack::WriteLE32(l, static_cast<uint32_t>(length));
            out.append(reinterpret_cast<const char*>(l), 4);
            out += bytes;
        };
        for (const std::string& h : headers) append(static_cast<int32_t>(h.size()), h);
        for (const Record& r : records) append(r.first, r.second);
        const pack::TrailerBytes tb = pack::EncodeTrailer(t);
        out.append(tb.begin(), tb.end());
        if (stub)
            pack::WriteLE32(reinterpret_cast<uint8_t*>(&out[pack::kStoredEndLowOffset]),
                            static_cast<uint32_t>(out.size()));
        return out + signature;
    }
};

class UnPackTest : public packtest::TestFolder {
protected:
    // Writes the package as setup.exe (with its real checksum when asked) and
    // extracts it into out.
    unpack::TExtractResult Extract(const RawPackage& raw, bool realChecksum = false, const Text& agent = Text()) {
        std::string bytes = raw.Bytes();
        const std::string path = Write("setup.exe", bytes);
        if (realChecksum) {
            const size_t at = bytes.size() - raw.signature.size() - 74 + pack::kOffPackChecksum;
            pack::WriteLE32(reinterpret_cast<uint8_t*>(&bytes[at]), FileChecksum(path, 74));
            Write("setup.exe", bytes);
        }
        return unpack::ExtractPackage(path, Path("out"), agent, events_);
    }

    // Nothing but setup.exe and the target folder in the test folder, and no
    // file named evil in it, beside it or in the current folder.
    void ExpectNothingOutside() {
        for (const std::string& name : Names()) EXPECT_TRUE(name == "setup.exe" || name == "out") << name;
        auto expectNoEvil = [](const fs::path& path) {
            EXPECT_EQ(path.filename().string().find("evil"), std::string::npos) << path;
        };
        for (const auto& entry : fs::recursive_directory_iterator(folder_)) expectNoEvil(entry.path());
        for (const auto& entry : fs::directory_iterator(folder_.parent_path())) expectNoEvil(entry.path());
        for (const auto& entry : fs::directory_iterator(fs::current_path())) expectNoEvil(entry.path());
        EXPECT_FALSE(fs::exists("/tmp/evil.txt"));
    }

    class Counting : public unpack::TExtractEvents {
    public:
        void Step() override { ++steps; }
        int steps = 0;
    };
    Counting events_;
};

// ---- Inflate ------------------------------------------------------------

TEST(DecompressText, InflatesWithinTheBoundAndRefusesEverythingElse) {
    const std::string text = packtest::TextBytes(300000, 1);
    const std::string limitFill(1000, 'x');
    std::string cut = Deflate(text);
    cut.resize(cut.size() - 10);
    std::string flipped = Deflate(text);
    flipped[flipped.size() / 2] ^= 0x55;
    const struct {
        const char* what;
        std::string compressed;
        size_t limit;
        bool ok;
        const char* reason;
    } cases[] = {
        {"text", Deflate(text), text.size(), true, ""},
        {"exactly the limit", Deflate(limitFill), 1000, true, ""},
        {"one byte beyond", Deflate(limitFill + "y"), 1000, false, "beyond 1000 bytes"},
        {"a bomb of zeros", Deflate(std::string(6 << 20, '\0')), pack::kMaxPieceContent, false, "beyond"},
        {"cut short", cut, text.size(), false, "ends early"},
        {"flipped bits", flipped, text.size(), false, ""},
        {"not zlib", "plain text, not a zlib stream", 1000, false, ""},
        {"empty", "", 1000, false, "ends early"},
    };
    for (const auto& c : cases) {
        std::string out;
        Text error;
        EXPECT_EQ(unpack::DecompressText(c.compressed, c.limit, out, error), c.ok) << c.what;
        EXPECT_NE(error.find(c.reason), Text::npos) << c.what << ": " << error;
        if (c.ok) EXPECT_EQ(out.size(), c.limit) << c.what;
        EXPECT_LE(out.size(), c.limit + 1) << c.what;
    }
}

// ---- Hostile packages -------------------------------------------------------

TEST_F(UnPackTest, DamagedRecordsStopTheWalkNamingRecordAndOffset) {
    Record bomb = Compressed("bomb.bin", std::string(6 << 20, '\0'));
    Record flipped = Compressed("text.txt", packtest::TextBytes(50000, 2));
    flipped.second[flipped.second.size() / 2] ^= 0x55;
    const struct {
        const char* what;
        Record bad;
        const char* reason;
    } cases[] = {
        {"length past the end", {1000, "only ten b"}, "runs past the package end"},
        {"INT_MIN", {INT_MIN, ""}, "-2147483648"},
        {"larger than any piece",
         {-static_cast<int32_t>(pack::kMaxRecordSize + 1), std::string(pack::kMaxRecordSize + 1, 'z')},
         "larger than any piece"},
        {"zip bomb", bomb, "inflates beyond"},
        {"damaged stream", flipped, "zlib: "},
    };
    for (const auto& c : cases) {
        RawPackage raw;
        raw.records = {Stored("Engine.exe*", "engine"), c.bad, Stored("after.txt", "after")};
        const unpack::TExtractResult result = Extract(raw);
        EXPECT_EQ(result.failure.kind, unpack::TFailureKind::Damaged) << c.what;
        EXPECT_EQ(result.failure.record, 4u) << c.what;
        EXPECT_EQ(result.failure.offset, raw.Offset(3)) << c.what;
        EXPECT_NE(result.failure.reason.find(c.reason), Text::npos) << c.what << ": " << result.failure.reason;
        EXPECT_TRUE(result.engineEntry.empty()) << c.what;
        EXPECT_FALSE(fs::exists(Path("out/after.txt"))) << c.what;
        fs::remove_all(Path("out"));
    }
}

TEST_F(UnPackTest, PieceNamesThatLeaveTheTargetAreRefused) {
    const char* const names[] = {
        "../evil.txt",
        "..\\evil.txt",
        "sub/../../evil.txt",
        "sub\\..\\..\\evil.txt",
        "/tmp/evil.txt",
        "\\evil.txt",
        "C:evil.txt",
        "C:\\evil.txt",
        "c:/evil.txt",
        "..",
        "CON",
        "nul.txt",
        "LPT1",
        ". .",
        "",
        "*evil",
        "a//evil",
        "evil/",
    };
    for (const char* name : names) {
        RawPackage raw;
        raw.records = {Stored("Engine.exe*", "engine"), Stored(name, "evil")};
        const unpack::TExtractResult result = Extract(raw);
        EXPECT_EQ(result.failure.kind, unpack::TFailureKind::Damaged) << name;
        EXPECT_EQ(result.failure.record, 4u) << name;
        EXPECT_NE(result.failure.reason.find("would leave the target folder"), Text::npos) << name;
        EXPECT_TRUE(result.engineEntry.empty()) << name;
        ExpectNothingOutside();
        fs::remove_all(Path("out"));
    }
}

TEST(PieceNames, PlainNamesAndSubfoldersInsideAreSafe) {
    for (const char* name : {"Engine.exe", "00000#a.txt", "a..b", "..a", "a.", "sub/file.txt", "sub\\file.txt",
                             "CONFIG.SYS", "COM10", "name with blanks.txt"}) {
        EXPECT_TRUE(pack::IsSafePieceName(name)) << name;
    }
    EXPECT_TRUE(pack::IsFlatPieceName("00000#a.txt"));
    EXPECT_FALSE(pack::IsFlatPieceName("sub/file.txt"));
    EXPECT_FALSE(pack::IsFlatPieceName("sub\\file.txt"));
}

TEST_F(UnPackTest, ABadChecksumOrMagicExtractsNothing) {
    RawPackage raw;
    raw.records = {Stored("a.txt", "data"), Stored("Engine.exe*", "engine")};
    ASSERT_FALSE(Extract(raw, true).failure.failed());
    fs::remove_all(Path("out"));

    // The checksum of the sound package, on a package with one byte changed.
    RawPackage damaged = raw;
    damaged.trailer.PackChecksum = FileChecksum(Path("setup.exe"), 74);
    damaged.records[0] = Stored("a.txt", "dbta");
    unpack::TExtractResult result = Extract(damaged);
    EXPECT_FALSE(result.checksumHeld);
    EXPECT_EQ(result.failure.kind, unpack::TFailureKind::Damaged);
    EXPECT_NE(result.failure.reason.find("checksum"), Text::npos);
    EXPECT_FALSE(fs::exists(Path("out")));

    RawPackage foreign = raw;
    foreign.trailer.PackMagic = 0x12345678;
    result = Extract(foreign);
    EXPECT_NE(result.failure.reason.find("PackMagic"), Text::npos);
    EXPECT_FALSE(fs::exists(Path("out")));

    RawPackage shortHead = raw;
    shortHead.trailer.HeaderCount = 5;
    shortHead.records.clear();
    result = Extract(shortHead);
    EXPECT_NE(result.failure.reason.find("inside its header records"), Text::npos);
}

// ---- The walk's own rules -------------------------------------------------

TEST_F(UnPackTest, HeaderRecordsAreSkippedAndTheEngineIsTheFirstStarredPiece) {
    RawPackage raw;
    raw.headers.push_back("|http://w/|Full.exe|0|tok|12|");
    raw.trailer.HeaderCount = 3;
    raw.records = {Stored("Engine.exe*/X", "engine", 1087210874),
                   {0, ""},
                   {-10, std::string("\0no header", 10)},
                   Compressed("readme.txt", "hello")};
    raw.signature = "SIGNATURE BYTES AFTER THE PACKAGE";
    const unpack::TExtractResult result = Extract(raw, true);
    ASSERT_FALSE(result.failure.failed()) << result.failure.Describe();
    EXPECT_TRUE(result.checksumHeld);
    EXPECT_EQ(result.engineEntry, "Engine.exe*/X");
    EXPECT_EQ(result.records, 7u);
    EXPECT_EQ(result.pieces, 2u);
    EXPECT_EQ(Names("out"), (std::vector<std::string>{"Engine.exe", "readme.txt"}));
    EXPECT_EQ(ReadFile(Path("out/Engine.exe")), "engine");
    EXPECT_EQ(packtest::DosDateOf(Path("out/Engine.exe")), 1087210874u);
    EXPECT_EQ(ReadFile(Path("out/readme.txt")), "hello");
}

TEST_F(UnPackTest, PiecesOfOneNameAreAppendedAndStepTheBarOnce) {
    Write("out/a.txt", "stale bytes of an earlier run");
    RawPackage raw;
    raw.records = {Stored("a.txt", "first "), Compressed("a.txt", "second"), Stored("b.txt", "b")};
    const unpack::TExtractResult result = Extract(raw);
    ASSERT_FALSE(result.failure.failed()) << result.failure.Describe();
    EXPECT_EQ(ReadFile(Path("out/a.txt")), "first second");
    EXPECT_EQ(events_.steps, 2);
    EXPECT_TRUE(result.engineEntry.empty());
}

TEST_F(UnPackTest, WriteAndFolderFailuresAreReportedNotPassedOver) {
    fs::create_directories(Path("out/a.txt"));
    RawPackage raw;
    raw.records = {Stored("Engine.exe*", "e"), Stored("a.txt", "data")};
    unpack::TExtractResult result = Extract(raw);
    EXPECT_EQ(result.failure.kind, unpack::TFailureKind::Write);
    EXPECT_EQ(result.failure.file, unpack::PiecePath(Path("out"), "a.txt"));
    EXPECT_TRUE(result.engineEntry.empty());

    Write("file.txt", "a file where the target's parent should be");
    result = unpack::ExtractPackage(Path("setup.exe"), Path("file.txt/sub"), "", events_);
    EXPECT_EQ(result.failure.kind, unpack::TFailureKind::Folder);
}

TEST_F(UnPackTest, TheAgentIsWrittenOnlyForAnExeSourceAndAPlainName) {
    RawPackage raw;
    raw.headers[1] = "|||ProdAU.exe||0|";
    raw.trailer.MakeAgent = 1;
    raw.records = {Stored("Engine.exe*", "e")};
    ASSERT_FALSE(Extract(raw, false, "ProdAU.exe").failure.failed());
    const std::string setup = ReadFile(Path("setup.exe"));
    const size_t head = raw.Offset(2);
    const std::string agent = ReadFile(Path("out/ProdAU.exe"));
    ASSERT_EQ(agent.size(), head + 74);
    EXPECT_EQ(agent.substr(pack::kStoredEndLowOffset, 4), std::string(4, '\0'));
    EXPECT_EQ(agent.substr(pack::kPeMarkOffset, head - pack::kPeMarkOffset),
              setup.substr(pack::kPeMarkOffset, head - pack::kPeMarkOffset));
    EXPECT_EQ(agent[head + pack::kOffAutoUpdateProg], 1);
    EXPECT_EQ(agent[head + pack::kOffMakeAgent], 1);

    fs::remove_all(Path("out"));
    Write("setup.bin", setup);
    ASSERT_FALSE(unpack::ExtractPackage(Path("setup.bin"), Path("out"), "ProdAU.exe", events_).failure.failed());
    EXPECT_FALSE(fs::exists(Path("out/ProdAU.exe")));

    const unpack::TExtractResult result =
        unpack::ExtractPackage(Path("setup.exe"), Path("out"), "../evil.exe", events_);
    EXPECT_EQ(result.failure.kind, unpack::TFailureKind::Damaged);
    fs::remove(Path("setup.bin"));
    ExpectNothingOutside();
}

}  // namespace
