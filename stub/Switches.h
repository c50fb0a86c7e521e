// The program's command line: its tail (without the program's own name) and
// the switches found in it. These are the pure forms; stub/Stub.h gives the
// same operations on the running program's own command line.
#pragma once

#include <cstdint>

#include "util/Text.h"

// The command line without the program's name, trimmed. exeFileName is the
// file name of the own executable, exePath its full path.
Text CommandTailOf(const Text& commandLine, const Text& exeFileName, const Text& exePath);
// The name occurs anywhere in the tail, ignoring case (no word boundaries).
bool HasSwitchIn(const Text& tail, const Text& name);
// Empty when the switch is missing, "TRUE" when nothing follows it, else its
// value: up to the next double quote when it begins with one, otherwise up to
// the first blank and then the first "/".
Text SwitchValueIn(const Text& tail, const Text& name);
int64_t SwitchIntIn(const Text& tail, const Text& name, int64_t dflt);
