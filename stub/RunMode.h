// The decisions of start-up that depend only on names and package facts:
// which run mode a program file is in and which window class it keeps.
#pragma once

#include <cstdint>

#include "util/Text.h"

// Own file name equals the agent's program name (trimmed, ignoring case).
bool IsPlainAgentName(const Text& ownFileName, const Text& agentExeName);
// Own file name equals "X_" + the agent's program name.
bool IsTransientAgentName(const Text& ownFileName, const Text& agentExeName);
// The class of the transient copy's window: ".AutoUpdate.X_" + the agent
// name without its last extension.
Text TransientAgentClass(const Text& agentExeName);
// Agents: ".AutoUpdate." + own name without extension; setups: the full
// path, so two copies of one setup in different folders run side by side.
Text StubClassNameFor(bool isAutoUpdateProg, const Text& ownExePath);
bool IsCdSetFirstStageFor(bool cdSetBit, int64_t spanCdLevel);
bool IsCdSetSecondStageFor(int64_t spanCdLevel);
