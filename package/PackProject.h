// The builder's project: the keys an author sets in an INI project file
// (section [Setup]) or on the command line, and their translation into a
// package plan: the header records (language table, product and web
// records with their tokens), the files in package order and the per-build
// block. Token material and generated token values come from one seeded
// generator, so a fixed seed gives byte-identical output.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "package/PackWriter.h"
#include "util/Text.h"

namespace pack {

// The seeded material of one build, drawn in a fixed order so that a value
// set by the author does not shift the others.
struct TBuildMaterial {
    std::string buildId;        // 16 bytes
    std::string agentValue;     // 8 bytes: a generated agent token value
    std::string agentMaterial;  // EncodeToken's free bytes
    std::string webValue;
    std::string webMaterial;
};

// A project key as the author writes it, with the folder its relative paths
// start from.
struct TProjectValue {
    Text value;
    Text folder;
};

struct TProjectKey {
    const char* name;
    const char* help;
};

class TProject {
public:
    // The keys a project may set, with a line of help each.
    static const std::vector<TProjectKey>& Keys();

    // Reads the [Setup] section of an INI text; relative paths in it start
    // at folder. False with "line N: ..." in error for anything unknown.
    bool ReadIni(const Text& text, const Text& folder, Text& error);
    // Sets one key (ignoring case), replacing a value from the project file.
    bool Set(const Text& key, const Text& value, const Text& folder, Text& error);
    // The plan for WritePackage: reads the language files, lists the
    // application folder, reads a full setup's web token.
    bool MakePlan(TPackPlan& plan, Text& error) const;

private:
    // WebInfo, when a web key is set; empty otherwise.
    bool MakeWebRecord(const TBuildMaterial& material, Text& record, Text& error) const;
    Text Value(const Text& key) const;
    Text PathValue(const Text& key) const;
    std::vector<Text> PathList(const Text& key) const;
    bool Has(const Text& key) const { return !Value(key).empty(); }

    std::map<Text, TProjectValue> values_;  // by upper-case key
};

// One language file ("key=value" lines; its name is the file's base name)
// as a LangTable entry; false with the reason in error.
bool LanguageEntry(const Text& name, const Text& text, Text& entry, Text& error);
// The LangTable of these entries; the character 2 when there are none.
bool LanguageTable(const std::vector<Text>& entries, Text& table, Text& error);

TBuildMaterial DrawBuildMaterial(uint64_t seed);
// The per-build block's data: the build id in hex, then dots.
std::string BuildBlockText(const std::string& buildId);

}  // namespace pack
