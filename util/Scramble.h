// The suite's scrambled text form: "Scrambled=01", one key character, then
// the text with every byte XORed by an alternating key sequence. An optional
// outer layer carries the whole form as upper-case hex digit pairs.
#pragma once

#include "util/Text.h"

// The plain text of a scrambled text (with or without the hex layer); a
// plain text comes back unchanged.
Text UnscrambleText(const Text& text);
// The scrambled form of a plain text with the key character key (33..122);
// with hexLayer, wrapped in the hex outer layer.
Text ScrambleText(const Text& plain, unsigned char key, bool hexLayer);
