// The program's entry: start-up, the package of its own file, its command
// line and the run-mode tests.
#pragma once

#include <cstdint>
#include <memory>

#include "package/PackX.h"
#include "util/Text.h"

// Start-up from the first trace line to the last; returns the exit code.
int RunStub();

// The package of the program's own executable (an empty package before
// start-up has read it).
const TGFileInfo& OwnPackage();
// Start-up's package; test programs hand in one of their own.
void SetOwnPackage(std::unique_ptr<TGFileInfo> package);
// The own package carries the agent flag.
bool ThisIs_AutoUpdateProg();
// Exit code of the process: 0 unless a setup's engine ran.
void SetStubExitCode(int code);

// The running program's command line.
Text CommandTail();
bool HasSwitch(const Text& name);
Text GetSwitchValue(const Text& name);
int64_t GetSwitchInt(const Text& name, int64_t dflt);
// "%d.%d.%d.%d" from the file's version resource (empty path: the own
// executable); empty when the file has none.
Text FileVersionText(const Text& path);

// Run-mode tests.
bool X_ExeIsRunning();
bool ThisIs_Plain_AutoUpdate_Exe();
bool ThisIs_X_AutoUpdate_Exe();
bool IsCdSetFirstStage();
bool IsCdSetSecondStage();
