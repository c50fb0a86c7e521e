// Language strings: the name table, the locale's language number, the choice
// of a language entry and the reading of its keys.
#include <gtest/gtest.h>

#include "package/PackX.h"
#include "text/SLangId.h"
#include "text/VSUB.h"

namespace {

TEST(LanguageNameOf, FirstItemContainingTheTwoDigitNumber) {
    const struct {
        int64_t number;
        const char* name;
    } cases[] = {
        {9, "ENGLISH"}, {7, "GERMAN"}, {12, "FRENCH"},
        {26, "CROATIAN"},          // the first of the two items numbered 26
        {43, "DUTCH(STANDARD)"},   // "43" inside "1043"
        {52, "CHINESE(SIMPLIFIED)"}, {1, "ARABIC"}, {3098, "SERBIAN(CYRILIC)"},
        {0, ""}, {99, ""}, {-5, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(LanguageNameOf(c.number), c.name) << c.number;
}

TEST(LanguageTable, HoldsFiftyOneItemsFromAfrikaansToSerbianCyrillic) {
    const Text table = kLanguageTable;
    EXPECT_EQ(SUB::Count(table), 51);
    EXPECT_EQ(table.rfind("|AFRIKAANS    = 54|ALBANIAN     = 28|", 0), 0u);
    const Text end = "|SERBIAN(CYRILIC)     = 3098|";
    EXPECT_EQ(table.substr(table.size() - end.size()), end);
    for (int i = 0; i < 51; ++i) {
        Text item = SUB::Item(table, i, "");
        size_t equals = item.find("= ");
        EXPECT_TRUE(equals == 13 || equals == 21) << item;
    }
}

TEST(PrimaryLanguageNumber, LowTenBitsOrEnglish) {
    EXPECT_EQ(PrimaryLanguageNumber(0x0407), 7);
    EXPECT_EQ(PrimaryLanguageNumber(0x0C0C), 12);
    EXPECT_EQ(PrimaryLanguageNumber(0x00010000), 9);  // zero low word
    EXPECT_EQ(PrimaryLanguageNumber(0), 9);
}

const Text kTable = "|#German#s0=Installation#Charset=0#|#English#s0=Setup#|#Hebrew#s0=x#Charset=177#|";

TEST(ChooseLanguageEntry, UserLanguageThenEnglishThenTheOnlyOneThenNone) {
    const struct {
        Text table;
        Text user;
        Text entry;
    } cases[] = {
        {kTable, "GERMAN", "#German#s0=Installation#Charset=0#"},
        {kTable, " hebrew ", "#Hebrew#s0=x#Charset=177#"},
        {kTable, "FRENCH", "#English#s0=Setup#"},
        {kTable, "", "#English#s0=Setup#"},  // numbers 0 and 99 have no name
        {"|#Thai#s0=T#|", "GERMAN", "#Thai#s0=T#"},
        {"|#Thai#s0=T#|#Lao#s0=L#|", "GERMAN", "*"},
        {Text(1, '\x02'), "ENGLISH", "*"},
        {"", "ENGLISH", "*"},
        {"|#English#s0=Setup", "ENGLISH", "*"},    // damaged: no closing delimiter
        {"|##s0=nameless#|#English#s0=E#|", "", "#English#s0=E#"},
    };
    for (const auto& c : cases) EXPECT_EQ(ChooseLanguageEntry(c.table, c.user), c.entry) << c.table << " / " << c.user;
}

TEST(EntryText, KeyMatchesWholeWithBlanksAroundEquals) {
    const Text entry = "|English|s01=eleven| s0 =Setup|Empty=|BtnText=*&OK*&Cancel*|";
    const struct {
        Text key;
        Text expected;
    } cases[] = {
        {"s0", "Setup"}, {"S01", "eleven"}, {"s0=", "Setup"}, {"Empty", ""},
        {"BtnText", "*&OK*&Cancel*"}, {"s1", "dflt"}, {"English", "dflt"},
    };
    for (const auto& c : cases) EXPECT_EQ(EntryText(entry, c.key, "dflt"), c.expected) << c.key;
    EXPECT_EQ(EntryText("*", "s0", "dflt"), "dflt");
    EXPECT_EQ(EntryText("", "s0", "dflt"), "dflt");
}

TEST(GetText, FontSettingsOfAPackageWithoutLanguages) {
    // The native locale has no language: whatever entry the process chose
    // for this table, these keys are not in it.
    TGFileInfo info{Text()};
    info.LangTable = Text(1, '\x02');
    EXPECT_EQ(info.GetText("s0", "Vesko Installation Suite"), "Vesko Installation Suite");
    EXPECT_EQ(info.Charset(), 0);
    EXPECT_EQ(info.FontSize(), 8);
    EXPECT_EQ(info.FontName(), "Tahoma");
}

}  // namespace
