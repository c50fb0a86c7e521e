// What the stubpack commands share: the parsed command line, messages and
// whole-file reads and writes.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "util/Text.h"

namespace cli {

// Exit codes: 0 done (or sound), 1 failed (or damaged), 2 wrong usage.
constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

struct Args {
    std::vector<Text> positional;
    std::vector<std::pair<Text, Text>> options;  // "--name=value" or "--name" (value empty)
    bool Has(const Text& name) const;
    Text Option(const Text& name) const;
};

Args ParseArgs(int argc, char** argv, int first);

// "stubpack: " + message on stderr; returns code.
int Fail(const Text& message, int code = kFailed);
void Print(const Text& text);

bool ReadWholeFile(const Text& path, uint64_t limit, std::string& bytes, Text& error);
// Writes to a temporary name beside path, then renames it over path.
bool WriteFileAtomically(const Text& path, const std::string& bytes, Text& error);
// The folder part of a path without its separator; empty for a bare name.
Text FolderOf(const Text& path);

}  // namespace cli

int RunBuild(const cli::Args& args);
int RunScramble(const cli::Args& args);
int RunInspect(const cli::Args& args);
int RunVerify(const cli::Args& args);
int RunExtract(const cli::Args& args);
