// The package format and reader: trailer encoding, piece headers, the
// trailer lookup of stub images, signed files and disk files, header
// records, hostile files, the checksum and the accessors of TGFileInfo.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "package/PackFormat.h"
#include "package/PackX.h"
#include "tests/unit/PackTestFiles.h"
#include "util/Dates.h"

namespace {

namespace fs = std::filesystem;
using pack::TPackTrailer;
using pack::TrailerBytes;

constexpr size_t kStubSize = 1024;

void PutLE32(std::string& bytes, size_t offset, uint32_t value) {
    pack::WriteLE32(reinterpret_cast<uint8_t*>(&bytes[offset]), value);
}

void AppendRecord(std::string& out, int32_t length, const std::string& bytes) {
    std::string prefix(4, '\0');
    PutLE32(prefix, 0, static_cast<uint32_t>(length));
    out += prefix + bytes;
}

TPackTrailer SetupTrailer() {
    TPackTrailer t;
    t.FormatMark = 1;
    t.HeaderCount = 3;
    t.PackMagic = pack::kPackMagic;
    t.PackChecksum = pack::kChecksumSkipped;
    t.TrailerLength = pack::kTrailerSize;
    return t;
}

// A package file as the builder writes it: stub image, header records,
// stored chunk records, trailer, and optionally a signature behind it.
struct PackageImage {
    bool stub = true;       // "MZ" and "PE" marks in a stub image in front
    bool storeEnd = true;   // StoredEnd written into the stub image
    std::vector<std::string> headers{
        "\x02",
        "|http://agent.example/|C:\\Prod\\prod.v2.info|ProdAU.exe|tok|1|",
        "|http://web.example/dir/|Full.exe|1|wtok|123456|",
    };
    std::vector<std::string> pieces{pack::PieceHeader("Engine.exe*", 1087210874) + "engine"};
    TPackTrailer trailer = SetupTrailer();
    std::string signature;  // bytes behind StoredEnd

    size_t RecordOffset(size_t i) const {
        size_t offset = stub ? kStubSize : 0;
        for (size_t k = 0; k < i; ++k) offset += 4 + headers[k].size();
        return offset;
    }

