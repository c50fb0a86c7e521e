// Compares the package checksum with plain 4096-byte reads of the same
// 50 MiB file (the largest the checksum sums) and prints both rates in MB/s
// and their ratio. Each figure is the best of several warm runs, so both
// read from the page cache.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "package/PackFormat.h"
#include "package/PackX.h"
#include "util/Platform.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRuns = 5;

bool WriteRandomFile(const fs::path& path, uint64_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::mt19937 rng(1087210874);
    std::vector<uint32_t> block(16384);
    for (uint64_t done = 0; done < size && out; done += 4 * block.size()) {
        for (uint32_t& w : block) w = rng();
        out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(4 * block.size()));
    }
    return static_cast<bool>(out);
}

// Reads the whole file in 4096-byte blocks; returns the bytes read.
uint64_t PlainRead(const std::string& path) {
    platform::File file = platform::File::OpenRead(path);
    char block[4096];
    uint64_t total = 0;
    for (size_t got = sizeof block; got == sizeof block; total += got) got = file.Read(block, sizeof block);
    return total;
}

template <typename Work>
double BestSeconds(Work work) {
    double best = 1e30;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = Clock::now();
        work();
        const std::chrono::duration<double> took = Clock::now() - start;
        if (took.count() < best) best = took.count();
    }
    return best;
}

}  // namespace

int main() {
    const uint64_t size = pack::kChecksumLimit;
    const fs::path folder = fs::temp_directory_path() /
                            ("bench_checksum_" + std::to_string(Clock::now().time_since_epoch().count()));
    std::error_code ec;
    fs::create_directories(folder, ec);
    const fs::path file = folder / "package.bin";
    if (ec || !WriteRandomFile(file, size)) {
        std::fprintf(stderr, "cannot write %s\n", file.string().c_str());
        return 1;
    }
    const std::string path = file.string();

    uint64_t readBytes = PlainRead(path);  // warms the cache
    uint32_t sum = 0;
    const double readSeconds = BestSeconds([&] { readBytes = PlainRead(path); });
    const double sumSeconds = BestSeconds([&] { sum = FileChecksum(path, pack::kTrailerSize); });
    fs::remove_all(folder, ec);

    const double readRate = static_cast<double>(readBytes) / readSeconds / 1e6;
    const double sumRate = static_cast<double>(size) / sumSeconds / 1e6;
    std::printf("file size:              %llu bytes\n", static_cast<unsigned long long>(size));
    std::printf("plain 4096-byte reads:  %.1f MB/s\n", readRate);
    std::printf("FileChecksum:           %.1f MB/s (sum 0x%08X)\n", sumRate, sum);
    std::printf("ratio checksum/read:    %.2f\n", sumRate / readRate);
    return 0;
}
