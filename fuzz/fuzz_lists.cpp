// Delimited lists: every class method on any list, and SetItem's result
// holds the new item where it was put.
#include <cstdint>

#include "fuzz/FuzzInput.h"
#include "text/VSUB.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Splitter in(data, size);
    const std::string list = in.Next();
    const std::string key = in.Next();
    const std::string item = in.Next();
    const int index = in.NextInt(40);
    (void)SUB::Count(list);
    (void)SUB::Item(list, index, "d");
    (void)SUB::ItemInt(list, index, -1);
    (void)SUB::Value(list, key, "d", "e");
    (void)SUB::ChooseDelimiter(list);
    const std::string rebuilt = SUB::SetItem(list, index, item);
    // Unless every delimiter candidate occurs, the new item reads back.
    if (SUB::Count(rebuilt) > index && !item.empty() && item.find('\0') == std::string::npos &&
        SUB::Item(rebuilt, index, "") != item) {
        const std::string candidates = "|*^!~@#$&\xff";
        bool allTaken = true;
        for (char c : candidates) allTaken = allTaken && rebuilt.find(c) != std::string::npos;
        if (!allTaken && rebuilt[0] != '\0') __builtin_trap();
    }
    return 0;
}
