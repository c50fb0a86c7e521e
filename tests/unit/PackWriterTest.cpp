// The builder's writer against the reader and the extraction: round trips of
// files from 1 KB to tens of MB with every trailer field, stored and
// compressed pieces, deterministic output, the worked values (a DOS date,
// SpaceNeeded rounding, the 52,428,800-byte checksum boundary), multi-disk
// sets walked by the extraction, and the errors that leave no output behind.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "package/PackWriter.h"
#include "package/PackX.h"
#include "package/UnPack.h"
#include "tests/unit/PackTestFiles.h"
#include "util/Dates.h"
#include "util/Numbers.h"

namespace {

namespace fs = std::filesystem;

using pack::TPackTrailer;
using packtest::RandomBytes;
using packtest::ReadFile;
using packtest::TextBytes;

// Progress and disk requests as the extraction makes them.
class RecordingEvents : public unpack::TExtractEvents {
public:
    void SetRange(uint32_t max) override { ranges.push_back(max); }
    void Step() override { ++steps; }
    bool FetchDisk(const Text& path, int number) override {
        disks.push_back(path);
        return number != cancelAt && TExtractEvents::FetchDisk(path, number);
    }
    std::vector<uint32_t> ranges;
    std::vector<Text> disks;
    int steps = 0;
    int cancelAt = 0;
};

// Record lengths (L) of the chunk records, by piece name.
class LengthSink : public unpack::TPieceSink {
public:
    unpack::TExtractFailure Piece(const unpack::TPiece& piece) override {
        lengths[piece.name] = piece.length;
        return {};
    }
    std::map<Text, int32_t> lengths;
};

class PackWriterTest : public packtest::TestFolder {
public:
    pack::TPackPlan Plan() {
        pack::TPackPlan plan;
        plan.stubPath = Write("stub.exe", packtest::StubImage());
        plan.outputPath = Path("setup.exe");
        plan.headerRecords = {"\x02", "|||||0|"};
        plan.buildBlock = std::string(pack::kBuildBlockDataSize, 'b');
        return plan;
    }

    void Add(pack::TPackPlan& plan, const std::string& name, const std::string& bytes, uint32_t date = 0) {
        plan.files.push_back(pack::TPackSource{name, Write("in/" + std::to_string(plan.files.size()), bytes, date)});
        sources_[name.substr(0, name.find('*'))] = bytes;
    }

    std::vector<Text> Build(const pack::TPackPlan& plan) {
        pack::TPackSummary summary;
        Text error;
        EXPECT_TRUE(pack::WritePackage(plan, summary, error)) << error;
        return summary.outputs;
    }

    // The file as the engine would join it from its extracted pieces.
    std::string Joined(const std::string& folder, const std::string& name) {
        std::string bytes = ReadFile(folder_ / folder / name);
        for (int k = 2; fs::exists(folder_ / folder / pack::PieceName(name, k)); ++k) {
            bytes += ReadFile(folder_ / folder / pack::PieceName(name, k));
        }
        return bytes;
    }