    std::string Bytes() const {
        std::string out;
        if (stub) {
            out.assign(kStubSize, '\0');
            out.replace(0, 2, "MZ");
            out.replace(pack::kPeMarkOffset, 2, "PE");
        }
        TPackTrailer t = trailer;
        t.DataStart = static_cast<uint32_t>(out.size());
        t.ChunkCount = static_cast<uint32_t>(pieces.size());
        for (const std::string& h : headers) AppendRecord(out, static_cast<int32_t>(h.size()), h);
        for (const std::string& p : pieces) AppendRecord(out, -static_cast<int32_t>(p.size()), p);
        TrailerBytes tb = pack::EncodeTrailer(t);
        out.append(tb.begin(), tb.end());
        if (stub && storeEnd) PutLE32(out, pack::kStoredEndLowOffset, static_cast<uint32_t>(out.size()));
        return out + signature;
    }
};

// A fresh folder per test (TestFolder) with files written into it.
class PackageFiles : public packtest::TestFolder {
protected:
    // A zero-filled file of the given size, sparse where the file system can.
    std::string Sized(const std::string& name, uint64_t size, const std::string& head) {
        std::string path = Write(name, head);
        fs::resize_file(path, size);
        return path;
    }
};

bool SameTrailer(const TPackTrailer& a, const TPackTrailer& b) {
    return pack::EncodeTrailer(a) == pack::EncodeTrailer(b);
}

// A trailer whose every field holds a distinct value.
TPackTrailer DistinctTrailer() {
    TPackTrailer t;
    t.FormatMark = 1;
    t.HeaderCount = 3;
    t.Reserved = 0x0302;
    t.DataStart = 0x07060504;
    t.ChunkCount = 0x0B0A0908;
    t.PackMagic = pack::kPackMagic;
    t.PackChecksum = 0x13121110;
    t.Opaque1 = {0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B};
    for (int k = 0; k < pack::kSpaceEntries; ++k) t.SpaceNeeded[k] = 0x1C1C1C1Cu + k;
    t.Opaque2 = 0x40;
    t.PackFlags = 0x1F;
    t.WebSetup = 1;
    t.AskBeforeDownload = 1;
    t.MakeAgent = 1;
    t.AutoUpdateProg = 1;
    t.TrailerLength = 74;
    return t;
}

// ---- Trailer encoding -------------------------------------------------

TEST(TrailerFormat, EveryFieldSitsAtItsOffsetAndRoundTrips) {
    const TPackTrailer t = DistinctTrailer();
    const TrailerBytes b = pack::EncodeTrailer(t);
    EXPECT_EQ(b[1], 3);
    EXPECT_EQ(pack::ReadLE32(&b[4]), 0x07060504u);
    EXPECT_EQ(b[12], 0x1D);  // magic, little-endian
    EXPECT_EQ(b[15], 0x4A);
    EXPECT_EQ(pack::ReadLE32(&b[16]), 0x13121110u);
    EXPECT_EQ(b[20], 0x14);
    EXPECT_EQ(pack::ReadLE32(&b[28]), 0x1C1C1C1Cu);
    EXPECT_EQ(pack::ReadLE32(&b[60]), 0x1C1C1C1Cu + 8);
    EXPECT_EQ(b[64], 0x40);
    EXPECT_EQ(b[65], 0x1F);
    EXPECT_EQ(b[69], 1);
    EXPECT_EQ(pack::ReadLE32(&b[70]), 74u);

    TPackTrailer back;
    pack::DecodeTrailer(b.data(), b.size(), back);
    EXPECT_TRUE(SameTrailer(back, t));
}

TEST(TrailerFormat, ShortImageFillsOnlyItsOwnBytes) {
    const TrailerBytes full = pack::EncodeTrailer(DistinctTrailer());
    TPackTrailer t;
    t.PackFlags = 0x77;
    pack::DecodeTrailer(full.data(), 34, t);  // ends inside SpaceNeeded[1]
    EXPECT_EQ(t.PackChecksum, 0x13121110u);
    EXPECT_EQ(t.SpaceNeeded[0], 0x1C1C1C1Cu);
    EXPECT_EQ(t.SpaceNeeded[1], 0x1C1Du);  // its two low bytes only
    EXPECT_EQ(t.SpaceNeeded[2], 0u);
    EXPECT_EQ(t.PackFlags, 0x77);
}

// ---- Piece headers, names and cluster rounding ------------------------

TEST(PackPieces, HeaderCarriesNameAndDosDate) {
    const std::string piece = pack::PieceHeader("Engine.exe*", 1087210874) + "data\0more";
    EXPECT_EQ(piece.substr(0, 25), std::string("|Engine.exe*|1087210874|\0", 25));

    std::string name;
    uint32_t date = 0;
    size_t offset = 0;
    ASSERT_TRUE(pack::ParsePieceHeader(piece, name, date, offset));
    EXPECT_EQ(name, "Engine.exe*");
    EXPECT_EQ(date, 1087210874u);
    EXPECT_EQ(piece.substr(offset), "data");

    CivilTime c = CivilFromDosDateTime(date);
    EXPECT_EQ(c.year, 2012);
    EXPECT_EQ(c.month, 6);
    EXPECT_EQ(c.day, 13);
    EXPECT_EQ(c.hour, 16);
    EXPECT_EQ(c.minute, 43);
    EXPECT_EQ(c.second, 52);
}

TEST(PackPieces, MalformedHeaders) {
    std::string name;
    uint32_t date = 7;
    size_t offset = 0;
    EXPECT_FALSE(pack::ParsePieceHeader("|a|1|no separator", name, date, offset));
    EXPECT_FALSE(pack::ParsePieceHeader(std::string("\0data", 5), name, date, offset));
    EXPECT_FALSE(pack::ParsePieceHeader("", name, date, offset));

    ASSERT_TRUE(pack::ParsePieceHeader(std::string("*a.txt*noon*\0x", 14), name, date, offset));
    EXPECT_EQ(name, "a.txt");
    EXPECT_EQ(date, 0u);  // not a number
    EXPECT_EQ(offset, 13u);
    ASSERT_TRUE(pack::ParsePieceHeader(std::string("|b|99999999999|\0", 16), name, date, offset));
    EXPECT_EQ(date, 0u);  // beyond 32 bits
}

TEST(PackPieces, PieceNames) {
    EXPECT_EQ(pack::PieceName("00003#app.dll", 1), "00003#app.dll");
    EXPECT_EQ(pack::PieceName("00003#app.dll", 2), "00003#app.dll.00002");
    EXPECT_EQ(pack::PieceName("big.cab", 12345), "big.cab.12345");
}

TEST(PackPieces, ClusterRounding) {
    struct Case {
        uint64_t size;
        int k;
        uint64_t rounded;
    };
    const Case cases[] = {
        {0, 0, 0},         {1, 0, 1},          {5242880, 0, 5242880}, {0, 1, 0},
        {1, 1, 512},       {512, 1, 512},      {513, 1, 1024},        {4097, 4, 8192},
        {1, 8, 65536},     {65537, 8, 131072}, {uint64_t{1} << 32, 8, uint64_t{1} << 32},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pack::ClusterRounded(c.size, c.k), c.rounded) << c.size << " k=" << c.k;
    }
}

