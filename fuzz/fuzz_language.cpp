// Language tables from a package: ChooseLanguageEntry, EntryText and
// TGFileInfo::GetText with its font settings on any table, user language
// and key. The chosen entry is "*" or one of the table's own items.
//
// Input: table, user language, key, default, number; NUL-separated.
#include <cstdint>

#include "fuzz/FuzzInput.h"
#include "package/PackX.h"
#include "text/SLangId.h"
#include "text/VSUB.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Splitter in(data, size);
    const Text table = in.Next();
    const Text user = in.Next();
    const Text key = in.Next();
    const Text dflt = in.Next();
    const Text number = in.Next();

    const Text entry = ChooseLanguageEntry(table, user);
    if (entry != "*") {
        bool found = false;
        const int count = SUB::Count(table);
        for (int i = 0; i < count && !found; ++i) found = SUB::Item(table, i, Text()) == entry;
        if (!found) __builtin_trap();
    }
    (void)EntryText(entry, key, dflt);
    if (EntryText("*", key, dflt) != dflt) __builtin_trap();
    (void)ChooseLanguageEntry(table, SystemLanguageName());

    // The process keeps the entry of its first GetText; every later call
    // still reads its keys through EntryText.
    TGFileInfo info{Text()};
    info.LangTable = table;
    (void)info.GetText(key, dflt);
    (void)info.Charset();
    (void)info.FontSize();
    (void)info.FontName();

    uint64_t value = 0;
    for (unsigned char c : number) value = value * 131 + c;
    (void)LanguageNameOf(static_cast<int64_t>(value));
    (void)PrimaryLanguageNumber(static_cast<uint32_t>(value));
    return 0;
}
