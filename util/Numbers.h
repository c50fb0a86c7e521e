// Number formatting and parsing shared by every module.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "util/Text.h"

int64_t Min64(int64_t a, int64_t b);
int64_t Max64(int64_t a, int64_t b);
int64_t Clamp64(int64_t value, int64_t low, int64_t high);

// Seeds the generator from the clock on every call, then draws low..high.
int64_t RandomInRange(int64_t low, int64_t high);
Text RandomText(int64_t low, int64_t high);

Text IntText(int64_t value);
Text BoolText(bool value);  // "TRUE" / "FALSE"
// A decimal integer with an optional sign and nothing else (surrounding
// blanks allowed); false for anything else, including overflow.
bool TryParseInt64(const Text& text, int64_t& value);
int64_t ParseInt64Or(const Text& text, int64_t dflt);

Text ThousandsText(const Text& numberText);
Text UnitText(double value, double divisor, int decimals, bool separators);
Text KBText(double bytes, int decimals, bool separators);
Text MBText(double bytes, int decimals, bool separators);
Text PadLeft(const Text& text, int width, char fill);
Text ZeroPad(const Text& text, int width);
Text ZeroPad(int64_t value, int width);
Text HexText(const std::string& bytes, bool spaced, bool prefixed);
int64_t ParseNumber(const Text& text, int base);
int64_t ParseHex(const Text& text);