// ---- Reading packages --------------------------------------------------

TEST_F(PackageFiles, SetupPackageReadsTrailerAndHeaders) {
    PackageImage image;
    TPackTrailer fields = DistinctTrailer();
    image.trailer = fields;
    const std::string bytes = image.Bytes();
    const std::string path = Write("setup.exe", bytes);

    TPackTrailer read;
    ReadTrailer(path, read);
    fields.DataStart = kStubSize;
    fields.ChunkCount = 1;
    EXPECT_TRUE(SameTrailer(read, fields));

    TGFileInfo info(path);
    EXPECT_EQ(info.LangTable, "\x02");
    EXPECT_EQ(info.ProductInfo, image.headers[1]);
    EXPECT_EQ(info.WebInfo, image.headers[2]);
    EXPECT_EQ(info.trailer.DataStart, image.RecordOffset(3));  // advanced past the records
    EXPECT_EQ(info.trailer.SpaceNeeded[8], 0x1C1C1C1Cu + 8);
    EXPECT_TRUE(info.IsAutoUpdateProg());
}

TEST_F(PackageFiles, HeaderCountZeroReadsTwoRecords) {
    PackageImage image;
    image.trailer.HeaderCount = 0;
    TGFileInfo info(Write("setup.exe", image.Bytes()));
    EXPECT_EQ(info.trailer.HeaderCount, 2);
    EXPECT_EQ(info.ProductInfo, image.headers[1]);
    EXPECT_EQ(info.WebInfo, "");
    EXPECT_EQ(info.trailer.DataStart, image.RecordOffset(2));
}

TEST_F(PackageFiles, SignedFileIgnoresBytesBehindStoredEnd) {
    PackageImage image;
    image.trailer.PackChecksum = 0x5EED;
    const std::string plain = Write("plain.exe", image.Bytes());
    image.signature = std::string(3000, '\x5A') + "\x4A\0\0\0";  // ends like a trailer length
    const std::string signed_ = Write("signed.exe", image.Bytes());

    TGFileInfo info(signed_);
    EXPECT_EQ(info.trailer.PackChecksum, 0x5EEDu);
    EXPECT_EQ(info.trailer.TrailerLength, 74u);
    EXPECT_EQ(info.WebInfo, image.headers[2]);
    const uint32_t sum = FileChecksum(plain, 74);
    EXPECT_EQ(FileChecksum(signed_, 74), sum);
    EXPECT_NE(sum, 0u);
}

