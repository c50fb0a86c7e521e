// The extraction core on arbitrary packages: whatever the package holds,
// nothing may be created outside the target folder. Every file and folder
// the core creates is checked as it is created (the link wraps the platform
// calls that create, see cmake/Fuzz.cmake), and afterwards the folders
// around the target must hold exactly what they held before.
//
// Input: the setup file; "#NEXTDISK#" starts the next disk file of a set
// (setup.exe.002, .003, ...). Memory is bounded by libFuzzer's -rss_limit_mb.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>

#include "package/PackX.h"
#include "package/UnPack.h"
#include "util/Platform.h"

namespace fs = std::filesystem;

// The real platform calls behind the wraps.
platform::File RealCreate(const std::string& path) asm(
    "__real__ZN8platform4File6CreateERKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE");
platform::File RealOpenAppend(const std::string& path) asm(
    "__real__ZN8platform4File10OpenAppendERKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE");
bool RealMakeFolder(const std::string& path) asm(
    "__real__ZN8platform10MakeFolderERKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE");

namespace {

const char kDiskMark[] = "#NEXTDISK#";
constexpr int kMaxDiskFiles = 4;

// Per process: root holds the package files and "work"; the target folder
// work/out is made by the extraction itself, afresh for every input.
struct Scratch {
    std::string root, work, target;
};

// Kept for the life of the process: the exit handler still needs it.
const Scratch& TheScratch() {
    static const Scratch* scratch = [] {
        auto* s = new Scratch;
        s->root = "/dev/shm/stubfuzz-extract." + std::to_string(getpid());
        s->work = s->root + "/work";
        s->target = s->work + "/out";
        fs::remove_all(s->root);
        fs::create_directories(s->work);
        std::atexit([] { fs::remove_all(TheScratch().root); });
        return s;
    }();
    return *scratch;
}

// The path with ".", ".." and repeated separators resolved by its text
// alone: the scratch holds no links, so this is where a file would land.
std::string Lexical(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out;
    for (const std::string& part : parts) out += "/" + part;
    return out.empty() ? "/" : out;
}

// Whether the core may create this path: the target folder or inside it.
void CheckCreated(const std::string& path) {
    const std::string& target = TheScratch().target;
    const std::string where = Lexical(path);
    if (path.empty() || path[0] != '/') __builtin_trap();  // a relative path lands in the cwd
    if (where != target && where.compare(0, target.size() + 1, target + "/") != 0) __builtin_trap();
}

std::set<std::string> Entries(const std::string& folder) {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) names.insert(entry.path().filename().string());
    return names;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    platform::File file = RealCreate(path);
    if (!file.valid() || !file.Write(bytes.data(), bytes.size())) std::abort();
}

}  // namespace

platform::File WrapCreate(const std::string& path) asm(
    "__wrap__ZN8platform4File6CreateERKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE");
platform::File WrapOpenAppend(const std::string& path) asm(
    "__wrap__ZN8platform4File10OpenAppendERKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE");
bool WrapMakeFolder(const std::string& path) asm(
    "__wrap__ZN8platform10MakeFolderERKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE");

platform::File WrapCreate(const std::string& path) {
    CheckCreated(path);
    return RealCreate(path);
}

platform::File WrapOpenAppend(const std::string& path) {
    CheckCreated(path);
    return RealOpenAppend(path);
}

bool WrapMakeFolder(const std::string& path) {
    CheckCreated(path);
    return RealMakeFolder(path);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Scratch& s = TheScratch();
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string source = s.root + "/setup.exe";

    std::set<std::string> rootBefore = {"work"};
    size_t at = 0;
    for (int disk = 1; disk <= kMaxDiskFiles; ++disk) {
        const size_t mark = disk < kMaxDiskFiles ? input.find(kDiskMark, at) : std::string::npos;
        const std::string path = disk == 1 ? source : source + ".00" + std::to_string(disk);
        WriteFile(path, input.substr(at, mark == std::string::npos ? std::string::npos : mark - at));
        rootBefore.insert(fs::path(path).filename().string());
        if (mark == std::string::npos) break;
        at = mark + sizeof(kDiskMark) - 1;
    }

    // The agent as a setup asks for it: named by the package itself.
    const TGFileInfo info(source);
    const Text agent = info.MakeAgent() ? info.AgentExeName() : Text();
    unpack::TExtractEvents events;
    const unpack::TExtractResult result = unpack::ExtractPackage(source, s.target, agent, events);
    if (result.failure.failed() && !result.engineEntry.empty()) __builtin_trap();
    if (result.pieces > result.records) __builtin_trap();

    // Nothing new beside the target, and only plain files in it.
    if (Entries(s.root) != rootBefore) __builtin_trap();
    const std::set<std::string> work = Entries(s.work);
    if (!(work.empty() || work == std::set<std::string>{"out"})) __builtin_trap();
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(s.target, ec)) {
        if (!entry.is_regular_file()) __builtin_trap();
    }

    for (const std::string& name : rootBefore) {
        if (name != "work") fs::remove(s.root + "/" + name);
    }
    fs::remove_all(s.target);
    return 0;
}
