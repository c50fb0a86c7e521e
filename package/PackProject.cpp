// The builder's project keys and the plan they make. Every key is checked
// here, before anything is written: unknown keys, values that would break a
// delimited header record, names that would leave the target folder.
#include "package/PackProject.h"

#include <algorithm>
#include <optional>
#include <random>

#include "package/PackX.h"
#include "text/VSUB.h"
#include "util/Numbers.h"
#include "util/Parallel.h"
#include "util/Platform.h"

namespace pack {

namespace {

constexpr uint64_t kMaxLanguageFile = 1 << 20;
constexpr char kSection[] = "SETUP";
constexpr char kEngineName[] = "Engine.exe";
constexpr size_t kTokenMaterial = 24;
constexpr size_t kMaxApplicationFiles = 100000;  // a five-digit index

const char* const kFlagKeys[] = {"HideSetup",  "WebNoLocalCopy", "InformTempDrive",   "IsCdSet",   "ShowActivityBar",
                                 "StubLogBit", "WebSetup",       "AskBeforeDownload", "MakeAgent", "AutoUpdateProg"};
const char* const kNumberKeys[] = {"Level", "DiskSize", "Seed", "Threads", "WebSize"};

const char* const kLanguageKeys[] = {"s0",        "s1",    "s2",      "s3",       "s4",      "s5",      "s6",
                                     "s7",        "s8",    "s10",     "s11",      "s12",     "BtnText", "Confirm",
                                     "Attention", "Error", "Charset", "FontSize", "FontName"};

template <size_t N>
bool IsOneOf(const Text& key, const char* const (&names)[N]) {
    return std::any_of(std::begin(names), std::end(names), [&](const char* name) { return SameText(key, name); });
}

Text Quoted(const Text& text) {
    return "\"" + text + "\"";
}

bool IsAbsolute(const Text& path) {
    return (!path.empty() && (path[0] == '/' || path[0] == '\\')) || (path.size() > 1 && path[1] == ':');
}

Text JoinPath(const Text& folder, const Text& path) {
    if (folder.empty() || IsAbsolute(path)) return path;
    return folder + platform::kPathSeparator + path;
}

// The items of a ";" list, blanks trimmed, empty items left out.
std::vector<Text> ListItems(const Text& list) {
    std::vector<Text> items;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(';', start);
        if (end == Text::npos) end = list.size();
        Text item = TrimDequote(list.substr(start, end - start), false);
        if (!item.empty()) items.push_back(item);
        start = end + 1;
    }
    return items;
}

// Lines of a text without their CR / LF.
std::vector<Text> Lines(const Text& text) {
    std::vector<Text> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == Text::npos) end = text.size();
        Text line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool IsComment(const Text& line) {
    return line.empty() || line[0] == ';' || line[0] == '#';
}

bool ReadTextFile(const Text& path, Text& text, Text& error) {
    platform::File file = platform::File::OpenRead(path);
    uint64_t size = 0;
    const bool sized = file.valid() && file.Size(size) && size <= kMaxLanguageFile;
    if (sized) text.assign(static_cast<size_t>(size), '\0');
    if (sized && (size == 0 || file.ReadAt(0, &text[0], text.size()) == text.size())) return true;
    error = "cannot read " + Quoted(path) + (size > kMaxLanguageFile ? " (larger than 1 MiB)" : "");
    return false;
}

// Fields of a header record may hold neither its delimiter nor NUL.
bool CheckField(const Text& key, const Text& value, Text& error) {
    if (value.find('|') == Text::npos && value.find('\0') == Text::npos) return true;
    error = key + ": the value may not contain \"|\"";
    return false;
}

Text DelimitedList(const std::vector<Text>& fields) {
    Text list = "|";
    for (const Text& field : fields) list += field + "|";
    return list;
}

Text TokenValueText(const std::string& bytes) {
    return HexText(bytes, false, false);
}

std::string Draw(std::mt19937_64& generator, size_t n) {
    std::string bytes(n, '\0');
    for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
    return bytes;
}

uint64_t RandomSeed() {
    std::random_device device;
    return (static_cast<uint64_t>(device()) << 32) ^ device();
}

}  // namespace

