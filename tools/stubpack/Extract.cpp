// stubpack extract: the stub's own extraction, natively, into a folder.
#include "package/PackX.h"
#include "package/UnPack.h"
#include "tools/stubpack/Cli.h"
#include "util/Numbers.h"

int RunExtract(const cli::Args& args) {
    if (args.positional.size() != 2) return cli::Fail("extract needs FILE and FOLDER", cli::kUsage);
    const Text& source = args.positional[0];
    const Text& folder = args.positional[1];
    // As a setup does: the agent program only when the package asks for it.
    const TGFileInfo info(source);
    const Text agent = info.MakeAgent() ? info.AgentExeName() : Text();
    unpack::TExtractEvents events;
    const unpack::TExtractResult result = unpack::ExtractPackage(source, folder, agent, events);
    if (result.failure.failed()) return cli::Fail(result.failure.Describe());
    cli::Print("extracted " + IntText(result.pieces) + " pieces from " + IntText(result.disks) + " file(s) into " +
               folder + (result.engineEntry.empty() ? Text() : "; engine: " + result.engineEntry) + "\n");
    return cli::kOk;
}
