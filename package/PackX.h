// The package reader: what one package file holds in its trailer and header
// records, the checksum that protects it and the token decoder. The chunk
// records are read by the extraction, not here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "package/PackFormat.h"
#include "util/Platform.h"
#include "util/Text.h"

bool IsPeFile(const platform::File& file);
uint64_t StoredEnd(const platform::File& file);
// Reads the trailer of a package file into the record (zero-filled first).
void ReadTrailer(const platform::File& file, pack::TPackTrailer& trailer);
void ReadTrailer(const Text& path, pack::TPackTrailer& trailer);
// The additive checksum that PackChecksum holds (1234 above 50 MiB).
uint32_t FileChecksum(const Text& path, uint32_t trailerLength);

// The value a stored token carries, or nothing when the token is damaged.
std::optional<Text> TryDecodeToken(const Text& stored);
// The value a stored token carries; a damaged token gives a random number
// text, so that it compares unequal with anything.
Text DecodeToken(const Text& stored);
// The builder's side: the token that carries the value (layout in PackX.cpp).
// randomBytes supplies the free material in order (the two key bytes, the
// two padding lengths, then the padding); material past its end reads as 0.
// An empty value cannot be carried and gives an empty token.
Text EncodeToken(const Text& value, const std::string& randomBytes);

// What the reader learnt about one package file. Holds no open file.
class TGFileInfo {
public:
    explicit TGFileInfo(const Text& path);

    pack::TPackTrailer trailer;  // DataStart advanced past the header records read
    Text LangTable;
    Text ProductInfo;
    Text WebInfo;

    // SpaceNeeded for a drive with the given cluster size (bytes; 0 unknown).
    double RequiredSpaceForCluster(uint32_t clusterSize) const;
    double GetRequiredSpace(const Text& folder) const;

    bool InformTempDrive() const { return Flag(pack::kInformTempDrive); }
    bool IsMultiDisk() const { return Flag(pack::kIsMultiDisk); }
    bool IsCdSet() const { return Flag(pack::kIsCdSet); }
    bool ShowActivityBar() const { return Flag(pack::kShowActivityBar); }
    bool StubLogBit() const { return Flag(pack::kStubLogBit); }
    bool IsWebSetup() const { return trailer.WebSetup == 1; }
    bool AskBeforeDownload() const { return trailer.AskBeforeDownload == 1; }
    bool MakeAgent() const { return trailer.MakeAgent == 1; }
    bool IsAutoUpdateProg() const { return trailer.AutoUpdateProg == 1; }

    Text AgentUrl() const;
    Text AgentExeName() const;
    Text InfoFileName() const;
    Text OriginalFileName() const;
    Text AgentToken(bool decode) const;
    bool HideSetup() const;
    Text WebUrl() const;
    Text WebFileName() const;
    Text WebSize() const;
    bool WebNoLocalCopy() const;
    Text WebToken(bool decode) const;

    // Texts of the language entry that the process's first GetText chose
    // (text/SLangId.cpp): the key's value, its default when missing.
    Text GetText(const Text& key, const Text& dflt) const;
    int Charset() const;    // "Charset", 0 when not a number
    int FontSize() const;   // "FontSize" in points, 8 when not a number
    Text FontName() const;  // "FontName", "Tahoma"

private:
    bool Flag(uint8_t bit) const { return (trailer.PackFlags & bit) != 0; }
};

// Both packages carry web tokens that decode, to the same value.
bool SameWebToken(const TGFileInfo& a, const TGFileInfo& b);