bool LanguageEntry(const Text& name, const Text& text, Text& entry, Text& error) {
    Text separated = Text(1, '\0') + Trim(name) + '\0';
    if (Trim(name).empty()) {
        error = "a language needs a name";
        return false;
    }
    const std::vector<Text> lines = Lines(text);
    for (size_t i = 0; i < lines.size(); ++i) {
        const Text line = Trim(lines[i]);
        if (IsComment(line)) continue;
        const size_t equals = line.find('=');
        const Text key = equals == Text::npos ? Text() : Trim(line.substr(0, equals));
        if (!IsOneOf(key, kLanguageKeys)) {
            error = "line " + IntText(static_cast<int64_t>(i + 1)) + ": unknown language key " +
                    Quoted(equals == Text::npos ? line : key);
            return false;
        }
        separated += key + "=" + Trim(line.substr(equals + 1)) + '\0';
    }
    entry = SUB::ChooseDelimiter(separated);
    if (entry.find('\0') == Text::npos) return true;
    error = "the texts use every delimiter character (| * ^ ! ~ @ # $ & and byte 255)";
    return false;
}

bool LanguageTable(const std::vector<Text>& entries, Text& table, Text& error) {
    if (entries.empty()) {
        table = Text(1, kLanguagesNone);
        return true;
    }
    Text separated(1, '\0');
    for (const Text& entry : entries) separated += entry + '\0';
    table = SUB::ChooseDelimiter(separated);
    if (table.find('\0') == Text::npos) return true;
    error = "the language entries use every delimiter character (| * ^ ! ~ @ # $ & and byte 255)";
    return false;
}

TBuildMaterial DrawBuildMaterial(uint64_t seed) {
    std::mt19937_64 generator(seed);
    TBuildMaterial m;
    m.buildId = Draw(generator, 16);
    m.agentValue = Draw(generator, 8);
    m.agentMaterial = Draw(generator, kTokenMaterial);
    m.webValue = Draw(generator, 8);
    m.webMaterial = Draw(generator, kTokenMaterial);
    return m;
}

std::string BuildBlockText(const std::string& buildId) {
    std::string text = HexText(buildId, false, false);
    text.resize(kBuildBlockDataSize, '.');
    return text;
}

const std::vector<TProjectKey>& TProject::Keys() {
    static const std::vector<TProjectKey> keys = {
        {"Stub", "stub image the package is appended to (stub.exe)"},
        {"Output", "setup file to write; disk files add .002, .003, ..."},
        {"Engine", "setup engine, packed first as \"Engine.exe*\""},
        {"EngineArgs", "text after the \"*\": added to the engine's command line"},
        {"Scripts", "engine script and project files and bitmaps, \";\"-separated"},
        {"Files", "folder whose files are packed as \"NNNNN#name\" (no subfolders)"},
        {"Languages", "language files, \";\"-separated; key=value lines, named by the file"},
        {"Level", "zlib level 1..9 (default 6); 0 stores every piece"},
        {"DiskSize", "largest disk file in bytes: writes a multi-disk set (0: one file)"},
        {"Seed", "fixed seed for token material and build id: byte-identical output"},
        {"Threads", "pieces compressed at once (default: the processor count)"},
        {"AgentUrl", "ProductInfo: the agent's web address"},
        {"InfoFile", "ProductInfo: the agent's information file (*.info)"},
        {"AgentExe", "ProductInfo: the agent program's file name (*.exe)"},
        {"AgentToken", "ProductInfo: agent token value; give a product's setups the same"},
        {"HideSetup", "ProductInfo: 1 runs the setup hidden"},
        {"WebUrl", "WebInfo: folder address of the full setup"},
        {"WebFileName", "WebInfo: the full setup's file name"},
        {"WebNoLocalCopy", "WebInfo: 1 forbids a copy beside the stub"},
        {"WebToken", "WebInfo: web token value; a web setup and its full setup share it"},
        {"WebSize", "WebInfo: the full setup's size in bytes"},
        {"FullSetup", "built full setup: its web token, file name and size go to WebInfo"},
        {"InformTempDrive", "flag: always show the temporary-drive notice"},
        {"IsCdSet", "flag: the setup is spread over CDs and runs from a copy"},
        {"ShowActivityBar", "flag: show the activity bar during extraction"},
        {"StubLogBit", "flag: an agent writes the stub log"},
        {"WebSetup", "1: a web-download setup"},
        {"AskBeforeDownload", "1: ask before the download"},
        {"MakeAgent", "1: the extraction also writes the agent program AgentExe"},
        {"AutoUpdateProg", "1: the file is an auto-update agent"},
    };
    return keys;
}

