// The setup flow's decisions that need no Windows: the engine's command
// line, the switches it must not see, and the texts of the temporary-drive
// question.
#pragma once

#include <cstdint>

#include "util/Text.h"

// The completion atom's name without the thread suffix.
constexpr char kCompletionAtom[] = "UsbbZcmzxmXsfvBuquuVrNlymu";
// The class prefix of the engine's dialog; the thread suffix follows.
constexpr char kEngineDialogClass[] = ".SDialog_Class_Name.";

// "_" + the thread id: the suffix of the completion atom and the dialog class.
Text ThreadSuffix(uint32_t threadId);

// Deletes the switch (exact comparison), its value and the blanks up to the
// next "/"; the line unchanged when the switch does not occur.
Text RemoveSwitch(const Text& commandLine, const Text& switchName);

// Megabytes with 1 decimal above 10, 2 from 1 to 10, 3 below 1.
Text SizeMBText(double bytes);

struct EngineLaunch {
    Text folder;          // where the engine was extracted
    Text entry;           // "Engine.exe*" and the arguments after the "*"
    Text parameters;      // the setup's command tail (or the caller's)
    Text threadSuffix;
    Text ownExePath;      // for "/OriginExe=" when the parameters lack it
    bool autoUpdateProg;  // the running program is an agent
};

// The engine's command line: the unquoted program path in the folder, the
// parameters and the entry's arguments, "/TH_ID=", "/OriginExe=" unless
// present, "/AutoUpdateProg" for an agent; without the CD-set switches.
Text EngineCommandLine(const EngineLaunch& launch);

// The question asked before extracting, or empty when nothing is asked:
// texts holds "s2".."s6" of the package, in that order.
struct TempSpaceTexts {
    Text s2, s3, s4, s5, s6;
};
Text TempSpaceNotice(const TempSpaceTexts& texts, const Text& folder, bool informTempDrive, double need,
                     double freeBytes);
