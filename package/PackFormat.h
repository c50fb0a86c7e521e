// The package format, shared by the stub's reader and the builder. One
// definition of every offset and record, so that writer and reader cannot
// drift apart.
//
//   offset 0          "MZ"                     the stub is a Windows executable
//   offset 248        uint32 StoredEnd high    } file offset just behind the
//   offset 252        uint32 StoredEnd low     } trailer; 0 = none stored
//   offset 256        "PE"                     the stub's PE header
//   ...               rest of the stub image
//   DataStart         header record 1: LangTable     int32 n, n bytes of text
//                     header record 2: ProductInfo
//                     header record 3: WebInfo (HeaderCount >= 3)
//                     ChunkCount chunk records: int32 L, then |L| bytes;
//                       L > 0 zlib stream, L < 0 stored, L = 0 empty record;
//                       the content is a piece:
//                       "|" name "|" DOS date-time "|" NUL data...
//   end - 74          TPackTrailer (74 bytes)
//   StoredEnd         end of the package; a signature may follow
//
// A data-only disk file of a multi-disk set has no stub: its package starts
// at DataStart and ends at the end of the file. All integers little-endian.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace pack {

constexpr size_t kTrailerSize = 74;
constexpr uint32_t kPackMagic = 0x4A3B2C1D;
constexpr uint32_t kChecksumSkipped = 1234;     // PackChecksum that is never compared
constexpr uint64_t kChecksumLimit = 52428800;   // larger files are not summed
constexpr size_t kStoredEndHighOffset = 248;
constexpr size_t kStoredEndLowOffset = 252;
constexpr size_t kPeMarkOffset = 256;
constexpr size_t kChecksumStartWithStub = 512;  // the stub header area stays out of the sum
constexpr uint32_t kPieceSize = 5242880;        // largest piece of a file
// A piece header ("|" name "|" date "|" NUL) is at most this long, so no
// piece holds more than kMaxPieceContent bytes. The builder stores a piece
// that deflate would not make smaller, so no record is longer either; the
// extraction refuses anything larger (a zip bomb or a damaged length).
constexpr size_t kMaxPieceHeaderSize = 1024;
constexpr size_t kMaxPieceContent = kPieceSize + kMaxPieceHeaderSize;
constexpr size_t kMaxRecordSize = kMaxPieceContent;
constexpr int kSpaceEntries = 9;
constexpr char kLanguagesNone = '\x02';         // LangTable of a package without languages

// PackFlags bits.
enum PackFlag : uint8_t {
    kInformTempDrive = 1 << 0,
    kIsMultiDisk = 1 << 1,
    kIsCdSet = 1 << 2,
    kShowActivityBar = 1 << 3,
    kStubLogBit = 1 << 4,
};

// The last 74 bytes of a package, field by field (offsets in comments).
struct TPackTrailer {
    uint8_t FormatMark = 0;         // 0: 1, not read
    uint8_t HeaderCount = 0;        // 1: header records; 0 reads as 2
    uint16_t Reserved = 0;          // 2
    uint32_t DataStart = 0;         // 4: offset of the first header record
    uint32_t ChunkCount = 0;        // 8
    uint32_t PackMagic = 0;         // 12
    uint32_t PackChecksum = 0;      // 16
    std::array<uint8_t, 8> Opaque1{};  // 20: not interpreted
    std::array<uint32_t, kSpaceEntries> SpaceNeeded{};  // 28
    uint8_t Opaque2 = 0;            // 64: not interpreted
    uint8_t PackFlags = 0;          // 65
    uint8_t WebSetup = 0;           // 66
    uint8_t AskBeforeDownload = 0;  // 67
    uint8_t MakeAgent = 0;          // 68
    uint8_t AutoUpdateProg = 0;     // 69
    uint32_t TrailerLength = 0;     // 70
};

// Field offsets inside the 74 bytes; pinned so that a change shows.
constexpr size_t kOffFormatMark = 0;
constexpr size_t kOffHeaderCount = 1;
constexpr size_t kOffReserved = 2;
constexpr size_t kOffDataStart = 4;
constexpr size_t kOffChunkCount = 8;
constexpr size_t kOffPackMagic = 12;
constexpr size_t kOffPackChecksum = 16;
constexpr size_t kOffOpaque1 = 20;
constexpr size_t kOffSpaceNeeded = 28;
constexpr size_t kOffOpaque2 = 64;
constexpr size_t kOffPackFlags = 65;
constexpr size_t kOffWebSetup = 66;
constexpr size_t kOffAskBeforeDownload = 67;
constexpr size_t kOffMakeAgent = 68;
constexpr size_t kOffAutoUpdateProg = 69;
constexpr size_t kOffTrailerLength = 70;
static_assert(kOffOpaque1 + 8 == kOffSpaceNeeded, "8 opaque bytes before SpaceNeeded");
static_assert(kOffSpaceNeeded + 4 * kSpaceEntries == 64, "SpaceNeeded ends at 64");
static_assert(kOffTrailerLength + 4 == kTrailerSize, "TrailerLength closes the trailer");

using TrailerBytes = std::array<uint8_t, kTrailerSize>;

// Fills the trailer from the first n bytes (n <= 74) of a trailer image;
// fields beyond n stay as they are.
void DecodeTrailer(const uint8_t* bytes, size_t n, TPackTrailer& trailer);
TrailerBytes EncodeTrailer(const TPackTrailer& trailer);

uint32_t ReadLE32(const uint8_t* p);
void WriteLE32(uint8_t* p, uint32_t value);

// The header of a piece: "|" name "|" DOS date-time "|" followed by NUL.
std::string PieceHeader(const std::string& name, uint32_t dosDateTime);
// Splits piece content into name (header field 0, "*" and arguments kept),
// date (field 1; 0 when it is not a decimal number) and the offset of the
// data. False when the content has no NUL separator or an empty header.
bool ParsePieceHeader(const std::string& piece, std::string& name, uint32_t& dosDateTime,
                      size_t& dataOffset);

// A piece name that stays inside the target folder on every platform: not
// empty, no drive or stream (":"), not absolute, no empty, "." or ".." part
// (or any part of dots and blanks only, which Windows trims to one of those)
// with either separator, no device name (CON, NUL, COM1, ...), no NUL, "|"
// or "*" and no control character.
bool IsSafePieceName(const std::string& name);
// A safe piece name without folder parts.
bool IsFlatPieceName(const std::string& name);

// Name of the k-th piece (k from 1) of a file: name, name.00002, ...
std::string PieceName(const std::string& name, int k);

// Size rounded up to the cluster of SpaceNeeded entry k, 256 * 2^k bytes for
// k = 1..8 (k = 0: exact).
uint64_t ClusterRounded(uint64_t size, int k);

// The per-build block of the stub image: 79 characters between two marks.
constexpr char kBuildBlockHead[] = "RAMAT*gan";
constexpr char kBuildBlockTail[] = "KFAR*saba";
constexpr size_t kBuildBlockSize = 79;
constexpr size_t kBuildBlockDataSize = kBuildBlockSize - 18;
static_assert(kBuildBlockDataSize == 61, "61 bytes of per-build data");

}  // namespace pack
