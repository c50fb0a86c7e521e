// Command-line tail and switch lookup on any command line.
#include <cstdint>

#include "fuzz/FuzzInput.h"
#include "stub/Switches.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Splitter in(data, size);
    const std::string line = in.Next();
    const std::string name = in.Next();
    const std::string path = in.Next();
    const std::string tail = CommandTailOf(line, name, path);
    if (tail.size() > line.size()) __builtin_trap();
    const std::string sw = in.Next();
    const std::string value = SwitchValueIn(tail, sw);
    if (value.size() > tail.size() && value != "TRUE") __builtin_trap();
    (void)HasSwitchIn(tail, sw);
    (void)SwitchIntIn(tail, sw, 7);
    return 0;
}
