// Command-line parsing and file helpers of stubpack.
#include "tools/stubpack/Cli.h"

#include <cstdio>

#include "util/Platform.h"

namespace cli {

bool Args::Has(const Text& name) const {
    for (const auto& option : options) {
        if (SameText(option.first, name)) return true;
    }
    return false;
}

Text Args::Option(const Text& name) const {
    for (const auto& option : options) {
        if (SameText(option.first, name)) return option.second;
    }
    return Text();
}

Args ParseArgs(int argc, char** argv, int first) {
    Args args;
    for (int i = first; i < argc; ++i) {
        const Text arg = argv[i];
        if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            const size_t equals = arg.find('=');
            args.options.emplace_back(arg.substr(2, equals == Text::npos ? Text::npos : equals - 2),
                                      equals == Text::npos ? Text() : arg.substr(equals + 1));
        } else {
            args.positional.push_back(arg);
        }
    }
    return args;
}

int Fail(const Text& message, int code) {
    std::fprintf(stderr, "stubpack: %s\n", message.c_str());
    return code;
}

void Print(const Text& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

bool ReadWholeFile(const Text& path, uint64_t limit, std::string& bytes, Text& error) {
    platform::File file = platform::File::OpenRead(path);
    uint64_t size = 0;
    if (!file.valid() || !file.Size(size)) {
        error = "cannot read \"" + path + "\"";
        return false;
    }
    if (size > limit) {
        error = "\"" + path + "\" is too large";
        return false;
    }
    bytes.resize(static_cast<size_t>(size));
    if (size > 0 && file.ReadAt(0, &bytes[0], bytes.size()) != bytes.size()) {
        error = "cannot read \"" + path + "\"";
        return false;
    }
    return true;
}

bool WriteFileAtomically(const Text& path, const std::string& bytes, Text& error) {
    const Text temp = path + ".stubpack-tmp";
    bool written = false;
    {
        platform::File file = platform::File::Create(temp);
        written = file.valid() && file.Write(bytes.data(), bytes.size());
    }
    if (written && platform::RenameFile(temp, path)) return true;
    platform::RemoveFile(temp);
    error = "cannot write \"" + path + "\"";
    return false;
}

Text FolderOf(const Text& path) {
    const size_t separator = path.find_last_of("/\\");
    return separator == Text::npos ? Text() : path.substr(0, separator == 0 ? 1 : separator);
}

}  // namespace cli
