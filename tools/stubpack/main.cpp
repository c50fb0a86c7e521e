// stubpack: the builder and inspector that installer authors use. Builds a
// setup from a project file, scrambles inform texts, and inspects, verifies
// and extracts setups and disk files. Each command is a thin layer over the
// portable package code that the stub itself uses.
#include <cstdio>

#include "package/PackProject.h"
#include "tools/stubpack/Cli.h"

namespace {

const char kUsageText[] =
    "usage: stubpack COMMAND ...\n"
    "\n"
    "  stubpack build [PROJECT.ini] [--Key=value ...]\n"
    "      Writes a setup: the stub with the package appended (and, with DiskSize,\n"
    "      the disk files OUTPUT.002, .003, ...). Keys come from the [Setup]\n"
    "      section of the project file, and each may also be given (or overridden)\n"
    "      on the command line. Paths in the file are relative to its folder.\n"
    "  stubpack scramble [--hex] [--key=N | --seed=N] INPUT OUTPUT\n"
    "      Writes INPUT in the \"Scrambled=01\" form of inform files; --hex adds the\n"
    "      hex outer layer; the key character is N (33..122), seeded or random.\n"
    "  stubpack inspect [--json] FILE\n"
    "      Lists a setup or disk file: trailer, flags, header records (tokens only\n"
    "      as valid or damaged), every chunk and the checksum verdict.\n"
    "  stubpack verify FILE\n"
    "      Checks checksum, structure and every chunk of a setup and its disk\n"
    "      files; exit code 0 only when sound, else the first bad record is named.\n"
    "  stubpack extract FILE FOLDER\n"
    "      Extracts the packaged files (and the agent program, with MakeAgent)\n"
    "      into FOLDER, following a multi-disk set.\n"
    "\n"
    "Exit codes: 0 done or sound, 1 failed or damaged, 2 wrong usage.\n";

void PrintHelp() {
    Text text = kUsageText;
    text += "\nProject keys (section [Setup]; flags are 0 or 1):\n";
    for (const pack::TProjectKey& key : pack::TProject::Keys()) {
        Text name = key.name;
        name.resize(19, ' ');
        text += "  " + name + key.help + "\n";
    }
    text +=
        "\nExample project file:\n"
        "  [Setup]\n"
        "  Stub=../build/win32/bin/stub.exe\n"
        "  Output=out/setup.exe\n"
        "  Engine=engine/Engine.exe\n"
        "  Scripts=engine/engine.ini\n"
        "  Files=app\n"
        "  Languages=lang/English.txt;lang/German.txt\n";
    cli::Print(text);
}

}  // namespace

int main(int argc, char** argv) {
    const Text command = argc > 1 ? argv[1] : "";
    const cli::Args args = cli::ParseArgs(argc, argv, 2);
    if (command == "--help" || command == "-h" || command == "help" || args.Has("help")) {
        PrintHelp();
        return cli::kOk;
    }
    if (command == "build") return RunBuild(args);
    if (command == "scramble") return RunScramble(args);
    if (command == "inspect") return RunInspect(args);
    if (command == "verify") return RunVerify(args);
    if (command == "extract") return RunExtract(args);
    std::fputs(kUsageText, stderr);
    return command.empty() ? cli::kUsage : cli::Fail("unknown command \"" + command + "\"", cli::kUsage);
}