bool TProject::Set(const Text& key, const Text& value, const Text& folder, Text& error) {
    const auto& keys = Keys();
    const auto known =
        std::find_if(keys.begin(), keys.end(), [&](const TProjectKey& k) { return SameText(k.name, key); });
    if (known == keys.end()) {
        error = "unknown key " + Quoted(key);
        return false;
    }
    const Text name = known->name;
    const Text v = TrimDequote(value, false);
    if (v.find('\0') != Text::npos) {
        error = name + ": the value may not contain NUL";
        return false;
    }
    int64_t number = 0;
    if (IsOneOf(key, kFlagKeys) && !v.empty() && v != "0" && v != "1") {
        error = name + ": 0 or 1, not " + Quoted(v);
        return false;
    }
    if (IsOneOf(key, kNumberKeys) && !v.empty() && (!TryParseInt64(v, number) || number < 0)) {
        error = name + ": a number, not " + Quoted(v);
        return false;
    }
    values_[UpperText(key)] = TProjectValue{v, folder};
    return true;
}

bool TProject::ReadIni(const Text& text, const Text& folder, Text& error) {
    const std::vector<Text> lines = Lines(text);
    bool inSection = false;
    std::vector<Text> seen;
    for (size_t i = 0; i < lines.size(); ++i) {
        const Text line = Trim(lines[i]);
        const Text where = "line " + IntText(static_cast<int64_t>(i + 1)) + ": ";
        if (IsComment(line)) continue;
        if (line.front() == '[') {
            inSection = SameText(line, Text("[") + kSection + "]");
            if (!inSection) {
                error = where + "unknown section " + line + " (the keys belong in [Setup])";
                return false;
            }
            continue;
        }
        const size_t equals = line.find('=');
        if (!inSection || equals == Text::npos) {
            error =
                where + (inSection ? "a line of the form key=value expected" : "keys belong in the [Setup] section");
            return false;
        }
        const Text key = Trim(line.substr(0, equals));
        if (std::find_if(seen.begin(), seen.end(), [&](const Text& k) { return SameText(k, key); }) != seen.end()) {
            error = where + "the key " + Quoted(key) + " is set twice";
            return false;
        }
        seen.push_back(key);
        if (!Set(key, line.substr(equals + 1), folder, error)) {
            error = where + error;
            return false;
        }
    }
    return true;
}

Text TProject::Value(const Text& key) const {
    auto found = values_.find(UpperText(key));
    return found == values_.end() ? Text() : found->second.value;
}

Text TProject::PathValue(const Text& key) const {
    auto found = values_.find(UpperText(key));
    if (found == values_.end() || found->second.value.empty()) return Text();
    return JoinPath(found->second.folder, found->second.value);
}

std::vector<Text> TProject::PathList(const Text& key) const {
    auto found = values_.find(UpperText(key));
    std::vector<Text> paths;
    if (found == values_.end()) return paths;
    for (const Text& item : ListItems(found->second.value)) paths.push_back(JoinPath(found->second.folder, item));
    return paths;
}

namespace {

// What MakePlan assembles, step by step.
class Planner {
public:
    explicit Planner(TPackPlan& plan) : plan_(plan) {}

    bool AddEngine(const Text& path, const Text& args, Text& error) {
        if (path.empty()) return true;
        if (!CheckField("EngineArgs", args, error)) return false;
        return Add(Text(kEngineName), "*" + args, path, error);
    }

