// Helpers of the builder and extraction tests: a fresh folder per test that
// is removed afterwards, whole-file reads and writes, file dates, a minimal
// stub image and generated payloads.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "package/PackFormat.h"
#include "util/Platform.h"

namespace packtest {

namespace fs = std::filesystem;

constexpr size_t kStubSize = 2048;
constexpr size_t kBlockAt = 700;

// A stub image with "MZ", "PE" at 256, free end slots and a per-build block.
inline std::string StubImage() {
    std::string image(kStubSize, '\0');
    image.replace(0, 2, "MZ");
    image.replace(pack::kPeMarkOffset, 4, std::string("PE\0\0", 4));
    image.replace(
        kBlockAt, pack::kBuildBlockSize,
        std::string(pack::kBuildBlockHead) + std::string(pack::kBuildBlockDataSize, '.') + pack::kBuildBlockTail);
    return image;
}

inline std::string RandomBytes(size_t n, uint64_t seed) {
    std::mt19937_64 rng(seed);
    std::string bytes(n, '\0');
    for (char& c : bytes) c = static_cast<char>(rng() & 0xFF);
    return bytes;
}

// Compressible text of n bytes.
inline std::string TextBytes(size_t n, uint64_t seed) {
    static const char* const kWords[] = {"setup ", "file ", "the ", "package ", "disk\r\n", "engine ", "of "};
    std::mt19937_64 rng(seed);
    std::string text;
    while (text.size() < n) text += kWords[rng() % 7];
    text.resize(n);
    return text;
}

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline uint32_t DosDateOf(const std::string& path) {
    platform::File file = platform::File::OpenRead(path);
    uint32_t date = 0;
    return file.ModifiedDosTime(date) ? date : 0;
}

// A fresh folder per test, removed (and checked gone) afterwards.
class TestFolder : public ::testing::Test {
protected:
    void SetUp() override {
        const char* root = std::getenv("STUB_TEST_TMP");
        const fs::path base = root && *root ? fs::path(root) : fs::temp_directory_path();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string leaf = std::string("pk_") + info->test_suite_name() + "_" + info->name();
        for (char& c : leaf) {
            if (c == '/') c = '_';
        }
        folder_ = base / leaf;
        fs::remove_all(folder_);
        ASSERT_TRUE(fs::create_directories(folder_));
    }

    void TearDown() override {
        std::error_code ec;
        fs::remove_all(folder_, ec);
        EXPECT_FALSE(fs::exists(folder_));
    }

public:
    std::string Path(const std::string& name) const { return (folder_ / name).string(); }

    std::string Write(const std::string& name, const std::string& bytes, uint32_t dosDate = 0) {
        const fs::path path = folder_ / name;
        fs::create_directories(path.parent_path());
        {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
        if (dosDate != 0) {
            platform::File file = platform::File::OpenAppend(path.string());
            EXPECT_TRUE(file.SetDosTime(dosDate));
        }
        return path.string();
    }

    // The names in a folder of the test folder, sorted.
    std::vector<std::string> Names(const std::string& sub = std::string()) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(sub.empty() ? folder_ : folder_ / sub)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

protected:
    fs::path folder_;
};

}  // namespace packtest
