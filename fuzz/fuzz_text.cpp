// ReplaceText, CleanPath and Dequote on any text.
#include <cstdint>

#include "fuzz/FuzzInput.h"
#include "util/Text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Splitter in(data, size);
    const std::string text = in.Next();
    const std::string oldText = in.Next();
    const std::string newText = in.Next();
    const int first = in.NextInt(6) - 1;
    const int last = in.NextInt(6) - 1;
    const std::string replaced = ReplaceText(text, oldText, newText, last, first);
    (void)ReplaceTextIgnoreCase(text, oldText, newText, last, first);
    if (oldText.empty() && replaced != text) __builtin_trap();
    if (ReplaceText(text, oldText, oldText, 0, 0) != text) __builtin_trap();
    const std::string clean = CleanPath(text, first > 1);
    if (clean.size() > text.size()) __builtin_trap();
    const std::string dequoted = Dequote(text, '"', first > 1, last > 1);
    if (dequoted.size() > text.size()) __builtin_trap();
    (void)TrimDequote(text, last > 1);
    return 0;
}
