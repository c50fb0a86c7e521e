// The builder's writer: appends a package to a stub image in the layout of
// PackFormat.h, streaming the files piece by piece (memory stays at a few
// pieces whatever the payload), compressing pieces side by side where the
// platform can, and cutting the output into disk files on request. Output
// goes to temporary names that are renamed only when everything is written.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "package/PackFormat.h"
#include "util/Text.h"

namespace pack {

// One file to pack; its pieces are named name, name.00002, ... (PieceName).
// A name with "*" (the engine) gives every piece that same name, so the
// extraction appends them into one file and the engine entry stays intact.
struct TPackSource {
    Text name;
    Text path;
};

struct TPackPlan {
    Text stubPath;
    Text outputPath;                  // the setup; disk files add ".002", ".003", ...
    std::vector<Text> headerRecords;  // LangTable, ProductInfo[, WebInfo]
    std::vector<TPackSource> files;   // in package order, the engine first
    uint8_t packFlags = 0;            // IsMultiDisk is the writer's to set
    uint8_t webSetup = 0;
    uint8_t askBeforeDownload = 0;
    uint8_t makeAgent = 0;
    uint8_t autoUpdateProg = 0;
    std::string buildBlock;  // kBuildBlockDataSize bytes for the stub's per-build block
    int level = 6;           // zlib level; 0 stores every piece
    uint64_t diskSize = 0;   // largest disk file; 0: one file
    unsigned workers = 1;    // pieces compressed at once
};

struct TPackSummary {
    std::vector<Text> outputs;  // the setup, then its disk files
    TPackTrailer trailer;       // of the setup
    uint32_t storedPieces = 0;
    uint64_t inputBytes = 0;
    uint64_t outputBytes = 0;
};

// A file's share of SpaceNeeded. Pieces that the engine joins lie on disk
// as pieces and then as the joined file; the engine's own pieces are
// appended into one file by the extraction.
struct TSpaceFile {
    uint64_t size = 0;
    bool joinedByEngine = true;
};

// SpaceNeeded: entry 0 exact, entry k with every counted size rounded to
// 256 * 2^k byte clusters; a file of several pieces that the engine joins
// counts as its pieces and once more whole. Totals beyond 4 GiB stay at
// 0xFFFFFFFF rather than wrapping to a small number.
std::array<uint32_t, kSpaceEntries> SpaceNeededFor(const std::vector<TSpaceFile>& files);

// Number of pieces of a file of this size (an empty file has one).
uint64_t PieceCount(uint64_t size);

// Checks the stub image: "MZ" at 0, "PE" at 256, zero end offset at
// 248..255, a per-build block between its marks. Empty when fit, else why.
Text StubImageProblem(const std::string& image);

// Writes the package; false with the reason in error, leaving no output.
bool WritePackage(const TPackPlan& plan, TPackSummary& summary, Text& error);

}  // namespace pack
