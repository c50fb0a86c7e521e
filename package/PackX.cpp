// The package reader: locates the trailer, reads the header records, sums a
// package for its checksum and encodes and decodes the per-build tokens.
// Every length read from a file is checked against the file's size before it
// is used, so a hostile file reads as an empty package.
#include "package/PackX.h"

#include <algorithm>
#include <array>
#include <vector>

#include "text/VSUB.h"
#include "util/Numbers.h"
#include "util/Text.h"

using pack::TPackTrailer;

namespace {

constexpr size_t kChecksumBlock = 4096;
constexpr uint32_t kChecksumBlockBonus = 1234;  // added per block while the range goes on
// Reading several checksum blocks at once saves system calls; the sum still
// walks them one 4096-byte block at a time.
constexpr size_t kChecksumReadSize = 16 * kChecksumBlock;

// The uint32 at the offset; 0 when it cannot be read.
uint32_t ReadU32At(const platform::File& file, uint64_t offset) {
    uint8_t bytes[4] = {};
    if (file.ReadAt(offset, bytes, sizeof bytes) != sizeof bytes) return 0;
    return pack::ReadLE32(bytes);
}

bool HasMark(const platform::File& file, uint64_t offset, const char (&mark)[3]) {
    char bytes[2] = {};
    return file.ReadAt(offset, bytes, 2) == 2 && bytes[0] == mark[0] && bytes[1] == mark[1];
}

// Where the package of the file ends: at the stored end offset of a stub
// image, else at the end of the file.
uint64_t PackageEnd(const platform::File& file, uint64_t size) {
    uint64_t stored = IsPeFile(file) ? StoredEnd(file) : 0;
    return stored > 0 ? stored : size;
}

// One header record at pos: int32 n, then n bytes. False when the record
// does not lie within the file; pos moves past the record.
bool ReadHeaderRecord(const platform::File& file, uint64_t size, uint64_t& pos, Text& text) {
    if (pos > size || size - pos < 4) return false;
    auto n = static_cast<int32_t>(ReadU32At(file, pos));
    if (n < 0 || static_cast<uint64_t>(n) > size - pos - 4) return false;
    text.assign(static_cast<size_t>(n), '\0');
    if (n > 0 && file.ReadAt(pos + 4, &text[0], text.size()) != text.size()) return false;
    pos += 4 + static_cast<uint64_t>(n);
    return true;
}

struct HeaderRecords {
    std::array<Text, 3> texts;  // LangTable, ProductInfo, WebInfo
    uint64_t next = 0;          // offset behind the last record read
};

std::optional<HeaderRecords> ReadHeaderRecords(const platform::File& file, const TPackTrailer& trailer) {
    uint64_t size = 0;
    if (!file.Size(size)) return std::nullopt;
    HeaderRecords records;
    records.next = trailer.DataStart;
    const int count = trailer.HeaderCount >= 3 ? 3 : 2;
    for (int i = 0; i < count; ++i) {
        if (!ReadHeaderRecord(file, size, records.next, records.texts[i])) return std::nullopt;
    }
    return records;
}

// The running state of the checksum: the signed count of covered bytes still
// ahead and the wrapping sum.
struct ChecksumState {
    int64_t remaining = 0;
    uint32_t sum = 0;
};

// Kept inline here: the sum's inner loop must not pay a call per word.
inline uint32_t LoadLE32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// One block of at most 4096 bytes. Word i (from 1) of the block counts while
// remaining - 4 * i > 4, so the first (remaining - 5) / 4 words count.
void SumBlock(const uint8_t* block, size_t n, ChecksumState& state) {
    const int64_t words = static_cast<int64_t>(n / 4);
    const int64_t counted = state.remaining > 4 ? std::min(words, (state.remaining - 5) / 4) : 0;
    uint32_t sum = state.sum;
    for (int64_t i = 0; i < counted; ++i) sum += LoadLE32(block + 4 * i);
    state.sum = sum;
    state.remaining -= 4 * words;
    if (state.remaining > 4) state.sum += kChecksumBlockBonus;
}

// Sums from the current position to the end of the file. Stops early once
// the remaining count is 4 or less: it only decreases, so nothing more adds.
uint32_t SumFrom(platform::File& file, int64_t covered) {
    ChecksumState state{covered, 0};
    std::vector<uint8_t> buffer(kChecksumReadSize);
    while (state.remaining > 4) {
        size_t got = file.Read(buffer.data(), buffer.size());
        size_t done = 0;
        for (; done + kChecksumBlock <= got && state.remaining > 4; done += kChecksumBlock) {
            SumBlock(buffer.data() + done, kChecksumBlock, state);
        }
        // A short read ends the file: its tail is the last, shorter block,
        // an empty one when the file ends on a block boundary.
        if (got < buffer.size()) {
            if (state.remaining > 4) SumBlock(buffer.data() + done, got - done, state);
            break;
        }
    }
    return state.sum;
}

int HexValue(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Token letters are hex digits shifted up by 50.
constexpr int kTokenShift = 50;

int TokenDigit(char c) { return HexValue(static_cast<unsigned char>(c) - kTokenShift); }

// The bytes D of a stored token (a last single digit gives a byte of its
// own); nothing when a character is not a shifted hex digit.
std::optional<std::string> TokenBytes(const Text& stored) {
    std::string bytes;
    bytes.reserve(stored.size() / 2 + 1);
    for (size_t i = 0; i < stored.size(); i += 2) {
        int high = TokenDigit(stored[i]);
        int low = i + 1 < stored.size() ? TokenDigit(stored[i + 1]) : 0;
        if (high < 0 || low < 0) return std::nullopt;
        bytes.push_back(static_cast<char>(i + 1 < stored.size() ? high * 16 + low : high));
    }
    return bytes;
}

uint8_t ByteSum(const std::string& bytes) {
    unsigned sum = 0;
    for (char c : bytes) sum += static_cast<uint8_t>(c);
    return static_cast<uint8_t>(sum);
}

// The builder's free material, byte by byte; 0 past its end.
class Material {
public:
    explicit Material(const std::string& bytes) : bytes_(bytes) {}
    uint8_t Next() { return next_ < bytes_.size() ? static_cast<uint8_t>(bytes_[next_++]) : 0; }

private:
    const std::string& bytes_;
    size_t next_ = 0;
};

constexpr int kMaxTokenPadding = 8;

Text TokenLetters(const std::string& bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    Text letters;
    letters.reserve(2 * bytes.size());
    for (char c : bytes) {
        auto b = static_cast<uint8_t>(c);
        letters.push_back(static_cast<char>(kDigits[b >> 4] + kTokenShift));
        letters.push_back(static_cast<char>(kDigits[b & 15] + kTokenShift));
    }
    return letters;
}

Text Field(const Text& list, int index) { return SUB::Item(list, index, ""); }

}  // namespace

bool IsPeFile(const platform::File& file) {
    return HasMark(file, 0, "MZ") && HasMark(file, pack::kPeMarkOffset, "PE");
}

uint64_t StoredEnd(const platform::File& file) {
    return (static_cast<uint64_t>(ReadU32At(file, pack::kStoredEndHighOffset)) << 32) |
           ReadU32At(file, pack::kStoredEndLowOffset);
}

// A trailer that cannot lie within the file (end offset beyond it, length
// below 4 or beyond the package) leaves the record zero.
void ReadTrailer(const platform::File& file, TPackTrailer& trailer) {
    trailer = TPackTrailer{};
    uint64_t size = 0;
    if (!file.Size(size)) return;
    const uint64_t end = PackageEnd(file, size);
    if (end < 4 || end > size) return;
    const uint32_t length = ReadU32At(file, end - 4);
    if (length < 4 || length > end) return;
    const size_t n = std::min<size_t>(length, pack::kTrailerSize) - 4;
    std::array<uint8_t, pack::kTrailerSize> bytes{};
    if (file.ReadAt(end - length, bytes.data(), n) != n) return;
    pack::DecodeTrailer(bytes.data(), n, trailer);
    trailer.TrailerLength = length;
    if (trailer.HeaderCount == 0) trailer.HeaderCount = 2;
}

void ReadTrailer(const Text& path, TPackTrailer& trailer) {
    trailer = TPackTrailer{};
    platform::File file = platform::File::OpenRead(path);
    if (file.valid()) ReadTrailer(file, trailer);
}

// An unreadable file sums to 0. Of a stub image only the low half of the
// stored end is used here, and its 512-byte header area is left out.
uint32_t FileChecksum(const Text& path, uint32_t trailerLength) {
    platform::File file = platform::File::OpenRead(path);
    uint64_t size = 0;
    if (!file.valid() || !file.Size(size)) return 0;
    if (size > pack::kChecksumLimit) return pack::kChecksumSkipped;
    uint64_t start = 0;
    uint64_t end = size;
    const uint32_t storedLow = IsPeFile(file) ? ReadU32At(file, pack::kStoredEndLowOffset) : 0;
    if (storedLow > 0) {
        start = pack::kChecksumStartWithStub;
        end = storedLow;
    }
    if (!file.Seek(start)) return 0;
    const int64_t covered = static_cast<int64_t>(end) - trailerLength - static_cast<int64_t>(start);
    return SumFrom(file, covered);
}

std::optional<Text> TryDecodeToken(const Text& stored) {
    std::optional<std::string> bytes = TokenBytes(stored);
    if (!bytes || bytes->size() <= 4) return std::nullopt;
    std::string& d = *bytes;
    const size_t last = d.size() - 1;
    const auto check = static_cast<uint8_t>(d[last - 1]);
    if (static_cast<uint8_t>(ByteSum(d) - check) != check) return std::nullopt;
    const char key = static_cast<char>(d[0] ^ d[last]);
    for (size_t i = 1; i < last; ++i) d[i] = static_cast<char>(d[i] ^ key);
    const int a = static_cast<uint8_t>(d[1]);
    const int b = static_cast<uint8_t>(d[2]);
    const int count = static_cast<int>(d.size()) - a - b - 4;
    if (count <= 0) return std::nullopt;
    return d.substr(static_cast<size_t>(a) + 3, static_cast<size_t>(count));
}

Text DecodeToken(const Text& stored) {
    std::optional<Text> value = TryDecodeToken(stored);
    return value ? *value : RandomText(0, 99998);
}

// Token layout, bytes D[1..L], each written as two upper-case hex digits
// shifted up by 50 (so every letter is lower case):
//   D[1]              free key byte
//   D[2] = a, D[3] = b   (b >= 1)
//   a padding bytes, the value, b - 1 padding bytes
//   D[L-1]            check byte
//   D[L]              free key byte
// D[2..L-2] are stored XOR K, K = D[1] XOR D[L]. The check byte is the sum,
// modulo 256, of all other stored bytes: the decoder verifies it before it
// un-XORs (which also touches D[L-1], a byte it no longer needs).
Text EncodeToken(const Text& value, const std::string& randomBytes) {
    if (value.empty()) return Text();
    Material material(randomBytes);
    const uint8_t first = material.Next();
    const uint8_t last = material.Next();
    const int a = material.Next() % kMaxTokenPadding;
    const int b = 1 + material.Next() % kMaxTokenPadding;
    std::string plain;
    plain.push_back(static_cast<char>(a));
    plain.push_back(static_cast<char>(b));
    for (int i = 0; i < a; ++i) plain.push_back(static_cast<char>(material.Next()));
    plain += value;
    for (int i = 1; i < b; ++i) plain.push_back(static_cast<char>(material.Next()));
    const auto key = static_cast<uint8_t>(first ^ last);
    std::string stored(1, static_cast<char>(first));
    for (char c : plain) stored.push_back(static_cast<char>(static_cast<uint8_t>(c) ^ key));
    stored.push_back(static_cast<char>(ByteSum(stored) + last));
    stored.push_back(static_cast<char>(last));
    return TokenLetters(stored);
}

TGFileInfo::TGFileInfo(const Text& path) {
    platform::File file = platform::File::OpenRead(path);
    if (!file.valid()) return;
    ReadTrailer(file, trailer);
    if (trailer.PackMagic != pack::kPackMagic) return;
    std::optional<HeaderRecords> records = ReadHeaderRecords(file, trailer);
    if (!records) {
        // A record outside the file: nothing of this package can be trusted.
        trailer = TPackTrailer{};
        return;
    }
    LangTable = records->texts[0];
    ProductInfo = records->texts[1];
    WebInfo = records->texts[2];
    trailer.DataStart = static_cast<uint32_t>(records->next);
}

double TGFileInfo::RequiredSpaceForCluster(uint32_t clusterSize) const {
    uint32_t result = trailer.SpaceNeeded[0];
    for (int k = 1; k < pack::kSpaceEntries; ++k) {
        if ((uint64_t{256} << k) <= clusterSize) result = trailer.SpaceNeeded[k];
    }
    return static_cast<double>(result);
}

double TGFileInfo::GetRequiredSpace(const Text& folder) const {
    return RequiredSpaceForCluster(platform::ClusterSizeOf(folder));
}

Text TGFileInfo::AgentUrl() const { return Field(ProductInfo, 0); }
Text TGFileInfo::AgentExeName() const { return Field(ProductInfo, 2); }
Text TGFileInfo::InfoFileName() const { return FileNamePart(Field(ProductInfo, 1)); }

Text TGFileInfo::OriginalFileName() const {
    return FileBaseName(Field(ProductInfo, 1), true) + ".original";
}

Text TGFileInfo::AgentToken(bool decode) const {
    Text token = Field(ProductInfo, 3);
    return decode ? DecodeToken(token) : token;
}

bool TGFileInfo::HideSetup() const { return Field(ProductInfo, 4) == "1"; }
Text TGFileInfo::WebUrl() const { return Field(WebInfo, 0); }
Text TGFileInfo::WebFileName() const { return Field(WebInfo, 1); }
Text TGFileInfo::WebSize() const { return Field(WebInfo, 4); }
bool TGFileInfo::WebNoLocalCopy() const { return Field(WebInfo, 2) == "1"; }

Text TGFileInfo::WebToken(bool decode) const {
    Text token = Field(WebInfo, 3);
    return decode ? DecodeToken(token) : token;
}

// Decoding a damaged token yields a clock-seeded random text, so two damaged
// tokens could compare equal; both must decode for the packages to match.
bool SameWebToken(const TGFileInfo& a, const TGFileInfo& b) {
    std::optional<Text> first = TryDecodeToken(a.WebToken(false));
    std::optional<Text> second = TryDecodeToken(b.WebToken(false));
    return first && second && *first == *second;
}
