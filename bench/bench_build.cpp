// Build throughput of the package writer next to `gzip -6` on the same data
// in the same run: 200 MB (or the MB given as the first argument) of mixed
// files, half random bytes and half generated text, in 10 MB files. Prints
// MB/s of input and the compression ratio (output / input) of each, the
// writer with one thread and with every processor, and the writer's peak
// resident memory.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/BenchData.h"
#include "package/PackWriter.h"
#include "util/Parallel.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

using namespace benchdata;

struct Figures {
    double seconds = 0;
    uint64_t output = 0;
};

bool BuildOnce(const pack::TPackPlan& plan, Figures& figures) {
    pack::TPackSummary summary;
    std::string error;
    const auto start = Clock::now();
    const bool ok = pack::WritePackage(plan, summary, error);
    figures.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    figures.output = summary.outputBytes;
    if (!ok) std::fprintf(stderr, "build failed: %s\n", error.c_str());
    return ok;
}

bool GzipOnce(const std::vector<fs::path>& files, const fs::path& out, Figures& figures) {
    std::string command = "gzip -6 -c";
    for (const fs::path& file : files) command += " '" + file.string() + "'";
    command += " > '" + out.string() + "'";
    const auto start = Clock::now();
    const int rc = std::system(command.c_str());
    figures.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::error_code ec;
    figures.output = fs::file_size(out, ec);
    return rc == 0 && !ec;
}

void PrintRow(const char* what, uint64_t input, const Figures& f) {
    std::printf("%-26s %8.1f MB/s   ratio %.4f   (%.2f s, %llu -> %llu bytes)\n", what, input / kMB / f.seconds,
                static_cast<double>(f.output) / input, f.seconds, static_cast<unsigned long long>(input),
                static_cast<unsigned long long>(f.output));
}

}  // namespace

int main(int argc, char** argv) {
    const uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 200;
    const uint64_t total = megabytes * 1000000;
    const fs::path folder = fs::temp_directory_path() / ("bench_build_" + std::to_string(::getpid()));
    fs::create_directories(folder / "in");
    std::mt19937_64 rng(1087210874);
    pack::TPackPlan plan;
    std::vector<fs::path> files;
    uint64_t written = 0;
    for (int i = 0; written < total; ++i) {
        const uint64_t size = std::min<uint64_t>(kFileSize, total - written);
        const fs::path path = folder / "in" / ("file" + std::to_string(i) + (i % 2 ? ".txt" : ".bin"));
        if (!WriteFile(path, i % 2 ? TextBytes(rng, size) : RandomBytes(rng, size))) return 1;
        files.push_back(path);
        plan.files.push_back(pack::TPackSource{"00000#" + path.filename().string(), path.string()});
        written += size;
    }
    WriteFile(folder / "stub.exe", StubImage());
    plan.stubPath = (folder / "stub.exe").string();
    plan.outputPath = (folder / "setup.exe").string();
    plan.headerRecords = {"\x02", "|||||0|"};
    plan.buildBlock.assign(pack::kBuildBlockDataSize, '.');

    std::printf("input: %llu bytes in %zu files, half random, half text; pieces of %u bytes, zlib level 6\n",
                static_cast<unsigned long long>(written), files.size(), pack::kPieceSize);
    bool ok = true;
    Figures f;
    plan.workers = 1;
    if ((ok = ok && BuildOnce(plan, f))) PrintRow("stubpack, 1 thread", written, f);
    plan.workers = parallel::HardwareWorkers();
    const std::string label = "stubpack, " + std::to_string(plan.workers) + " threads";
    if ((ok = ok && BuildOnce(plan, f))) PrintRow(label.c_str(), written, f);
    // The writer streams: its peak stays at a few pieces whatever the input
    // (the figure includes the 10 MB buffers that made the input files).
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%-26s %8.1f MB peak resident\n", "stubpack, memory", usage.ru_maxrss * 1024.0 / kMB);
    if ((ok = ok && GzipOnce(files, folder / "all.gz", f))) PrintRow("gzip -6", written, f);
    std::error_code ec;
    fs::remove_all(folder, ec);
    return ok ? 0 : 1;
}
