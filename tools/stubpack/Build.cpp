// stubpack build and stubpack scramble.
#include <random>

#include "package/PackProject.h"
#include "package/PackWriter.h"
#include "tools/stubpack/Cli.h"
#include "util/Numbers.h"
#include "util/Scramble.h"

namespace {

constexpr uint64_t kMaxProjectFile = 1 << 20;
constexpr uint64_t kMaxScrambleInput = 64u << 20;
constexpr int kLowestKey = 33;
constexpr int kHighestKey = 122;

bool ReadProject(const Text& path, pack::TProject& project, Text& error) {
    std::string text;
    if (!cli::ReadWholeFile(path, kMaxProjectFile, text, error)) return false;
    if (project.ReadIni(text, cli::FolderOf(path), error)) return true;
    error = path + ": " + error;
    return false;
}

Text Summary(const pack::TPackPlan& plan, const pack::TPackSummary& summary) {
    Text text;
    for (const Text& output : summary.outputs) text += "wrote " + output + "\n";
    text += IntText(static_cast<int64_t>(plan.files.size())) + " files in " + IntText(summary.trailer.ChunkCount) +
            " pieces (" + IntText(summary.storedPieces) +
            " stored): " + IntText(static_cast<int64_t>(summary.inputBytes)) + " -> " +
            IntText(static_cast<int64_t>(summary.outputBytes)) + " bytes\n";
    return text;
}

// The key character: given, drawn from the seed, or random.
bool ScrambleKey(const cli::Args& args, unsigned char& key, Text& error) {
    int64_t value = 0;
    if (args.Has("key")) {
        if (!TryParseInt64(args.Option("key"), value) || value < kLowestKey || value > kHighestKey) {
            error = "--key must be a number from 33 to 122";
            return false;
        }
    } else {
        int64_t seed = 0;
        if (args.Has("seed") && (!TryParseInt64(args.Option("seed"), seed) || seed < 0)) {
            error = "--seed must be a number";
            return false;
        }
        std::mt19937_64 generator(args.Has("seed") ? static_cast<uint64_t>(seed) : std::random_device()());
        value = kLowestKey + static_cast<int64_t>(generator() % (kHighestKey - kLowestKey + 1));
    }
    key = static_cast<unsigned char>(value);
    return true;
}

}  // namespace

int RunBuild(const cli::Args& args) {
    if (args.positional.size() > 1) return cli::Fail("build takes one project file", cli::kUsage);
    pack::TProject project;
    Text error;
    if (!args.positional.empty() && !ReadProject(args.positional[0], project, error)) return cli::Fail(error);
    for (const auto& option : args.options) {
        if (!project.Set(option.first, option.second, Text(), error)) return cli::Fail(error, cli::kUsage);
    }
    pack::TPackPlan plan;
    pack::TPackSummary summary;
    if (!project.MakePlan(plan, error) || !pack::WritePackage(plan, summary, error)) return cli::Fail(error);
    cli::Print(Summary(plan, summary));
    return cli::kOk;
}

int RunScramble(const cli::Args& args) {
    if (args.positional.size() != 2) return cli::Fail("scramble needs INPUT and OUTPUT", cli::kUsage);
    for (const auto& option : args.options) {
        if (!SameText(option.first, "hex") && !SameText(option.first, "key") && !SameText(option.first, "seed")) {
            return cli::Fail("unknown option --" + option.first, cli::kUsage);
        }
    }
    unsigned char key = 0;
    std::string plain;
    Text error;
    if (!ScrambleKey(args, key, error)) return cli::Fail(error, cli::kUsage);
    if (!cli::ReadWholeFile(args.positional[0], kMaxScrambleInput, plain, error) ||
        !cli::WriteFileAtomically(args.positional[1], ScrambleText(plain, key, args.Has("hex")), error)) {
        return cli::Fail(error);
    }
    return cli::kOk;
}
