// File operations shared by the modules: whole texts written or appended to
// files with an optional DOS date.
#pragma once

#include <cstdint>

#include "util/Text.h"

// Appends the text at the end of the file (created when missing), sets the
// DOS date when it is not 0; true when every byte was written. Opens and
// closes the file on each call.
bool AppendTextToFile(const Text& path, const Text& text, uint32_t dosDateTime);
