// Engine command line, switch removal and the temporary-drive notice.
#include "stub/SetupRules.h"

#include <cstdio>

Text ThreadSuffix(uint32_t threadId) { return "_" + std::to_string(threadId); }

Text RemoveSwitch(const Text& commandLine, const Text& switchName) {
    size_t at = switchName.empty() ? Text::npos : commandLine.find(switchName);
    if (at == Text::npos) return commandLine;
    // Up to the next switch; a "/" inside a quoted value belongs to the value.
    size_t end = at + 1;
    bool quoted = false;
    for (; end < commandLine.size() && (quoted || commandLine[end] != '/'); ++end) {
        if (commandLine[end] == '"') quoted = !quoted;
    }
    return commandLine.substr(0, at) + commandLine.substr(end);
}

Text SizeMBText(double bytes) {
    double mb = bytes > 0 ? bytes / 1048576.0 : 0.0;
    int decimals = mb > 10 ? 1 : (mb >= 1 ? 2 : 3);
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, mb);
    return text;
}

Text EngineCommandLine(const EngineLaunch& launch) {
    Text program = launch.entry;
    Text parameters = launch.parameters;
    size_t star = launch.entry.find('*');
    if (star != Text::npos) {
        program = Trim(launch.entry.substr(0, star));
        parameters = Trim(parameters + " " + Trim(launch.entry.substr(star + 1)));
    }
    Text command = SetBackslash(launch.folder, true) + program;
    if (!parameters.empty()) command += " " + parameters;
    command += " /TH_ID=" + launch.threadSuffix;
    if (command.find("/OriginExe=") == Text::npos) command += " /OriginExe=\"" + launch.ownExePath + "\"";
    if (launch.autoUpdateProg) command += " /AutoUpdateProg";
    return RemoveSwitch(RemoveSwitch(command, "/SpanCdLvl="), "/SpanDiskFName1=");
}

Text TempSpaceNotice(const TempSpaceTexts& texts, const Text& folder, bool informTempDrive, double need,
                     double freeBytes) {
    Text text = informTempDrive ? texts.s2 : Text();
    if (need >= freeBytes) text = texts.s3;
    if (text.empty()) return text;
    text += texts.s4 + texts.s5 + texts.s6;
    Text drive = folder.empty() ? Text() : UpperText(folder.substr(0, 1)) + ":";
    text = ReplaceAll(text, "<DRIVE>", drive);
    text = ReplaceAll(text, "<SPACE_REQ>", SizeMBText(need));
    return ReplaceAll(text, "<SPACE_AVAIL>", SizeMBText(freeBytes));
}