TEST_F(PackageFiles, TrailerAtFileEndWithoutStoredEnd) {
    struct Case {
        const char* name;
        bool stub;
        bool storeEnd;
    };
    // A data-only disk file, and a stub image whose end offset was cleared
    // (an agent written from a setup).
    for (const Case& c : {Case{"disk.002", false, true}, Case{"agent.exe", true, false}}) {
        PackageImage image;
        image.stub = c.stub;
        image.storeEnd = c.storeEnd;
        image.trailer.PackFlags = pack::kIsMultiDisk;
        image.pieces = {pack::PieceHeader("big.cab", 1) + std::string(400, 'x')};
        std::string bytes = image.Bytes();
        if (!c.stub) PutLE32(bytes, pack::kStoredEndLowOffset, 100);  // not an end offset here
        TGFileInfo info(Write(c.name, bytes));
        EXPECT_TRUE(info.IsMultiDisk()) << c.name;
        EXPECT_EQ(info.ProductInfo, image.headers[1]) << c.name;
    }
}

TEST_F(PackageFiles, OlderShorterTrailerFillsOnlyItsFields) {
    PackageImage image;
    image.trailer = DistinctTrailer();
    std::string bytes = image.Bytes();
    // Cut the trailer to its first 36 bytes plus a length of 40.
    const size_t trailerAt = bytes.size() - pack::kTrailerSize;
    bytes.resize(trailerAt + 36);
    bytes += std::string(4, '\0');
    PutLE32(bytes, bytes.size() - 4, 40);
    PutLE32(bytes, pack::kStoredEndLowOffset, static_cast<uint32_t>(bytes.size()));

    TPackTrailer t;
    ReadTrailer(Write("old.exe", bytes), t);
    EXPECT_EQ(t.TrailerLength, 40u);
    EXPECT_EQ(t.PackMagic, pack::kPackMagic);
    EXPECT_EQ(t.SpaceNeeded[1], 0x1C1C1C1Du);
    EXPECT_EQ(t.SpaceNeeded[2], 0u);
    EXPECT_EQ(t.PackFlags, 0);
    EXPECT_EQ(t.AutoUpdateProg, 0);
}

TEST_F(PackageFiles, ForeignMagicKeepsTrailerAndNoTexts) {
    PackageImage image;
    image.trailer.PackMagic = 0x12345678;
    image.trailer.WebSetup = 1;
    TGFileInfo info(Write("other.exe", image.Bytes()));
    EXPECT_EQ(info.trailer.PackMagic, 0x12345678u);
    EXPECT_TRUE(info.IsWebSetup());
    EXPECT_EQ(info.trailer.DataStart, kStubSize);  // not advanced
    EXPECT_EQ(info.LangTable, "");
    EXPECT_EQ(info.ProductInfo, "");
    EXPECT_EQ(info.WebInfo, "");
}

void ExpectEmptyPackage(const TGFileInfo& info, const std::string& what) {
    EXPECT_TRUE(SameTrailer(info.trailer, TPackTrailer{})) << what;
    EXPECT_EQ(info.LangTable, "") << what;
    EXPECT_EQ(info.ProductInfo, "") << what;
    EXPECT_EQ(info.WebInfo, "") << what;
    EXPECT_FALSE(info.IsWebSetup() || info.IsMultiDisk() || info.IsAutoUpdateProg()) << what;
}

