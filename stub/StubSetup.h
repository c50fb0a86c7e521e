// The setup flow: what a setup does once its window exists. It picks a
// temporary folder with room, asks when the temporary drive is short, runs
// the extraction with the window's progress, starts the engine, waits for it,
// learns from the completion atom whether it completed, and cleans up.
#pragma once

#include <windows.h>

#include "package/PackX.h"
#include "util/Handles.h"
#include "util/Text.h"

// The stub window's first timer tick in a setup.
void StartSetup();
// Extracts the package at source into folder and runs its engine; true when
// the engine completed (it removed its atom).
bool ExtractAndRun(const Text& folder, const Text& source, const Text& agentName, bool foreground,
                   const Text& parameters);
// Asks before extracting when the package wants the notice or space is
// short; true to go on.
bool ConfirmTempSpace(const Text& folder, const TGFileInfo& package);
bool TempSpaceOk(const Text& folder, const Text& source);
// An alternative temporary base on the fixed drive C:, D: or E: with the most
// room, when that is not the temporary folder's drive (found once).
bool FindAltTempDrive();
Text AltTempFolder();
void RemoveAltTempFolder();
// "ForcePrompt" = "1": ask for every further disk.
bool ForcePromptSet();
win::KernelHandle StartProgram(const Text& commandLine, int showMode);
void WaitForProgram(HANDLE process);
// The CD-set first stage: copies the setup into the work folder as "Y_" +
// its name and starts the copy as the second stage.
void HandOverToCdCopy();
