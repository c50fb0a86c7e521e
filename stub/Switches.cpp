// Command-line tail and switch lookup.
#include "stub/Switches.h"

#include "util/Numbers.h"

namespace {

// Everything after the first occurrence of what (ignoring case); an
// argument of a single character left behind counts as nothing.
bool CutAfter(const Text& line, const Text& what, Text& rest) {
    size_t at = PosIgnoreCase(what, line);
    if (at == 0) return false;
    rest = line.substr(at - 1 + what.size());
    if (Trim(rest).size() == 1) rest.clear();
    return true;
}

}  // namespace

Text CommandTailOf(const Text& commandLine, const Text& exeFileName, const Text& exePath) {
    Text rest = commandLine;
    if (!exeFileName.empty() &&
        (CutAfter(commandLine, exeFileName + "\"", rest) || CutAfter(commandLine, exeFileName, rest))) {
        return Trim(rest);
    }
    size_t at = exePath.empty() ? 0 : Pos(exePath, commandLine);
    if (at != 0) rest = commandLine.substr(0, at - 1) + commandLine.substr(at - 1 + exePath.size());
    return Trim(rest);
}

bool HasSwitchIn(const Text& tail, const Text& name) { return PosIgnoreCase(name, tail) != 0; }

Text SwitchValueIn(const Text& tail, const Text& name) {
    size_t at = PosIgnoreCase(name, tail);
    if (at == 0) return Text();
    Text after = tail.substr(at - 1 + name.size());
    if (after.empty()) return "TRUE";
    if (after[0] == '"') {
        after.erase(0, 1);
        size_t quote = after.find('"');
        if (quote != Text::npos) after.erase(quote);
    } else {
        size_t blank = after.find(' ');
        if (blank != Text::npos) after.erase(blank);
        size_t slash = after.find('/');
        if (slash != Text::npos) after.erase(slash);
    }
    return Trim(after);
}

int64_t SwitchIntIn(const Text& tail, const Text& name, int64_t dflt) {
    return ParseInt64Or(SwitchValueIn(tail, name), dflt);
}