TEST_F(PackageFiles, HostileFilesReadAsEmptyPackage) {
    PackageImage image;
    image.trailer.WebSetup = 1;
    const std::string good = image.Bytes();
    const size_t size = good.size();
    const size_t trailerAt = size - pack::kTrailerSize;
    struct Case {
        const char* name;
        std::function<void(std::string&)> damage;
    };
    const auto u32 = [](size_t v) { return static_cast<uint32_t>(v); };
    const Case cases[] = {
        {"trailer length 0", [&](std::string& b) { PutLE32(b, size - 4, 0); }},
        {"trailer length 3", [&](std::string& b) { PutLE32(b, size - 4, 3); }},
        {"trailer length max", [&](std::string& b) { PutLE32(b, size - 4, 0xFFFFFFFF); }},
        {"trailer longer than file", [&](std::string& b) { PutLE32(b, size - 4, u32(size + 1)); }},
        {"DataStart past end", [&](std::string& b) { PutLE32(b, trailerAt + 4, u32(size + 10)); }},
        {"DataStart max", [&](std::string& b) { PutLE32(b, trailerAt + 4, 0xFFFFFFFF); }},
        {"DataStart at last bytes", [&](std::string& b) { PutLE32(b, trailerAt + 4, u32(size - 2)); }},
        {"header length huge", [&](std::string& b) { PutLE32(b, image.RecordOffset(0), 0x7FFFFFFF); }},
        {"header length negative", [&](std::string& b) { PutLE32(b, image.RecordOffset(0), 0xFFFFFFFB); }},
        {"second record past end", [&](std::string& b) { PutLE32(b, image.RecordOffset(1), u32(size)); }},
        {"web record past end", [&](std::string& b) { PutLE32(b, image.RecordOffset(2), u32(size)); }},
        {"StoredEnd beyond file", [&](std::string& b) { PutLE32(b, 252, u32(size + 100)); }},
        {"StoredEnd high half", [&](std::string& b) { PutLE32(b, 248, 1); }},
        {"StoredEnd below 4", [&](std::string& b) { PutLE32(b, 252, 2); }},
        {"0-byte file", [](std::string& b) { b.clear(); }},
        {"3-byte file", [](std::string& b) { b = "MZ\x01"; }},
        {"trailer length only", [](std::string& b) { b = std::string("\x4A\0\0\0", 4); }},
    };
    for (const Case& c : cases) {
        std::string bytes = good;
        c.damage(bytes);
        const std::string path = Write("hostile.exe", bytes);
        ExpectEmptyPackage(TGFileInfo(path), c.name);
        (void)FileChecksum(path, 0xFFFFFFFF);  // must stay within the file
        (void)FileChecksum(path, 0);
    }
    ExpectEmptyPackage(TGFileInfo(folder_.string()), "directory");
    ExpectEmptyPackage(TGFileInfo(Path("missing.exe")), "missing file");
}

// ---- Checksum ----------------------------------------------------------

std::string Words(std::initializer_list<uint32_t> words) {
    std::string out(4 * words.size(), '\0');
    size_t at = 0;
    for (uint32_t w : words) {
        PutLE32(out, at, w);
        at += 4;
    }
    return out;
}

// A stub image of the given size whose low StoredEnd half holds storedLow;
// the bytes from 512 on are fill.
std::string StubWithEnd(size_t size, uint32_t storedLow, char fill) {
    std::string out(size, fill);
    std::fill(out.begin(), out.begin() + 512, '\0');
    out.replace(0, 2, "MZ");
    out.replace(pack::kPeMarkOffset, 2, "PE");
    PutLE32(out, pack::kStoredEndLowOffset, storedLow);
    return out;
}

