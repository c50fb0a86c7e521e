// Token decoding of any text, and the encoder's round trip.
#include <cstdint>

#include "fuzz/FuzzInput.h"
#include "package/PackX.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Splitter in(data, size);
    const std::string stored = in.Next();
    (void)DecodeToken(stored);
    std::optional<Text> value = TryDecodeToken(stored);
    if (value && value->empty()) __builtin_trap();
    const std::string plain = in.Next();
    const std::string material = in.Next();
    if (!plain.empty()) {
        std::optional<Text> back = TryDecodeToken(EncodeToken(plain, material));
        if (!back || *back != plain) __builtin_trap();
    }
    return 0;
}
