// Data shared by the benchmark programs: files of random bytes and of
// generated text (which compresses about as well as prose or source), and a
// minimal stub image that the package writer accepts.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "package/PackFormat.h"

namespace benchdata {

namespace fs = std::filesystem;

constexpr uint64_t kFileSize = 10u << 20;
constexpr double kMB = 1e6;

inline std::string RandomBytes(std::mt19937_64& rng, uint64_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i + 8 <= bytes.size(); i += 8) {
        const uint64_t word = rng();
        for (int k = 0; k < 8; ++k) bytes[i + k] = static_cast<char>(word >> (8 * k));
    }
    return bytes;
}

// Lines of words drawn from a small vocabulary: compresses about as well as
// ordinary prose or source text.
inline std::string TextBytes(std::mt19937_64& rng, uint64_t size) {
    static const char* const kWords[] = {
        "setup",   "package", "file", "the",  "of",     "and",  "install", "folder", "engine",   "version",
        "update",  "agent",   "a",    "to",   "is",     "in",   "disk",    "window", "progress", "data",
        "extract", "value",   "key",  "name", "system", "user", "program", "size",   "time",     "text"};
    std::string text;
    text.reserve(size + 64);
    int column = 0;
    while (text.size() < size) {
        text += kWords[rng() % (sizeof kWords / sizeof kWords[0])];
        if (++column == 12) {
            text += rng() % 4 == 0 ? ".\r\n" : "\r\n";
            column = 0;
        } else {
            text += ' ';
        }
    }
    text.resize(size);
    return text;
}

inline bool WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// A minimal stub image: the marks the writer checks and nothing else.
inline std::string StubImage() {
    std::string image(4096, '\0');
    image.replace(0, 2, "MZ");
    image.replace(pack::kPeMarkOffset, 2, "PE");
    image.replace(
        1024, pack::kBuildBlockSize,
        std::string(pack::kBuildBlockHead) + std::string(pack::kBuildBlockDataSize, '.') + pack::kBuildBlockTail);
    return image;
}

}  // namespace benchdata