TEST_F(PackageFiles, ChecksumHandComputedCases) {
    const uint32_t w = 0x11111111;
    struct Case {
        const char* name;
        std::string bytes;
        uint32_t trailerLength;
        uint32_t sum;
    };
    const Case cases[] = {
        // The last two words before the trailer stay out.
        {"five words", Words({w, 2 * w, 3 * w, 4 * w, 5 * w}), 0, 6 * w},
        {"trailer of 8", Words({w, 2 * w, 3 * w, 4 * w, 5 * w}), 8, w},
        {"ragged end ignored", Words({w, 2 * w, 3 * w, 4 * w, 5 * w}) + "\xFF\xFF", 0, 10 * w},
        {"wraps", Words({0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 1, 1}), 0, 0xFFFFFFFD},
        {"bonus per block", std::string(8192 + 100, '\0'), 0, 2 * 1234},
        {"no bonus once covered", std::string(4096, '\0'), 0, 0},
        {"bonus then tail", std::string(4105, '\0'), 0, 1234},
        {"trailer longer than file", Words({w, w, w, w}), 0xFFFFFFFF, 0},
        // 4096 bytes behind the header area, but StoredEnd claims 8192 more:
        // the full block and the empty block behind it both add 1234.
        {"empty last block", StubWithEnd(512 + 4096, 512 + 4096 + 8192, '\x01'), 0,
         0x01010101u * 1024u + 2 * 1234u},
        {"end offset beyond file", StubWithEnd(1024, 1000000, '\0'), 74, 1234},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FileChecksum(Write("sum.bin", c.bytes), c.trailerLength), c.sum) << c.name;
    }
    EXPECT_EQ(FileChecksum(Path("missing.bin"), 74), 0u);
}

// The checksum word by word and block by block, without shortcuts.
uint32_t BlockByBlockChecksum(const std::string& bytes, uint32_t trailerLength) {
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    const bool pe = bytes.size() >= 258 && bytes.compare(0, 2, "MZ") == 0 && bytes.compare(256, 2, "PE") == 0;
    const uint32_t low = pe ? pack::ReadLE32(data + 252) : 0;
    const size_t start = low > 0 ? 512 : 0;
    int64_t remaining = static_cast<int64_t>(low > 0 ? low : bytes.size()) - trailerLength - start;
    uint32_t sum = 0;
    for (size_t at = start;;) {
        const size_t n = at < bytes.size() ? std::min<size_t>(4096, bytes.size() - at) : 0;
        for (size_t w = 0; w + 4 <= n; w += 4) {
            remaining -= 4;
            if (remaining > 4) sum += pack::ReadLE32(data + at + w);
        }
        if (remaining > 4) sum += 1234;
        at += n;
        if (n < 4096) return sum;
    }
}

TEST_F(PackageFiles, ChecksumMatchesBlockByBlockDefinition) {
    std::mt19937 rng(52428800);
    const size_t sizes[] = {0, 3, 4095, 4096, 4097, 65535, 65536, 65537, 65536 + 512, 3 * 65536 + 4100};
    const uint32_t trailers[] = {0, 74, 4096, 70000, 0xFFFFFFFF};
    const int64_t endShifts[] = {0, -1000, 5000, 65536};  // StoredEnd relative to the size
    for (size_t size : sizes) {
        std::string bytes(size, '\0');
        for (char& c : bytes) c = static_cast<char>(rng());
        const std::string plain = Write("plain.bin", bytes);
        for (uint32_t t : trailers) {
            EXPECT_EQ(FileChecksum(plain, t), BlockByBlockChecksum(bytes, t)) << size << " T=" << t;
        }
        if (size < 1024) continue;
        for (int64_t shift : endShifts) {
            std::string stub = bytes;
            stub.replace(0, 2, "MZ");
            stub.replace(pack::kPeMarkOffset, 2, "PE");
            PutLE32(stub, pack::kStoredEndLowOffset, static_cast<uint32_t>(static_cast<int64_t>(size) + shift));
            const std::string path = Write("stub.exe", stub);
            for (uint32_t t : trailers) {
                EXPECT_EQ(FileChecksum(path, t), BlockByBlockChecksum(stub, t))
                    << size << " T=" << t << " end shift " << shift;
            }
        }
    }
}

