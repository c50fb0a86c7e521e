// Scrambled texts: any input unscrambles without fault, and every plain text
// survives scrambling (with and without the hex layer).
#include <cstdint>

#include "fuzz/FuzzInput.h"
#include "util/Scramble.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    (void)UnscrambleText(text);
    if (size > 0) {
        const unsigned char key = static_cast<unsigned char>(33 + data[0] % 90);
        const std::string plain = text.substr(1);
        if (UnscrambleText(ScrambleText(plain, key, false)) != plain) __builtin_trap();
        if (UnscrambleText(ScrambleText(plain, key, true)) != plain) __builtin_trap();
    }
    return 0;
}
