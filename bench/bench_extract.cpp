// Extraction throughput and memory of unpack::ExtractPackage next to a plain
// zlib inflate of the same records in the same run. Builds a package of
// 200 MB (or the MB given as the first argument) of mixed files, half random
// bytes and half generated text, in 10 MB files (5 MiB pieces, zlib level 6),
// one of a quarter of that size from the same files, and one of as many MB of
// zeros. For each it prints MB/s of output of the extraction and of the plain
// inflate, their ratio and the extraction's peak resident memory, measured
// in a child process, next to the bound 3 x largest piece + 8 MiB.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "bench/BenchData.h"
#include "package/PackFormat.h"
#include "package/PackWriter.h"
#include "package/UnPack.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

using namespace benchdata;
constexpr double kMiB = 1024.0 * 1024.0;
constexpr int kRuns = 3;  // best of, alternating, against a shared machine's noise
constexpr char kChildSwitch[] = "--extract-child";

struct Package {
    std::string path;
    uint64_t input = 0;  // bytes of the packed files = bytes an extraction writes
    uint64_t size = 0;
};

bool Build(const fs::path& folder, const std::string& name, const std::vector<pack::TPackSource>& files,
           uint64_t input, Package& package) {
    pack::TPackPlan plan;
    plan.stubPath = (folder / "stub.exe").string();
    plan.outputPath = (folder / name).string();
    plan.headerRecords = {"\x02", "|||||0|"};
    plan.buildBlock.assign(pack::kBuildBlockDataSize, '.');
    plan.files = files;
    plan.level = 6;
    plan.workers = 1;  // the machine is shared; build time is not measured here
    pack::TPackSummary summary;
    std::string error;
    if (!pack::WritePackage(plan, summary, error)) {
        std::fprintf(stderr, "build of %s failed: %s\n", name.c_str(), error.c_str());
        return false;
    }
    package.path = plan.outputPath;
    package.input = input;
    package.size = summary.outputBytes;
    return true;
}