TEST_F(PackageFiles, ChecksumLeavesStubHeaderAreaOut) {
    PackageImage image;
    std::string bytes = image.Bytes();
    const uint32_t sum = FileChecksum(Write("a.exe", bytes), 74);
    for (size_t i = 2; i < 512; ++i) {
        if (i < 252 || i >= 258) bytes[i] = static_cast<char>(i);  // keep StoredEnd low half and "PE"
    }
    EXPECT_EQ(FileChecksum(Write("b.exe", bytes), 74), sum);
    bytes[600] ^= 1;
    EXPECT_NE(FileChecksum(Write("c.exe", bytes), 74), sum);
}

TEST_F(PackageFiles, ChecksumSizeLimitIsInclusive) {
    const std::string head = Words({0x01020304});
    const std::string path = Sized("big.bin", pack::kChecksumLimit, head);
    {
        std::fstream patch(path, std::ios::in | std::ios::out | std::ios::binary);
        patch.seekp(40000000);
        patch.write(Words({0x10000000}).data(), 4);
    }
    // 12800 blocks; the range ends inside the last one, so 12799 bonuses.
    EXPECT_EQ(FileChecksum(path, 74), 0x01020304u + 0x10000000u + 12799u * 1234u);

    fs::resize_file(path, pack::kChecksumLimit + 1);
    EXPECT_EQ(FileChecksum(path, 74), 1234u);
}

// ---- Accessors ---------------------------------------------------------

TEST_F(PackageFiles, RequiredSpaceFollowsClusterSize) {
    TGFileInfo info(Path("none.exe"));
    for (int k = 0; k < pack::kSpaceEntries; ++k) info.trailer.SpaceNeeded[k] = 1000 + k;
    info.trailer.SpaceNeeded[8] = 0xFFFFFFFF;
    const struct {
        uint32_t cluster;
        double space;
    } cases[] = {
        {0, 1000},    {128, 1000}, {511, 1000}, {512, 1001},  {1024, 1002},
        {4096, 1004}, {8191, 1004}, {65536, 4294967295.0}, {1u << 20, 4294967295.0},
    };
    for (const auto& c : cases) EXPECT_EQ(info.RequiredSpaceForCluster(c.cluster), c.space) << c.cluster;
}

TEST_F(PackageFiles, ProductInfoFields) {
    struct Case {
        const char* productInfo;
        const char* infoFile;
        const char* originalFile;
        bool hide;
    };
    const Case cases[] = {
        {"|u|prod.info|a.exe|t|1|", "prod.info", "prod.original", true},
        {"|u|a.b.info|a.exe|t|0|", "a.b.info", "a.original", false},
        {"|u|C:\\Dir\\Sub\\a.b.info|a.exe|t|yes|", "a.b.info", "a.original", false},
        {"|u|http://host/dir/x.info|a.exe|t|", "x.info", "x.original", false},
    };
    for (const Case& c : cases) {
        TGFileInfo info(Path("none.exe"));
        info.ProductInfo = c.productInfo;
        EXPECT_EQ(info.InfoFileName(), c.infoFile) << c.productInfo;
        EXPECT_EQ(info.OriginalFileName(), c.originalFile) << c.productInfo;
        EXPECT_EQ(info.HideSetup(), c.hide) << c.productInfo;
        EXPECT_EQ(info.AgentUrl(), "u");
        EXPECT_EQ(info.AgentExeName(), "a.exe");
        EXPECT_EQ(info.AgentToken(false), "t");
    }
}

TEST_F(PackageFiles, MissingFieldsReadEmpty) {
    TGFileInfo info(Path("none.exe"));
    info.ProductInfo = "|http://agent/|";
    info.WebInfo = "|http://web/|Full.exe";  // no closing delimiter
    EXPECT_EQ(info.AgentUrl(), "http://agent/");
    EXPECT_EQ(info.InfoFileName(), "");
    EXPECT_EQ(info.AgentExeName(), "");
    EXPECT_EQ(info.AgentToken(false), "");
    EXPECT_FALSE(info.HideSetup());
    EXPECT_EQ(info.WebUrl(), "http://web/");
    EXPECT_EQ(info.WebFileName(), "");
    EXPECT_EQ(info.WebSize(), "");
    EXPECT_FALSE(info.WebNoLocalCopy());
    EXPECT_EQ(info.WebToken(false), "");
}

