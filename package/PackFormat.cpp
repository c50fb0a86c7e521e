// Byte-level encoding of the package format: the trailer, the piece header
// and the builder's piece names and cluster rounding.
#include "package/PackFormat.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "text/VSUB.h"
#include "util/Numbers.h"

namespace pack {

namespace {

uint16_t ReadLE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

void WriteLE16(uint8_t* p, uint16_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}

void ParseImage(const TrailerBytes& b, TPackTrailer& t) {
    t.FormatMark = b[kOffFormatMark];
    t.HeaderCount = b[kOffHeaderCount];
    t.Reserved = ReadLE16(&b[kOffReserved]);
    t.DataStart = ReadLE32(&b[kOffDataStart]);
    t.ChunkCount = ReadLE32(&b[kOffChunkCount]);
    t.PackMagic = ReadLE32(&b[kOffPackMagic]);
    t.PackChecksum = ReadLE32(&b[kOffPackChecksum]);
    std::copy_n(&b[kOffOpaque1], t.Opaque1.size(), t.Opaque1.begin());
    for (int k = 0; k < kSpaceEntries; ++k) t.SpaceNeeded[k] = ReadLE32(&b[kOffSpaceNeeded + 4 * k]);
    t.Opaque2 = b[kOffOpaque2];
    t.PackFlags = b[kOffPackFlags];
    t.WebSetup = b[kOffWebSetup];
    t.AskBeforeDownload = b[kOffAskBeforeDownload];
    t.MakeAgent = b[kOffMakeAgent];
    t.AutoUpdateProg = b[kOffAutoUpdateProg];
    t.TrailerLength = ReadLE32(&b[kOffTrailerLength]);
}

// A decimal DOS date-time, or 0 when the text is not one.
uint32_t DosDateTimeOrZero(const std::string& text) {
    int64_t value = 0;
    if (!TryParseInt64(text, value) || value < 0 || value > UINT32_MAX) return 0;
    return static_cast<uint32_t>(value);
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// A part that Windows would read as ".", "..", a device or nothing.
bool IsSafeNamePart(const std::string& part) {
    if (part.find_first_not_of(". ") == std::string::npos) return false;
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    std::string base = part.substr(0, part.find('.'));
    base.erase(base.find_last_not_of(' ') + 1);
    for (char& c : base) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const char* device : kDevices) {
        if (base == device) return false;
    }
    const bool numbered = base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0);
    return !(numbered && base[3] >= '0' && base[3] <= '9');
}

}  // namespace

bool IsSafePieceName(const std::string& name) {
    if (name.empty() || IsSeparator(name.front())) return false;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 32 || c == ':' || c == '|' || c == '*') return false;
    }
    size_t start = 0;
    while (true) {
        size_t end = start;
        while (end < name.size() && !IsSeparator(name[end])) ++end;
        if (!IsSafeNamePart(name.substr(start, end - start))) return false;
        if (end == name.size()) return true;
        start = end + 1;
    }
}

bool IsFlatPieceName(const std::string& name) {
    return IsSafePieceName(name) && std::none_of(name.begin(), name.end(), IsSeparator);
}

uint32_t ReadLE32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void WriteLE32(uint8_t* p, uint32_t value) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

// A short trailer overwrites only its own leading bytes, exactly as a byte
// copy into the record would, partial fields included.
void DecodeTrailer(const uint8_t* bytes, size_t n, TPackTrailer& trailer) {
    TrailerBytes image = EncodeTrailer(trailer);
    std::memcpy(image.data(), bytes, std::min(n, kTrailerSize));
    ParseImage(image, trailer);
}

TrailerBytes EncodeTrailer(const TPackTrailer& t) {
    TrailerBytes b{};
    b[kOffFormatMark] = t.FormatMark;
    b[kOffHeaderCount] = t.HeaderCount;
    WriteLE16(&b[kOffReserved], t.Reserved);
    WriteLE32(&b[kOffDataStart], t.DataStart);
    WriteLE32(&b[kOffChunkCount], t.ChunkCount);
    WriteLE32(&b[kOffPackMagic], t.PackMagic);
    WriteLE32(&b[kOffPackChecksum], t.PackChecksum);
    std::copy(t.Opaque1.begin(), t.Opaque1.end(), &b[kOffOpaque1]);
    for (int k = 0; k < kSpaceEntries; ++k) WriteLE32(&b[kOffSpaceNeeded + 4 * k], t.SpaceNeeded[k]);
    b[kOffOpaque2] = t.Opaque2;
    b[kOffPackFlags] = t.PackFlags;
    b[kOffWebSetup] = t.WebSetup;
    b[kOffAskBeforeDownload] = t.AskBeforeDownload;
    b[kOffMakeAgent] = t.MakeAgent;
    b[kOffAutoUpdateProg] = t.AutoUpdateProg;
    WriteLE32(&b[kOffTrailerLength], t.TrailerLength);
    return b;
}

std::string PieceHeader(const std::string& name, uint32_t dosDateTime) {
    std::string header = "|" + name + "|" + std::to_string(dosDateTime) + "|";
    header.push_back('\0');
    return header;
}

// The header is a delimited list: any first character is its delimiter.
// A date that is not a decimal number reads as 0.
bool ParsePieceHeader(const std::string& piece, std::string& name, uint32_t& dosDateTime,
                      size_t& dataOffset) {
    size_t nul = piece.find('\0');
    if (nul == std::string::npos || nul == 0) return false;
    std::string header = piece.substr(0, nul);
    name = SUB::Item(header, 0, "");
    dosDateTime = DosDateTimeOrZero(SUB::Item(header, 1, ""));
    dataOffset = nul + 1;
    return true;
}

std::string PieceName(const std::string& name, int k) {
    return k <= 1 ? name : name + "." + ZeroPad(k, 5);
}

uint64_t ClusterRounded(uint64_t size, int k) {
    if (k <= 0) return size;
    uint64_t cluster = uint64_t{256} << k;
    return (size + cluster - 1) / cluster * cluster;
}

}  // namespace pack