// The child's side: one ExtractPackage, its seconds on stdout.
int ExtractChild(const char* source, const char* target) {
    unpack::TExtractEvents events;
    const auto start = Clock::now();
    const unpack::TExtractResult result = unpack::ExtractPackage(source, target, "", events);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (result.failure.failed()) {
        std::fprintf(stderr, "ExtractPackage: %s\n", result.failure.Describe().c_str());
        return 1;
    }
    std::printf("%.9f\n", seconds);
    return 0;
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

struct Run {
    double seconds = 0;
    double peakMiB = 0;
};

// ExtractPackage runs in children that exec this program afresh, forked by a
// server that was itself forked before any data was made: a child's
// ru_maxrss also counts what it inherited before exec, so it must come from a
// process that holds next to nothing. For each request the server forks a
// meter whose only child is the extraction, so the meter's
// getrusage(RUSAGE_CHILDREN) is that extraction's peak alone.
class Measurer {
public:
    bool Start() {
        int requests[2], replies[2];
        if (::pipe2(requests, O_CLOEXEC) != 0 || ::pipe2(replies, O_CLOEXEC) != 0) return false;
        std::fflush(nullptr);
        server_ = ::fork();
        if (server_ < 0) return false;
        if (server_ == 0) {
            ::close(requests[1]);
            ::close(replies[0]);
            Serve(requests[0], replies[1]);
        }
        ::close(requests[0]);
        ::close(replies[1]);
        requests_ = requests[1];
        replies_ = ::fdopen(replies[0], "r");
        return replies_ != nullptr;
    }

    ~Measurer() {
        if (server_ <= 0) return;
        ::close(requests_);
        if (replies_ != nullptr) std::fclose(replies_);
        ::waitpid(server_, nullptr, 0);
    }

    bool Extract(const std::string& package, const fs::path& target, Run& run) {
        const std::string request = package + "\n" + target.string() + "\n";
        char reply[128];
        if (!WriteAll(requests_, request.data(), request.size()) || !std::fgets(reply, sizeof reply, replies_)) {
            return false;
        }
        long peakKiB = 0;
        if (std::sscanf(reply, "%lf %ld", &run.seconds, &peakKiB) != 2) return false;
        run.peakMiB = peakKiB * 1024.0 / kMiB;
        return run.seconds > 0;
    }

private:
    [[noreturn]] static void Serve(int requests, int replies) {
        FILE* in = ::fdopen(requests, "r");
        char package[4096], target[4096];
        while (in != nullptr && std::fgets(package, sizeof package, in) && std::fgets(target, sizeof target, in)) {
            package[std::strcspn(package, "\n")] = '\0';
            target[std::strcspn(target, "\n")] = '\0';
            const pid_t meter = ::fork();
            if (meter == 0) Meter(package, target, replies);
            if (meter > 0) ::waitpid(meter, nullptr, 0);
        }
        ::_exit(0);
    }

    [[noreturn]] static void Meter(const char* package, const char* target, int replies) {
        int out[2];
        if (::pipe(out) != 0) ::_exit(1);
        const pid_t child = ::fork();
        if (child == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::execl("/proc/self/exe", "bench_extract", kChildSwitch, package, target, static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        char seconds[64] = {};
        size_t got = 0;
        for (ssize_t n; got + 1 < sizeof seconds && (n = ::read(out[0], seconds + got, sizeof seconds - 1 - got)) > 0;)
            got += static_cast<size_t>(n);
        int status = 0;
        const bool ok = child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
                        WEXITSTATUS(status) == 0;
        rusage usage{};
        ::getrusage(RUSAGE_CHILDREN, &usage);
        const std::string reply =
            (ok ? std::to_string(std::strtod(seconds, nullptr)) : std::string("0")) + " " +
            std::to_string(usage.ru_maxrss) + "\n";
        WriteAll(replies, reply.data(), reply.size());
        ::_exit(0);
    }

    pid_t server_ = -1;
    int requests_ = -1;
    FILE* replies_ = nullptr;
};

bool ReadAt(int fd, uint64_t offset, char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::pread(fd, data, size, static_cast<off_t>(offset));
        if (n <= 0) return false;
        data += n;
        offset += static_cast<uint64_t>(n);
        size -= static_cast<size_t>(n);
    }
    return true;
}

// The yardstick: each record read whole, inflated by a bare inflate loop into
// a buffer of one piece, its data written with write(2); no checks beyond
// what zlib itself does, no dates, no checksum.
bool PlainExtract(const Package& package, const fs::path& target) {
    const int fd = ::open(package.path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    uint8_t trailerBytes[pack::kTrailerSize];
    pack::TPackTrailer trailer;
    if (::fstat(fd, &st) != 0 || st.st_size < static_cast<off_t>(pack::kTrailerSize) ||
        !ReadAt(fd, static_cast<uint64_t>(st.st_size) - pack::kTrailerSize, reinterpret_cast<char*>(trailerBytes),
                pack::kTrailerSize)) {
        ::close(fd);
        return false;
    }
    pack::DecodeTrailer(trailerBytes, pack::kTrailerSize, trailer);
    const uint32_t headers = trailer.HeaderCount == 0 ? 2 : trailer.HeaderCount;
    fs::create_directories(target);

    std::vector<char> record(pack::kMaxRecordSize);
    std::vector<char> piece(pack::kMaxPieceContent);
    z_stream z{};
    bool ok = inflateInit(&z) == Z_OK;
    std::set<std::string> seen;
    uint64_t at = trailer.DataStart;
    for (uint32_t r = 0; ok && r < headers + trailer.ChunkCount; ++r) {
        char lengthBytes[4];
        ok = ReadAt(fd, at, lengthBytes, 4);
        const auto length = static_cast<int32_t>(pack::ReadLE32(reinterpret_cast<uint8_t*>(lengthBytes)));
        const size_t n = static_cast<size_t>(length < 0 ? -static_cast<int64_t>(length) : length);
        ok = ok && n <= record.size() && ReadAt(fd, at + 4, record.data(), n);
        at += 4 + n;
        if (!ok || r < headers || n == 0) continue;
        const char* content = record.data();
        size_t size = n;
        if (length > 0) {
            inflateReset(&z);
            z.next_in = reinterpret_cast<Bytef*>(record.data());
            z.avail_in = static_cast<uInt>(n);
            z.next_out = reinterpret_cast<Bytef*>(piece.data());
            z.avail_out = static_cast<uInt>(piece.size());
            int rc;
            do rc = inflate(&z, Z_NO_FLUSH);
            while (rc == Z_OK);
            ok = rc == Z_STREAM_END;
            content = piece.data();
            size = piece.size() - z.avail_out;
        }
        // "|" name "|" date "|" NUL data
        const char* nul = static_cast<const char*>(std::memchr(content, '\0', size));
        const char* bar =
            nul > content ? static_cast<const char*>(std::memchr(content + 1, '|', nul - content - 1)) : nullptr;
        if (!ok || bar == nullptr) {
            ok = false;
            continue;
        }
        const std::string name(content + 1, std::find(content + 1, bar, '*'));
        const bool first = seen.insert(name).second;
        const int out = ::open((target / name).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (first ? O_TRUNC : O_APPEND),
                               0644);
        ok = out >= 0 && WriteAll(out, nul + 1, size - (nul + 1 - content));
        if (out >= 0) ::close(out);
    }
    if (z.state != nullptr) inflateEnd(&z);
    ::close(fd);
    return ok;
}

// Name -> size of the files in a folder, to see both ways wrote the same.
std::map<std::string, uintmax_t> Listing(const fs::path& folder) {
    std::map<std::string, uintmax_t> files;
    for (const auto& entry : fs::directory_iterator(folder)) files[entry.path().filename()] = entry.file_size();
    return files;
}

struct Figures {
    Run extract;         // best time, largest peak
    double plain = 0;    // best seconds
};

// kRuns rounds of plain then ExtractPackage, each into a fresh folder.
bool Measure(Measurer& measurer, const Package& package, const fs::path& folder, Figures& figures) {
    const fs::path a = folder / "out_extract";
    const fs::path b = folder / "out_plain";
    for (int round = 0; round < kRuns; ++round) {
        fs::remove_all(a);
        fs::remove_all(b);
        const auto start = Clock::now();
        if (!PlainExtract(package, b)) {
            std::fprintf(stderr, "plain inflate of %s failed\n", package.path.c_str());
            return false;
        }
        const double plain = std::chrono::duration<double>(Clock::now() - start).count();
        fs::remove_all(b);  // neither way writes while the other's dirty pages are about
        Run run;
        if (!measurer.Extract(package.path, a, run)) {
            std::fprintf(stderr, "ExtractPackage of %s failed\n", package.path.c_str());
            return false;
        }
        if (round == 0) {
            PlainExtract(package, b);
            if (Listing(a) != Listing(b)) {
                std::fprintf(stderr, "the two extractions of %s differ\n", package.path.c_str());
                return false;
            }
            fs::remove_all(b);
        }
        figures.plain = round == 0 ? plain : std::min(figures.plain, plain);
        figures.extract.seconds = round == 0 ? run.seconds : std::min(figures.extract.seconds, run.seconds);
        figures.extract.peakMiB = std::max(figures.extract.peakMiB, run.peakMiB);
    }
    fs::remove_all(a);
    return true;
}

void PrintFigures(const char* what, const Package& package, const Figures& f) {
    const double extract = package.input / kMB / f.extract.seconds;
    const double plain = package.input / kMB / f.plain;
    std::printf("%s: %.1f MB of files, package %.1f MB\n", what, package.input / kMB, package.size / kMB);
    std::printf("  %-24s %8.1f MB/s  (%.3f s)  peak %.1f MiB resident\n", "ExtractPackage", extract, f.extract.seconds,
                f.extract.peakMiB);
    std::printf("  %-24s %8.1f MB/s  (%.3f s)\n", "plain zlib inflate", plain, f.plain);
    std::printf("  %-24s %8.1f %%  (goal >= 80 %%)%s\n", "ExtractPackage / plain", 100.0 * extract / plain,
                package.size <= pack::kChecksumLimit ? "; ExtractPackage also sums the checksum of a package this small"
                                                     : "");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], kChildSwitch) == 0) return ExtractChild(argv[2], argv[3]);
    const uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 200;
    if (megabytes < 4) {
        std::fprintf(stderr, "usage: bench_extract [MB >= 4]\n");
        return 2;
    }
    const uint64_t total = megabytes * 1000000;
    Measurer measurer;
    if (!measurer.Start()) return 1;
    const fs::path folder = fs::temp_directory_path() / ("bench_extract_" + std::to_string(::getpid()));
    fs::create_directories(folder / "in");
    WriteFile(folder / "stub.exe", StubImage());

    // Mixed files; the small package takes the first quarter of them.
    std::mt19937_64 rng(1087210874);
    std::vector<pack::TPackSource> mixed, small;
    uint64_t written = 0, smallBytes = 0;
    for (int i = 0; written < total; ++i) {
        const uint64_t size = std::min<uint64_t>(kFileSize, total - written);
        const fs::path path = folder / "in" / ("file" + std::to_string(i) + (i % 2 ? ".txt" : ".bin"));
        if (!WriteFile(path, i % 2 ? TextBytes(rng, size) : RandomBytes(rng, size))) return 1;
        mixed.push_back(pack::TPackSource{"00000#" + path.filename().string(), path.string()});
        if (written < total / 4) {
            small.push_back(mixed.back());
            smallBytes += size;
        }
        written += size;
    }
    // Zeros: one file packed under many names, and the rest.
    std::vector<pack::TPackSource> zeros;
    const uint64_t rest = total % kFileSize;
    WriteFile(folder / "in" / "zeros", std::string(kFileSize, '\0'));
    WriteFile(folder / "in" / "zeros.rest", std::string(rest, '\0'));
    for (uint64_t done = 0; done < total; done += kFileSize) {
        const fs::path path = folder / "in" / (total - done < kFileSize ? "zeros.rest" : "zeros");
        zeros.push_back(pack::TPackSource{"00000#zero" + std::to_string(zeros.size()) + ".bin", path.string()});
    }

    std::printf("pieces of %u bytes, zlib level 6; best of %d runs, output MB/s (1 MB = 10^6 bytes)\n",
                pack::kPieceSize, kRuns);
    std::fflush(stdout);
    Package big, quarter, zero;
    bool ok = Build(folder, "mixed.exe", mixed, written, big) && Build(folder, "small.exe", small, smallBytes, quarter) &&
              Build(folder, "zeros.exe", zeros, total, zero);
    std::error_code ec;
    fs::remove_all(folder / "in", ec);  // the packages hold it all

    Figures fBig, fQuarter, fZero;
    if (ok && (ok = Measure(measurer, big, folder, fBig))) PrintFigures("mixed, half random, half text", big, fBig);
    std::fflush(stdout);
    if (ok && (ok = Measure(measurer, zero, folder, fZero))) PrintFigures("zeros", zero, fZero);
    std::fflush(stdout);
    if (ok && (ok = Measure(measurer, quarter, folder, fQuarter))) PrintFigures("mixed, a quarter", quarter, fQuarter);
    if (ok) {
        const double bound = (3.0 * pack::kPieceSize + 8 * kMiB) / kMiB;
        std::printf("peak resident memory of ExtractPackage (bound 3 x %.0f MiB piece + 8 MiB = %.0f MiB):\n",
                    pack::kPieceSize / kMiB, bound);
        const struct {
            const char* what;
            const Package& package;
            const Figures& figures;
        } rows[] = {{"mixed", big, fBig}, {"mixed", quarter, fQuarter}, {"zeros", zero, fZero}};
        for (const auto& row : rows) {
            std::printf("  %-6s package %8.1f MB (%6.1f MB of files)  %6.1f MiB  %s\n", row.what,
                        row.package.size / kMB, row.package.input / kMB, row.figures.extract.peakMiB,
                        row.figures.extract.peakMiB <= bound ? "within" : "ABOVE the bound");
        }
        // zlib inflates long runs of zeros more slowly than it copies stored
        // pieces; the plain inflate's ratio tells that from a slow extraction.
        std::printf("zeros / mixed rate: ExtractPackage %.2f, plain inflate %.2f\n",
                    (zero.input / fZero.extract.seconds) / (big.input / fBig.extract.seconds),
                    (zero.input / fZero.plain) / (big.input / fBig.plain));
    }
    fs::remove_all(folder, ec);
    return ok ? 0 : 1;
}