    bool AddScripts(const std::vector<Text>& paths, Text& error) {
        for (const Text& path : paths) {
            if (!Add(FileNamePart(path), Text(), path, error)) return false;
        }
        return true;
    }

    // Application files: every file of the folder, in name order, as "NNNNN#name".
    bool AddApplicationFiles(const Text& folder, Text& error) {
        if (folder.empty()) return true;
        std::vector<platform::FolderEntry> entries;
        if (!platform::ListFolder(folder, entries)) {
            error = "cannot list the folder " + Quoted(folder);
            return false;
        }
        std::sort(entries.begin(), entries.end(),
                  [](const platform::FolderEntry& a, const platform::FolderEntry& b) { return a.name < b.name; });
        if (entries.size() > kMaxApplicationFiles) {
            error = "the folder " + Quoted(folder) + " holds more than 100000 files";
            return false;
        }
        int index = 0;
        for (const platform::FolderEntry& entry : entries) {
            const Text path = JoinPath(folder, entry.name);
            if (entry.folder) {
                error = Quoted(path) + " is a folder: the application files come from one folder, without subfolders";
                return false;
            }
            if (!Add(ZeroPad(index++, 5) + "#" + entry.name, Text(), path, error)) return false;
        }
        return true;
    }

private:
    bool Add(const Text& name, const Text& suffix, const Text& path, Text& error) {
        if (!IsFlatPieceName(name)) {
            error = "the file name " + Quoted(name) + " of " + Quoted(path) +
                    " cannot be packed (no \"|\", \":\", \"*\", \"\\\", \"/\", control characters or device names)";
            return false;
        }
        const Text key = UpperText(name);
        if (std::find(names_.begin(), names_.end(), key) != names_.end()) {
            error = "two files are named " + Quoted(name);
            return false;
        }
        names_.push_back(key);
        plan_.files.push_back(TPackSource{name + suffix, path});
        return true;
    }

    TPackPlan& plan_;
    std::vector<Text> names_;
};

bool MakeLanguageTable(const std::vector<Text>& paths, Text& table, Text& error) {
    std::vector<Text> entries;
    for (const Text& path : paths) {
        Text text;
        Text entry;
        if (!ReadTextFile(path, text, error)) return false;
        if (!LanguageEntry(FileBaseName(path, true), text, entry, error)) {
            error = Quoted(path) + ": " + error;
            return false;
        }
        entries.push_back(entry);
    }
    return LanguageTable(entries, table, error);
}

}  // namespace

bool TProject::MakeWebRecord(const TBuildMaterial& material, Text& record, Text& error) const {
    const bool wanted = Value("WebSetup") == "1" || Has("WebUrl") || Has("WebFileName") || Has("WebNoLocalCopy") ||
                        Has("WebToken") || Has("WebSize") || Has("FullSetup");
    if (!wanted) return true;
    Text fileName = Value("WebFileName");
    Text size = Value("WebSize");
    Text tokenValue = Value("WebToken");
    const Text full = PathValue("FullSetup");
    if (!full.empty()) {
        if (!platform::FileExists(full)) {
            error = "cannot read the full setup " + Quoted(full);
            return false;
        }
        // The web setup proves the download by the full setup's own web token.
        const TGFileInfo info(full);
        const std::optional<Text> value = TryDecodeToken(info.WebToken(false));
        if (!value) {
            error = "the full setup " + Quoted(full) + " carries no web token (build it with WebToken set)";
            return false;
        }
        if (!tokenValue.empty() && tokenValue != *value) {
            error = "WebToken differs from the web token of the full setup " + Quoted(full);
            return false;
        }
        tokenValue = *value;
        uint64_t bytes = 0;
        platform::File file = platform::File::OpenRead(full);
        if (size.empty() && file.Size(bytes)) size = IntText(static_cast<int64_t>(bytes));
        if (fileName.empty()) fileName = FileNamePart(full);
    }
    if (tokenValue.empty()) tokenValue = TokenValueText(material.webValue);
    if (Value("WebSetup") == "1" && (Value("WebUrl").empty() || fileName.empty() || size.empty())) {
        error = "a web setup needs WebUrl and the full setup's WebFileName and WebSize (or FullSetup)";
        return false;
    }
    for (const Text& field : {Value("WebUrl"), fileName, tokenValue}) {
        if (!CheckField("WebUrl, WebFileName and WebToken", field, error)) return false;
    }
    record = DelimitedList({Value("WebUrl"), fileName, Value("WebNoLocalCopy") == "1" ? "1" : "0",
                            EncodeToken(tokenValue, material.webMaterial), size});
    return true;
}