    void ExpectExtractedSources(const std::string& folder) {
        for (const auto& source : sources_) EXPECT_TRUE(Joined(folder, source.first) == source.second) << source.first;
    }

protected:
    std::map<std::string, std::string> sources_;
};

TEST_F(PackWriterTest, FilesFromOneKilobyteToTensOfMegabytesRoundTripWithEveryField) {
    pack::TPackPlan plan = Plan();
    plan.headerRecords = {"#|ENGLISH|s0=Title|#", "|http://a/|p.info|ProdAU.exe|tok|1|", "|http://w/|Full.exe|0|wt|9|"};
    plan.packFlags = pack::kInformTempDrive | pack::kShowActivityBar | pack::kStubLogBit;
    plan.webSetup = 1;
    plan.askBeforeDownload = 1;
    plan.makeAgent = 1;
    plan.workers = 2;
    Add(plan, "Engine.exe*/X", RandomBytes(1024, 1), 1087210874);
    Add(plan, "setup.inf", TextBytes(100000, 2));
    Add(plan, "00000#small.bin", RandomBytes(1024, 3));
    Add(plan, "00001#empty.txt", "");
    Add(plan, "00002#one.bin", RandomBytes(pack::kPieceSize, 4));
    Add(plan, "00003#two.txt", TextBytes(pack::kPieceSize + 1, 5));
    Add(plan, "00004#big.bin", RandomBytes(12000000, 6) + TextBytes(11000000, 7));
    ASSERT_EQ(Build(plan), std::vector<Text>{Path("setup.exe")});
    const std::string setup = ReadFile(Path("setup.exe"));

    TPackTrailer raw;
    ReadTrailer(Path("setup.exe"), raw);
    EXPECT_EQ(raw.FormatMark, 1);
    EXPECT_EQ(raw.HeaderCount, 3);
    EXPECT_EQ(raw.Reserved, 0);
    EXPECT_EQ(raw.DataStart, packtest::kStubSize);
    EXPECT_EQ(raw.ChunkCount, 12u);
    EXPECT_EQ(raw.PackMagic, pack::kPackMagic);
    EXPECT_EQ(raw.PackChecksum, FileChecksum(Path("setup.exe"), 74));
    EXPECT_NE(raw.PackChecksum, pack::kChecksumSkipped);
    EXPECT_EQ(raw.Opaque1, (std::array<uint8_t, 8>{}));
    const uint64_t pieced = (pack::kPieceSize + 1) + 23000000;
    EXPECT_EQ(raw.SpaceNeeded[0], 1024 + 100000 + 1024 + pack::kPieceSize + 2 * pieced);
    EXPECT_EQ(raw.SpaceNeeded,
              pack::SpaceNeededFor(
                  {{1024, false}, {100000}, {1024}, {0}, {pack::kPieceSize}, {pack::kPieceSize + 1}, {23000000}}));
    EXPECT_EQ(raw.Opaque2, 0);
    EXPECT_EQ(raw.PackFlags, pack::kInformTempDrive | pack::kShowActivityBar | pack::kStubLogBit);
    EXPECT_EQ(raw.WebSetup, 1);
    EXPECT_EQ(raw.AskBeforeDownload, 1);
    EXPECT_EQ(raw.MakeAgent, 1);
    EXPECT_EQ(raw.AutoUpdateProg, 0);
    EXPECT_EQ(raw.TrailerLength, 74u);

    platform::File file = platform::File::OpenRead(Path("setup.exe"));
    EXPECT_TRUE(IsPeFile(file));
    EXPECT_EQ(StoredEnd(file), setup.size());
    EXPECT_EQ(setup.substr(packtest::kBlockAt + 9, pack::kBuildBlockDataSize), plan.buildBlock);

    const TGFileInfo info(Path("setup.exe"));
    EXPECT_EQ(info.LangTable, plan.headerRecords[0]);
    EXPECT_EQ(info.ProductInfo, plan.headerRecords[1]);
    EXPECT_EQ(info.WebInfo, plan.headerRecords[2]);
    const uint32_t head = info.trailer.DataStart;

    unpack::TExtractEvents events;
    const unpack::TExtractResult result = unpack::ExtractPackage(Path("setup.exe"), Path("out"), "ProdAU.exe", events);
    ASSERT_FALSE(result.failure.failed()) << result.failure.Describe();
    EXPECT_TRUE(result.checksumHeld);
    EXPECT_EQ(result.engineEntry, "Engine.exe*/X");
    EXPECT_EQ(result.pieces, 12u);
    ExpectExtractedSources("out");
    for (size_t i = 0; i < plan.files.size(); ++i) {
        const std::string name = plan.files[i].name.substr(0, plan.files[i].name.find('*'));
        EXPECT_EQ(packtest::DosDateOf(Path("out/" + name)), packtest::DosDateOf(plan.files[i].path)) << name;
    }

    // The agent: the setup's head with a cleared low end offset, then the
    // setup's trailer with AutoUpdateProg 1.
    const std::string agent = ReadFile(Path("out/ProdAU.exe"));
    ASSERT_EQ(agent.size(), head + 74u);
    std::string expected = setup.substr(0, head);
    expected.replace(pack::kStoredEndLowOffset, 4, std::string(4, '\0'));
    EXPECT_TRUE(agent.compare(0, head, expected) == 0);
    EXPECT_EQ(agent[head + pack::kOffAutoUpdateProg], 1);
    EXPECT_EQ(agent.substr(head + 1, 60), setup.substr(setup.size() - 73, 60));
}

TEST_F(PackWriterTest, IncompressiblePiecesAreStoredAndTextIsCompressed) {
    pack::TPackPlan plan = Plan();
    Add(plan, "random.bin", RandomBytes(70000, 8));
    Add(plan, "text.txt", TextBytes(70000, 9));
    for (int level : {6, 0}) {
        plan.level = level;
        Build(plan);
        unpack::TExtractEvents events;
        LengthSink sink;
        ASSERT_FALSE(unpack::WalkPackage(Path("setup.exe"), {}, events, sink).failure.failed());
        EXPECT_LT(sink.lengths["random.bin"], 0) << level;
        if (level == 0) EXPECT_LT(sink.lengths["text.txt"], 0);
        if (level == 6) EXPECT_GT(sink.lengths["text.txt"], 0);
    }
}

TEST_F(PackWriterTest, SameInputsGiveIdenticalBytesWhateverTheThreadCount) {
    pack::TPackPlan plan = Plan();
    Add(plan, "a.bin", RandomBytes(3 * pack::kPieceSize / 2, 10));
    Add(plan, "b.txt", TextBytes(2 * pack::kPieceSize + 17, 11));
    plan.workers = 1;
    Build(plan);
    const std::string first = ReadFile(Path("setup.exe"));
    plan.workers = 4;
    Build(plan);
    EXPECT_TRUE(ReadFile(Path("setup.exe")) == first);
}

// ---- Worked values ------------------------------------------------------

TEST_F(PackWriterTest, DosDate1087210874TravelsFromFileToPieceToExtractedFile) {
    pack::TPackPlan plan = Plan();
    Add(plan, "Engine.exe*", "engine", 1087210874);
    Build(plan);
    EXPECT_NE(ReadFile(Path("setup.exe")).find("|Engine.exe*|1087210874|"), std::string::npos);
    unpack::TExtractEvents events;
    ASSERT_FALSE(unpack::ExtractPackage(Path("setup.exe"), Path("out"), "", events).failure.failed());
    const uint32_t date = packtest::DosDateOf(Path("out/Engine.exe"));
    EXPECT_EQ(date, 1087210874u);
    const CivilTime t = CivilFromDosDateTime(date);
    EXPECT_EQ((std::vector<int>{t.year, t.month, t.day, t.hour, t.minute, t.second}),
              (std::vector<int>{2012, 6, 13, 16, 43, 52}));
}

TEST(PackSpaceNeeded, RoundsEachCountedSizeToTheCluster) {
    using Space = std::array<uint32_t, pack::kSpaceEntries>;
    const uint32_t piece = pack::kPieceSize;  // a multiple of every cluster
    const struct {
        const char* what;
        std::vector<pack::TSpaceFile> files;
        Space space;
    } cases[] = {
        {"nothing", {}, Space{}},
        {"an empty file", {{0}}, Space{}},
        {"one byte", {{1}}, {1, 512, 1024, 2048, 4096, 8192, 16384, 32768, 65536}},
        {"513 bytes", {{513}}, {513, 1024, 1024, 2048, 4096, 8192, 16384, 32768, 65536}},
        {"two files round apart", {{1}, {1}}, {2, 1024, 2048, 4096, 8192, 16384, 32768, 65536, 131072}},
        {"one whole piece", {{piece}}, {piece, piece, piece, piece, piece, piece, piece, piece, piece}},
        // Pieces piece and 1, then the joined file of piece + 1 bytes.
        {"two pieces count twice",
         {{piece + 1}},
         {2 * piece + 2, 2 * piece + 1024, 2 * piece + 2048, 2 * piece + 4096, 2 * piece + 8192, 2 * piece + 16384,
          2 * piece + 32768, 2 * piece + 65536, 2 * piece + 131072}},
        {"the engine's pieces make one file",
         {{piece + 1, false}},
         {piece + 1, piece + 512, piece + 1024, piece + 2048, piece + 4096, piece + 8192, piece + 16384, piece + 32768,
          piece + 65536}},
        {"beyond 4 GiB stays at the top",
         {{3ull << 30}},
         {UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX}},
    };
    for (const auto& c : cases) EXPECT_EQ(pack::SpaceNeededFor(c.files), c.space) << c.what;
}

// A file of exactly 52,428,800 bytes is summed; one byte more is not. The
// payload is stored (level 0), so its size sets the package size exactly.
TEST_F(PackWriterTest, ChecksumIsSummedUpTo52428800BytesAnd1234Beyond) {
    pack::TPackPlan plan = Plan();
    plan.level = 0;
    Add(plan, "00000#payload.bin", "");
    Build(plan);
    for (uint64_t size : {pack::kChecksumLimit, pack::kChecksumLimit + 1}) {
        // Each piece adds its header and length, so the payload is adjusted
        // until the package has the size.
        uint64_t payload = size;
        for (int round = 0; round < 3 && fs::file_size(Path("setup.exe")) != size; ++round) {
            payload -= fs::file_size(Path("setup.exe")) - size;
            Write("in/0", RandomBytes(static_cast<size_t>(payload), 13));
            Build(plan);
        }
        ASSERT_EQ(fs::file_size(Path("setup.exe")), size);
        TPackTrailer t;
        ReadTrailer(Path("setup.exe"), t);
        if (size == pack::kChecksumLimit) {
            EXPECT_NE(t.PackChecksum, pack::kChecksumSkipped);
            EXPECT_EQ(t.PackChecksum, FileChecksum(Path("setup.exe"), 74));
        } else {
            EXPECT_EQ(t.PackChecksum, pack::kChecksumSkipped);
        }
        unpack::TExtractEvents events;
        const unpack::TExtractResult result = unpack::ExtractPackage(Path("setup.exe"), Path("out"), "", events);
        EXPECT_FALSE(result.failure.failed()) << result.failure.Describe();
        EXPECT_TRUE(result.checksumHeld);
    }
}

// ---- Multi-disk sets ------------------------------------------------------

class PackMultiDiskTest : public PackWriterTest {
protected:
    void SetUp() override {
        PackWriterTest::SetUp();
        plan_ = Plan();
        plan_.diskSize = pack::kPieceSize + 4096;
        plan_.packFlags = pack::kIsCdSet;
        Add(plan_, "Engine.exe*", RandomBytes(1000, 14));
        Add(plan_, "00000#a.bin", RandomBytes(2 * pack::kPieceSize + 1000, 15));
        Add(plan_, "00001#b.txt", TextBytes(3000000, 16));
        outputs_ = Build(plan_);
    }

