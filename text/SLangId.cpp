// Language strings: the language table, the user's language and the texts
// of a package's language entry.
#include "text/SLangId.h"

#include "package/PackX.h"
#include "text/VSUB.h"
#include "util/Numbers.h"
#include "util/Platform.h"

const char kLanguageTable[] =
    "|AFRIKAANS    = 54|ALBANIAN     = 28|ARABIC       = 01|BASQUE       = 45"
    "|BELARUSIAN   = 35|BULGARIAN    = 02|CATALAN      = 03|CHINESE      = 04"
    "|CROATIAN     = 26|CZECH        = 05|DANISH       = 06|DUTCH        = 19"
    "|ENGLISH      = 09|ESTONIAN     = 37|FAEROESE     = 56|FARSI        = 41"
    "|FINNISH      = 11|FRENCH       = 12|GERMAN       = 07|GREEK        = 08"
    "|HEBREW       = 13|HUNGARIAN    = 14|ICELANDIC    = 15|INDONESIAN   = 33"
    "|ITALIAN      = 16|JAPANESE     = 17|KOREAN       = 18|LATVIAN      = 38"
    "|LITHUANIAN   = 39|NORWEGIAN    = 20|POLISH       = 21|PORTUGUESE   = 22"
    "|ROMANIAN     = 24|RUSSIAN      = 25|SERBIAN      = 26|SLOVAK       = 27"
    "|SLOVENIAN    = 36|SPANISH      = 10|SWEDISH      = 29|THAI         = 30"
    "|TURKISH      = 31|UKRAINIAN    = 34|VIETNAMESE   = 42"
    "|CHINESE(SIMPLIFIED)  = 2052|CHINESE(TRADITIONAL) = 1028"
    "|DUTCH(FLEMISH)       = 2067|DUTCH(STANDARD)      = 1043"
    "|PORTUGUESE(PORTUGAL) = 2070|PORTUGUESE(BRAZIL)   = 1046"
    "|SERBIAN(LATIN)       = 2074|SERBIAN(CYRILIC)     = 3098|";

namespace {

constexpr int kEnglish = 9;

// The entry the first GetText of the process chose; every later object
// reads from it, whatever its own table.
struct ChosenEntry {
    bool chosen = false;
    Text entry;
};

ChosenEntry& ProcessEntry() {
    static ChosenEntry entry;
    return entry;
}

// A field without a name is nobody's language.
Text EntryNamed(const Text& langTable, const Text& name) {
    if (Trim(name).empty()) return Text();
    const int count = SUB::Count(langTable);
    for (int i = 0; i < count; ++i) {
        Text field = SUB::Item(langTable, i, Text());
        if (!field.empty() && SameTextTrim(SUB::Item(field, 0, Text()), name)) return field;
    }
    return Text();
}

}  // namespace

Text LanguageNameOf(int64_t number) {
    const Text digits = ZeroPad(number, 2);
    const Text table = kLanguageTable;
    const int count = SUB::Count(table);
    for (int i = 0; i < count; ++i) {
        Text item = SUB::Item(table, i, Text());
        if (Pos(digits, item) > 0) return Trim(TextBefore(item, "=", item));
    }
    return Text();
}

int PrimaryLanguageNumber(uint32_t localeId) {
    return (localeId & 0xFFFF) == 0 ? kEnglish : static_cast<int>(localeId & 0x3FF);
}

Text SystemLanguageName() {
    static const Text name = LanguageNameOf(PrimaryLanguageNumber(platform::ThreadLocaleId()));
    return name;
}

Text ChooseLanguageEntry(const Text& langTable, const Text& userLanguage) {
    Text entry = EntryNamed(langTable, userLanguage);
    if (entry.empty()) entry = EntryNamed(langTable, "English");
    if (entry.empty() && SUB::Count(langTable) == 1) entry = SUB::Item(langTable, 0, Text());
    return entry.empty() ? Text("*") : entry;
}

Text EntryText(const Text& entry, const Text& key, const Text& dflt) {
    if (entry.size() <= 1) return dflt;
    return SUB::Value(entry, key, dflt, Text());
}

Text TGFileInfo::GetText(const Text& key, const Text& dflt) const {
    ChosenEntry& process = ProcessEntry();
    if (!process.chosen) {
        process.entry = ChooseLanguageEntry(LangTable, SystemLanguageName());
        process.chosen = true;
    }
    return EntryText(process.entry, key, dflt);
}

int TGFileInfo::Charset() const { return static_cast<int>(ParseInt64Or(GetText("Charset", "0"), 0)); }

int TGFileInfo::FontSize() const { return static_cast<int>(ParseInt64Or(GetText("FontSize", "8"), 8)); }

Text TGFileInfo::FontName() const { return GetText("FontName", "Tahoma"); }
