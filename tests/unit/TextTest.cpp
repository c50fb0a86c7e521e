// Text routines: trimming, positions, the replace routine, quotes and paths.
#include <gtest/gtest.h>

#include "util/Text.h"

namespace {

TEST(TextTrim, RemovesBlanksAndControlCharactersAtBothEndsOnly) {
    EXPECT_EQ(Trim(" \t\r\n a b \x01\x1f "), "a b");
    EXPECT_EQ(TrimLeft("  a  "), "a  ");
    EXPECT_EQ(TrimRight("  a  "), "  a");
    EXPECT_EQ(Trim(Text("\0x\0", 3)), "x");
    EXPECT_EQ(Trim(" \t "), "");
    // Bytes above 127 are characters of the code page, not blanks.
    EXPECT_EQ(Trim("\xA0x\xFF"), "\xA0x\xFF");
}

TEST(TextCompare, SameTextIgnoresCaseOnly) {
    EXPECT_TRUE(SameText("Setup.EXE", "setup.exe"));
    EXPECT_FALSE(SameText("setup.exe", "setup.ex"));
    EXPECT_TRUE(SameTextTrim("  Abc\t", "aBC "));
    EXPECT_FALSE(SameTextTrim("a b", "ab"));
    EXPECT_EQ(UpperText("abc-xyz1"), "ABC-XYZ1");
}

TEST(TextSplit, BeforeAndAfterTheFirstSeparator) {
    EXPECT_EQ(TextBefore("key=value=x", "=", "d"), "key");
    EXPECT_EQ(TextAfter("key=value=x", "=", "d"), "value=x");
    EXPECT_EQ(TextBefore("keyvalue", "=", "d"), "d");
    EXPECT_EQ(TextAfter("keyvalue", "=", "d"), "d");
    EXPECT_EQ(TextAfter("a::b", "::", ""), "b");
    EXPECT_EQ(TextBefore("abc", "", "d"), "d");
    EXPECT_EQ(IfText(true, "a", "b"), "a");
    EXPECT_EQ(IfText(false, "a", "b"), "b");
    EXPECT_EQ(ReplaceChar("a/b/c", '/', '\\'), "a\\b\\c");
    EXPECT_EQ(ReverseText("abc"), "cba");
}

struct DequoteCase {
    const char* text;
    char quote;
    bool any;
    bool single;
    const char* expected;
};

TEST(TextDequote, Table) {
    const DequoteCase cases[] = {
        {"\"", '"', false, false, ""},
        {"\"a\"", '"', false, false, "a"},
        {"\"\"a\"\"", '"', false, false, "a"},
        {"\"\"a\"\"", '"', false, true, "\"a\""},
        {"\"a", '"', false, false, "\"a"},
        {"\"a", '"', true, false, "a"},
        {"a\"", '"', true, false, "a"},
        {"ab", '"', true, false, "ab"},
        {"\"\"", '"', false, false, ""},
        {"\"\"", '"', false, true, ""},
        {"'x'", '\'', false, false, "x"},
        {"'x'", '"', false, false, "'x'"},
        {"", '"', true, false, ""},
        {"a", '"', true, false, "a"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Dequote(c.text, c.quote, c.any, c.single), c.expected)
            << c.text << " any=" << c.any << " single=" << c.single;
    }
    EXPECT_EQ(TrimDequote("  \"C:\\x y\\a.exe\"  ", false), "C:\\x y\\a.exe");
    EXPECT_EQ(TrimDequote(" \"a ", true), "a");
}

TEST(TextPositions, CountFromOneAndZeroIsNotFound) {
    EXPECT_EQ(Pos("b", "abcb"), 2u);
    EXPECT_EQ(Pos("x", "abcb"), 0u);
    EXPECT_EQ(Pos("", "abc"), 0u);
    EXPECT_EQ(Pos("abcd", "abc"), 0u);
    EXPECT_EQ(LastPos("b", "abcb"), 4u);
    EXPECT_EQ(LastPos("", "abc"), 0u);
    EXPECT_EQ(PosIgnoreCase("BC", "abcb"), 2u);
    EXPECT_EQ(PosFromEnd("CB", "abcb"), 1u);  // ends with it
    EXPECT_EQ(PosFromEnd("ab", "abcb"), 3u);
    EXPECT_EQ(PosFromEnd("x", "abcb"), 0u);
}

TEST(TextPositions, PosFromStartsAtTheGivenPosition) {
    EXPECT_EQ(PosFrom("a", "abca", 0, false), 1u);
    EXPECT_EQ(PosFrom("a", "abca", 1, false), 1u);
    EXPECT_EQ(PosFrom("a", "abca", 2, false), 4u);
    EXPECT_EQ(PosFrom("a", "abca", 4, false), 4u);
    EXPECT_EQ(PosFrom("a", "abca", 5, false), 0u);
    EXPECT_EQ(PosFrom("A", "abca", 2, false), 0u);
    EXPECT_EQ(PosFrom("A", "abca", 2, true), 4u);
    EXPECT_EQ(PosFrom("", "abca", 1, false), 0u);
}

TEST(TextPositions, StartsAndEndsWith) {
    EXPECT_TRUE(StartsWith("http://", "http://host", false));
    EXPECT_FALSE(StartsWith("HTTP://", "http://host", false));
    EXPECT_TRUE(StartsWith("HTTP://", "http://host", true));
    EXPECT_TRUE(EndsWith(".EXE", "setup.exe", true));
    EXPECT_FALSE(EndsWith(".EXE", "setup.exe", false));
    EXPECT_FALSE(EndsWith("long.exe", ".exe", true));
    EXPECT_FALSE(StartsWith("", "abc", false));
    EXPECT_FALSE(EndsWith("", "abc", false));
}

struct ReplaceCase {
    const char* text;
    const char* oldText;
    const char* newText;
    int last;
    int first;
    const char* expected;
};

TEST(TextReplace, OccurrenceRanges) {
    const ReplaceCase cases[] = {
        {"aXbXc", "X", "--", 0, 2, "aXb--c"},
        {"aXbXcXd", "X", "-", 0, 0, "a-b-c-d"},
        {"aXbXcXd", "X", "-", 0, 1, "a-bXcXd"},
        {"aXbXcXd", "X", "-", 3, 2, "aXb-c-d"},
        {"aXbXcXd", "X", "-", 2, 0, "a-b-cXd"},
        {"aXbXcXd", "X", "-", 1, 3, "aXbXcXd"},
        {"aXbXcXd", "X", "-", 0, 4, "aXbXcXd"},
        {"aXbXcXd", "X", "-", -1, -1, "a-b-c-d"},
        {"abc", "x", "y", 0, 0, "abc"},
        {"abc", "", "y", 0, 0, "abc"},
        {"", "a", "y", 0, 0, ""},
        // The new text is never searched again.
        {"aa", "a", "aa", 0, 0, "aaaa"},
        {"xyxy", "xy", "xyxy", 0, 0, "xyxyxyxy"},
        // Occurrences do not overlap.
        {"aaaa", "aa", "b", 0, 0, "bb"},
        {"aaa", "aa", "b", 0, 0, "ba"},
        // Removing occurrences does not join a new one.
        {"aabb", "ab", "", 0, 0, "ab"},
        {"<0>x<0>", "<0>", "", 0, 0, "x"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReplaceText(c.text, c.oldText, c.newText, c.last, c.first), c.expected)
            << c.text << " " << c.oldText << " -> " << c.newText << " last=" << c.last << " first=" << c.first;
    }
}

TEST(TextReplace, IgnoringCaseKeepsTheRestOfTheText) {
    EXPECT_EQ(ReplaceTextIgnoreCase("Path <WinDir>\\x <WINDIR>", "<windir>", "C:\\W", 0, 0), "Path C:\\W\\x C:\\W");
    EXPECT_EQ(ReplaceTextIgnoreCase("aXbxc", "x", "Y", 0, 2), "aXbYc");
    EXPECT_EQ(ReplaceText("aXbxc", "x", "Y", 0, 0), "aXbYc");
    EXPECT_EQ(ReplaceAll("a.b.c", ".", "\\"), "a\\b\\c");
}

TEST(TextReplace, BinaryTextsWithAllByteValues) {
    Text text;
    for (int i = 0; i < 256; ++i) text += static_cast<char>(i);
    Text doubled = text + text;
    Text result = ReplaceAll(doubled, Text("\0\x01", 2), "<>");
    EXPECT_EQ(result.size(), doubled.size());
    EXPECT_EQ(result.substr(0, 2), "<>");
    EXPECT_EQ(result.substr(256, 2), "<>");
}

TEST(TextReplace, LargeTextStaysFast) {
    Text text(200000, 'a');
    Text result = ReplaceAll(text, "a", "bb");
    EXPECT_EQ(result, Text(400000, 'b'));
}

struct BackslashCase {
    const char* path;
    bool flag;
    const char* expected;
};

TEST(TextPaths, SetBackslashGivesExactlyOneWhenAsked) {
    const BackslashCase cases[] = {
        {"C:\\", false, "C:"},
        {"C:\\", true, "C:\\"},
        {"C:", true, "C:\\"},
        {"C:", false, "C:"},
        {"C:\\Temp", true, "C:\\Temp\\"},
        {"C:\\Temp\\", true, "C:\\Temp\\"},
        {"C:\\Temp\\", false, "C:\\Temp"},
        {"\\", true, "\\"},
        {"\\", false, "\\"},
    };
    for (const auto& c : cases) EXPECT_EQ(SetBackslash(c.path, c.flag), c.expected) << c.path << " " << c.flag;
}

TEST(TextPaths, RemoveBackslash) {
    EXPECT_EQ(RemoveBackslash("\\"), "");
    EXPECT_EQ(RemoveBackslash("C:\\"), "C:");
    EXPECT_EQ(RemoveBackslash("C:\\x\\"), "C:\\x");
    EXPECT_EQ(RemoveBackslash("C:\\x"), "C:\\x");
    EXPECT_EQ(RemoveBackslash(""), "");
}

TEST(TextPaths, CleanPathTable) {
    const BackslashCase cases[] = {
        {"C:\\\\Temp\\\\x", false, "C:\\Temp\\x"},
        {"C:\\Temp\\\\\\x\\\\", false, "C:\\Temp\\x\\"},
        {"C:\\Temp\\\\\\x\\\\", true, "C:\\Temp\\x"},
        {"C\\\\x", false, "C\\x"},
        {"\\\\server\\share\\x", false, "\\\\server\\share\\x"},
        {"\\\\server\\\\share", false, "\\\\server\\share"},
        {"\\\\\\server\\share", false, "\\\\server\\share"},
        {"\\\\server\\share\\", false, "\\\\server\\share\\"},
        {"\\\\server\\share\\", true, "\\\\server\\share"},
        {"\\\\srv\\\\\\x\\", false, "\\\\srv\\x\\"},
        {"\"\\\\server\\share\\x\"", false, "\"\\\\server\\share\\x\""},
        {"\"C:\\\\x\"", false, "\"C:\\x\""},
        {"\"a\" \"\\\\srv\\x\"", false, "\"a\" \"\\\\srv\\x\""},
        {"\\\\", false, "\\\\"},
        {"ab", false, "ab"},
        {"", false, ""},
        {"C:\\", true, "C:"},
    };
    for (const auto& c : cases) EXPECT_EQ(CleanPath(c.path, c.flag), c.expected) << c.path << " " << c.flag;
}

struct NameCase {
    const char* path;
    const char* name;
    const char* folder;
    const char* base;
    const char* baseAll;
};

TEST(TextPaths, NameFolderAndBaseName) {
    const NameCase cases[] = {
        {"C:\\x\\setup.tar.gz", "setup.tar.gz", "C:\\x\\", "setup.tar", "setup"},
        {"C:setup.exe", "setup.exe", "C:", "setup", "setup"},
        {"/home/u/a.b.c", "a.b.c", "/home/u/", "a.b", "a"},
        {"C:\\x.y\\setup", "setup", "C:\\x.y\\", "setup", "setup"},
        {"setup", "setup", "", "setup", "setup"},
        {"C:\\x\\", "", "C:\\x\\", "", ""},
        {"", "", "", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileNamePart(c.path), c.name) << c.path;
        EXPECT_EQ(FolderPart(c.path), c.folder) << c.path;
        EXPECT_EQ(FileBaseName(c.path, false), c.base) << c.path;
        EXPECT_EQ(FileBaseName(c.path, true), c.baseAll) << c.path;
    }
}

TEST(TextPaths, ChangeFileExtReplacesOnlyTheNamesLastExtension) {
    EXPECT_EQ(ChangeFileExt("C:\\x\\setup.exe", ".log"), "C:\\x\\setup.log");
    EXPECT_EQ(ChangeFileExt("C:\\x\\setup.tar.gz", ".zip"), "C:\\x\\setup.tar.zip");
    EXPECT_EQ(ChangeFileExt("C:\\x.d\\setup", ".log"), "C:\\x.d\\setup.log");
    EXPECT_EQ(ChangeFileExt("C:\\x\\setup.exe", ""), "C:\\x\\setup");
}

}  // namespace