TEST_F(PackageFiles, WebInfoFieldsAndDecodedTokens) {
    TGFileInfo info(Path("none.exe"));
    const std::string web = EncodeToken("web-value-1", "\x21\x52\x03\x04\x05\x06\x07\x08\x09");
    const std::string agent = EncodeToken("agent-value", "\x61\x17\x02\x01\x0a\x0b");
    info.WebInfo = "|http://web/dir/|Full.exe|1|" + web + "|123456|";
    info.ProductInfo = "|u|p.info|a.exe|" + agent + "|0|";
    EXPECT_EQ(info.WebUrl(), "http://web/dir/");
    EXPECT_EQ(info.WebFileName(), "Full.exe");
    EXPECT_TRUE(info.WebNoLocalCopy());
    EXPECT_EQ(info.WebSize(), "123456");
    EXPECT_EQ(info.WebToken(false), web);
    EXPECT_EQ(info.WebToken(true), "web-value-1");
    EXPECT_EQ(info.AgentToken(true), "agent-value");
}

TEST_F(PackageFiles, FlagAccessors) {
    using Accessor = bool (TGFileInfo::*)() const;
    const struct {
        uint8_t bit;
        Accessor flag;
    } bits[] = {
        {pack::kInformTempDrive, &TGFileInfo::InformTempDrive},
        {pack::kIsMultiDisk, &TGFileInfo::IsMultiDisk},
        {pack::kIsCdSet, &TGFileInfo::IsCdSet},
        {pack::kShowActivityBar, &TGFileInfo::ShowActivityBar},
        {pack::kStubLogBit, &TGFileInfo::StubLogBit},
    };
    for (const auto& b : bits) {
        TGFileInfo info(Path("none.exe"));
        info.trailer.PackFlags = b.bit;
        for (const auto& other : bits) EXPECT_EQ((info.*other.flag)(), other.bit == b.bit) << int(b.bit);
    }
    TGFileInfo info(Path("none.exe"));
    info.trailer.WebSetup = 1;
    info.trailer.MakeAgent = 1;
    EXPECT_TRUE(info.IsWebSetup());
    EXPECT_TRUE(info.MakeAgent());
    EXPECT_FALSE(info.AskBeforeDownload());
    EXPECT_FALSE(info.IsAutoUpdateProg());
}

// ---- Web token comparison ---------------------------------------------

TEST_F(PackageFiles, SameWebTokenNeedsTwoGoodEqualTokens) {
    const std::string a1 = EncodeToken("build-0042", "\x01\x02\x03\x04\x05\x06\x07");
    const std::string a2 = EncodeToken("build-0042", "\x71\x62\x53\x44\x35\x26\x17");
    const std::string b = EncodeToken("build-0043", "\x01\x02\x03\x04\x05\x06\x07");
    const std::string damaged = "zzzzzzzzzzzzzzzzzzzz";
    const struct {
        std::string first, second;
        bool same;
    } cases[] = {
        {a1, a2, true},             // same value, different envelopes
        {a1, b, false},
        {damaged, damaged, false},  // both decode to random texts, which may coincide
        {a1, damaged, false},
        {"", "", false},
    };
    for (const auto& c : cases) {
        TGFileInfo x(Path("none.exe"));
        TGFileInfo y(Path("none.exe"));
        x.WebInfo = "|u|f|0|" + c.first + "|1|";
        y.WebInfo = "|u|f|0|" + c.second + "|1|";
        EXPECT_EQ(SameWebToken(x, y), c.same) << c.first << " / " << c.second;
    }
}

}  // namespace