    pack::TPackPlan plan_;
    std::vector<Text> outputs_;
};

TEST_F(PackMultiDiskTest, EveryDiskFitsHoldsRecordsAndOnlyTheSetupHasHeaders) {
    ASSERT_GE(outputs_.size(), 3u);
    uint32_t chunks = 0;
    for (size_t i = 0; i < outputs_.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        EXPECT_EQ(outputs_[i], number == 1 ? Path("setup.exe") : Path("setup.exe") + "." + ZeroPad(number, 3));
        EXPECT_LE(fs::file_size(outputs_[i]), plan_.diskSize);
        TPackTrailer t;
        ReadTrailer(outputs_[i], t);
        platform::File file = platform::File::OpenRead(outputs_[i]);
        EXPECT_EQ(IsPeFile(file), number == 1);
        EXPECT_EQ(t.DataStart, number == 1 ? packtest::kStubSize : 0u);
        EXPECT_EQ(t.PackChecksum, FileChecksum(outputs_[i], 74));
        const bool last = i + 1 == outputs_.size();
        EXPECT_EQ(t.PackFlags, pack::kIsCdSet | (last ? 0 : pack::kIsMultiDisk)) << number;
        // Walked on its own, a continuation disk holds chunks only, as many
        // as its trailer says, and at least one.
        if (number > 1) {
            unpack::TExtractEvents events;
            LengthSink sink;
            unpack::TWalkOptions options;
            options.followDisks = false;
            options.firstDisk = unpack::DiskNumberOf(outputs_[i]);
            const unpack::TExtractResult walked = unpack::WalkPackage(outputs_[i], options, events, sink);
            EXPECT_FALSE(walked.failure.failed()) << walked.failure.Describe();
            EXPECT_EQ(walked.records, t.ChunkCount);
            EXPECT_GE(t.ChunkCount, 1u);
            chunks += t.ChunkCount;
        }
    }
    TPackTrailer setup;
    ReadTrailer(outputs_[0], setup);
    EXPECT_EQ(setup.ChunkCount, 1u + 3u + 1u);  // the whole set
    EXPECT_LT(chunks, setup.ChunkCount);
}

TEST_F(PackMultiDiskTest, ExtractionWalksTheDisksInTurn) {
    RecordingEvents events;
    const unpack::TExtractResult result = unpack::ExtractPackage(Path("setup.exe"), Path("out"), "", events);
    ASSERT_FALSE(result.failure.failed()) << result.failure.Describe();
    EXPECT_EQ(result.disks, static_cast<int>(outputs_.size()));
    EXPECT_EQ(events.disks, std::vector<Text>(outputs_.begin() + 1, outputs_.end()));
    EXPECT_EQ(events.ranges, (std::vector<uint32_t>{0, 5}));
    EXPECT_EQ(events.steps, 5 + static_cast<int>(outputs_.size()) - 1);  // each new file, each next disk
    EXPECT_EQ(result.engineEntry, "Engine.exe*");
    ExpectExtractedSources("out");
}

TEST_F(PackMultiDiskTest, ACancelledOrMissingDiskStartsNoEngine) {
    RecordingEvents cancelling;
    cancelling.cancelAt = 3;
    unpack::TExtractResult result = unpack::ExtractPackage(Path("setup.exe"), Path("out1"), "", cancelling);
    EXPECT_EQ(result.failure.kind, unpack::TFailureKind::Cancelled);
    EXPECT_EQ(result.failure.file, Path("setup.exe.003"));
    EXPECT_TRUE(result.engineEntry.empty());

    fs::remove(Path("setup.exe.002"));
    unpack::TExtractEvents events;
    result = unpack::ExtractPackage(Path("setup.exe"), Path("out2"), "", events);
    EXPECT_EQ(result.failure.kind, unpack::TFailureKind::Cancelled);
    EXPECT_TRUE(result.engineEntry.empty());
}

// ---- Errors: a clear reason and no output left behind ---------------------

TEST_F(PackWriterTest, BadInputFailsWithItsReasonAndLeavesNoOutput) {
    const struct {
        const char* what;
        std::function<void(pack::TPackPlan&, PackWriterTest&)> spoil;
        const char* reason;
    } cases[] = {
        {"missing stub", [](pack::TPackPlan& p, PackWriterTest&) { p.stubPath += ".gone"; }, "cannot read"},
        {"no PE at 256",
         [](pack::TPackPlan& p, PackWriterTest& t) {
             std::string s = packtest::StubImage();
             s[pack::kPeMarkOffset] = 'X';
             t.Write("stub.exe", s);
             (void)p;
         },
         "no \"PE\" header at offset 256"},
        {"no MZ",
         [](pack::TPackPlan&, PackWriterTest& t) { t.Write("stub.exe", "ZM" + packtest::StubImage().substr(2)); },
         "no \"MZ\""},
        {"end slots in use",
         [](pack::TPackPlan&, PackWriterTest& t) {
             std::string s = packtest::StubImage();
             s[pack::kStoredEndLowOffset] = 1;
             t.Write("stub.exe", s);
         },
         "no room for the end offset"},
        {"no per-build block",
         [](pack::TPackPlan&, PackWriterTest& t) {
             std::string s = packtest::StubImage();
             s[packtest::kBlockAt + pack::kBuildBlockSize - 1] = '?';
             t.Write("stub.exe", s);
         },
         "per-build block"},
        {"stub too small",
         [](pack::TPackPlan&, PackWriterTest& t) { t.Write("stub.exe", packtest::StubImage().substr(0, 300)); },
         "too small"},
        {"missing file", [](pack::TPackPlan& p, PackWriterTest&) { p.files[1].path += ".gone"; }, "cannot read"},
        {"name leaving the folder", [](pack::TPackPlan& p, PackWriterTest&) { p.files[1].name = "../x"; },
         "not a safe file name"},
        {"name with |", [](pack::TPackPlan& p, PackWriterTest&) { p.files[1].name = "a|b"; }, "not a safe file name"},
        {"disk smaller than stub and headers", [](pack::TPackPlan& p, PackWriterTest&) { p.diskSize = 2000; },
         "smaller than the stub"},
        // Fails after the first disk file was begun.
        {"disk smaller than a record", [](pack::TPackPlan& p, PackWriterTest&) { p.diskSize = 300000; },
         "smaller than piece 2"},
        {"level 10", [](pack::TPackPlan& p, PackWriterTest&) { p.level = 10; }, "level"},
    };
    for (const auto& c : cases) {
        pack::TPackPlan plan = Plan();
        plan.files.clear();
        Add(plan, "small.txt", TextBytes(1000, 17));
        Add(plan, "big.bin", RandomBytes(400000, 18));
        c.spoil(plan, *this);
        pack::TPackSummary summary;
        Text error;
        EXPECT_FALSE(pack::WritePackage(plan, summary, error)) << c.what;
        EXPECT_NE(error.find(c.reason), Text::npos) << c.what << ": " << error;
        EXPECT_EQ(Names(), (std::vector<std::string>{"in", "stub.exe"})) << c.what;
    }
}

}  // namespace
