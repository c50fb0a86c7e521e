// The suite's scrambled text form ("Scrambled=01", key character, XORed
// bytes), with its optional upper-case hex outer layer.
#include "util/Scramble.h"

#include "util/Numbers.h"

namespace {

const char kMarker[] = "Scrambled=01";
constexpr size_t kMarkerLength = sizeof kMarker - 1;

bool HasMarker(const Text& text) { return text.compare(0, kMarkerLength, kMarker) == 0; }

// XORs the byte at position i (from 1) with (i + k) mod 256, k being +key at
// odd and -key at even positions; applying it twice gives the input back.
Text ApplyKey(const Text& text, unsigned char key) {
    Text result = text;
    for (size_t i = 1; i <= result.size(); ++i) {
        int64_t k = i % 2 == 1 ? key : -static_cast<int64_t>(key);
        auto mask = static_cast<unsigned char>((static_cast<int64_t>(i) + k) & 0xFF);
        result[i - 1] = static_cast<char>(static_cast<unsigned char>(result[i - 1]) ^ mask);
    }
    return result;
}

int UpperHexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The bytes of a text made only of upper-case hex digit pairs; false for
// anything else (odd length, other characters, empty).
bool DecodeHexPairs(const Text& text, Text& bytes) {
    if (text.empty() || text.size() % 2 != 0) return false;
    bytes.clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        int high = UpperHexValue(text[i]);
        int low = UpperHexValue(text[i + 1]);
        if (high < 0 || low < 0) return false;
        bytes += static_cast<char>(high * 16 + low);
    }
    return true;
}

// Removes the hex layer when the text carries one; otherwise the text itself.
Text WithoutHexLayer(const Text& text) {
    Text inner;
    if (!HasMarker(text) && DecodeHexPairs(text, inner) && HasMarker(inner)) return inner;
    return text;
}

}  // namespace

Text UnscrambleText(const Text& text) {
    Text form = WithoutHexLayer(text);
    if (!HasMarker(form)) return form;
    // The marker alone carries no key and no bytes; it is taken as it stands.
    if (form.size() == kMarkerLength) return form;
    auto key = static_cast<unsigned char>(form[kMarkerLength]);
    return ApplyKey(form.substr(kMarkerLength + 1), key);
}

Text ScrambleText(const Text& plain, unsigned char key, bool hexLayer) {
    Text form = kMarker + Text(1, static_cast<char>(key)) + ApplyKey(plain, key);
    return hexLayer ? HexText(form, false, false) : form;
}