bool TProject::MakePlan(TPackPlan& plan, Text& error) const {
    plan = TPackPlan();
    plan.stubPath = PathValue("Stub");
    plan.outputPath = PathValue("Output");
    if (plan.stubPath.empty() || plan.outputPath.empty()) {
        error = plan.stubPath.empty() ? "no Stub given" : "no Output given";
        return false;
    }
    if (plan.stubPath == plan.outputPath) {
        error = "Output may not be the stub itself";
        return false;
    }
    const TBuildMaterial material =
        DrawBuildMaterial(Has("Seed") ? static_cast<uint64_t>(ParseInt64Or(Value("Seed"), 0)) : RandomSeed());
    plan.buildBlock = BuildBlockText(material.buildId);

    Planner planner(plan);
    if (!planner.AddEngine(PathValue("Engine"), Value("EngineArgs"), error) ||
        !planner.AddScripts(PathList("Scripts"), error) || !planner.AddApplicationFiles(PathValue("Files"), error)) {
        return false;
    }

    Text languages;
    if (!MakeLanguageTable(PathList("Languages"), languages, error)) return false;
    plan.headerRecords.push_back(languages);

    const Text agentExe = Value("AgentExe");
    if (!agentExe.empty() && !IsFlatPieceName(agentExe)) {
        error = "AgentExe must be a plain file name";
        return false;
    }
    if (Value("MakeAgent") == "1" && agentExe.empty()) {
        error = "MakeAgent needs AgentExe";
        return false;
    }
    Text agentValue = Value("AgentToken");
    if (agentValue.empty() && !agentExe.empty()) agentValue = TokenValueText(material.agentValue);
    std::vector<Text> product = {Value("AgentUrl"), Value("InfoFile"), agentExe,
                                 EncodeToken(agentValue, material.agentMaterial),
                                 Value("HideSetup") == "1" ? "1" : "0"};
    for (const char* key : {"AgentUrl", "InfoFile", "AgentToken"}) {
        if (!CheckField(key, Value(key), error)) return false;
    }
    plan.headerRecords.push_back(DelimitedList(product));

    Text webRecord;
    if (!MakeWebRecord(material, webRecord, error)) return false;
    if (!webRecord.empty()) plan.headerRecords.push_back(webRecord);

    plan.packFlags = static_cast<uint8_t>(
        (Value("InformTempDrive") == "1" ? kInformTempDrive : 0) | (Value("IsCdSet") == "1" ? kIsCdSet : 0) |
        (Value("ShowActivityBar") == "1" ? kShowActivityBar : 0) | (Value("StubLogBit") == "1" ? kStubLogBit : 0));
    plan.webSetup = Value("WebSetup") == "1";
    plan.askBeforeDownload = Value("AskBeforeDownload") == "1";
    plan.makeAgent = Value("MakeAgent") == "1";
    plan.autoUpdateProg = Value("AutoUpdateProg") == "1";
    plan.level = static_cast<int>(Has("Level") ? ParseInt64Or(Value("Level"), 6) : 6);
    plan.diskSize = static_cast<uint64_t>(ParseInt64Or(Value("DiskSize"), 0));
    plan.workers = Has("Threads") ? static_cast<unsigned>(std::max<int64_t>(1, ParseInt64Or(Value("Threads"), 1)))
                                  : parallel::HardwareWorkers();
    return true;
}

}  // namespace pack
