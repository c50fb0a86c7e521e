// The message box without windows: markup, words and button sets, the
// front ends' flags and title line, key matching and the layout numbers.
#include <gtest/gtest.h>

#include <map>

#include "ui/BoxLayout.h"
#include "ui/BoxMarkup.h"

namespace {

using Ranges = std::vector<BoldRange>;

TEST(ExpandLineMarks, BackslashMarksExactTagsAnyCase) {
    EXPECT_EQ(ExpandLineMarks("a\\\\nb\\\\tc"), "a\r\nb\tc");
    EXPECT_EQ(ExpandLineMarks("a\\\\Nb\\nc"), "a\\\\Nb\\nc");  // exact case, two backslashes
    EXPECT_EQ(ExpandLineMarks("x<P>y<p>z<T>w<t>"), "x\r\ny\r\nz\tw\t");
}

TEST(RenderMarkup, BoldRangesAndLeftoverTags) {
    const struct {
        Text markup;
        Text text;
        Ranges bold;
    } cases[] = {
        {"a<b>bold</b> c", "abold c", {{1, 5}}},
        {"<B>x", "x", {}},
        {"x</B>y", "xy", {}},
        {"<<b>Hi</b>", "Hi", {{0, 2}}},
        {"<<B>Hi</B>", "<Hi", {{1, 3}}},  // only "<<b>" loses its first character
        {"<<b>ERROR</b><P><P>Disk full<P>", "ERROR\r\n\r\nDisk full\r\n", {{0, 5}}},
        {"<b>a</b>b<B>c</B>", "abc", {{0, 1}, {2, 3}}},
        {"<b>a<b>b</b>c</b>", "abc", {{0, 5}, {1, 3}}},  // no nesting; not corrected later
        {"x</b><b>y", "xy", {}},                   // a close before the open makes no range
        {"<b><P>x</b>", "\r\nx", {{0, 3}}},        // a line break counts two characters
        {"<i>kept</i> <bx>", "<i>kept</i> <bx>", {}},
        {"<B</B>>", "<B>", {}},  // the tag that the last removal forms stays
        {"", "", {}},
    };
    for (const auto& c : cases) {
        RenderedText r = RenderMarkup(c.markup);
        EXPECT_EQ(r.text, c.text) << c.markup;
        EXPECT_EQ(r.bold, c.bold) << c.markup;
    }
}

TEST(RenderMarkup, LongTextsKeepOffsetsPast64K) {
    Text markup(70000, 'a');
    markup += "<b>tail</b>";
    RenderedText r = RenderMarkup(markup);
    ASSERT_EQ(r.bold.size(), 1u);
    EXPECT_EQ(r.bold[0], (BoldRange{70000, 70004}));
}

TEST(ButtonSet, WordsAndResultCodesLeftToRight) {
    auto words = [](uint32_t flags) {
        std::vector<std::pair<Text, int>> out;
        for (const BoxButton& b : ButtonSet(flags)) out.push_back({ButtonCaption(kButtonWords, b.word), b.result});
        return out;
    };
    using W = std::vector<std::pair<Text, int>>;
    EXPECT_EQ(words(0), (W{{"&OK", 1}}));
    EXPECT_EQ(words(0x21), (W{{"&OK", 1}, {"&Cancel", 2}}));
    EXPECT_EQ(words(2), (W{{"&Abort", 3}, {"&Retry", 4}, {"&Ignore", 5}}));
    EXPECT_EQ(words(3), (W{{"&Yes", 6}, {"&No", 7}, {"&Cancel", 2}}));
    EXPECT_EQ(words(0x224), (W{{"&Yes", 6}, {"&No", 7}}));
    EXPECT_EQ(words(5), (W{{"&Retry", 4}, {"&Cancel", 2}}));
    for (uint32_t set = 6; set < 16; ++set) EXPECT_TRUE(ButtonSet(set).empty()) << set;
}

TEST(ButtonCaption, TranslatedDamagedAndShortLists) {
    EXPECT_EQ(ButtonCaption("*&Ja*&Nein*", 1), "&Nein");
    EXPECT_EQ(ButtonCaption("|&OK|&Cancel|", 3), "");  // missing item
    EXPECT_EQ(ButtonCaption("|&OK||&Yes|", 1), "");
    EXPECT_EQ(ButtonCaption("OK Cancel", 0), "");    // no delimiter: "O" delimits nothing
    EXPECT_EQ(ButtonCaption("", 0), "");
}

TEST(DefaultBoxWords, FillsOnlyWhatIsEmpty) {
    const struct {
        Text buttons, caption;
        int title;
        Text outButtons, outCaption;
    } cases[] = {
        {"", "", 0, kButtonWords, "Error"},
        {"", "", 1, kButtonWords, "Attention"},
        {"", "", 2, kButtonWords, "Confirm"},
        {"|&Ja|", "Setup", 2, "|&Ja|", "Setup"},
    };
    for (const auto& c : cases) {
        Text buttons = c.buttons, caption = c.caption;
        DefaultBoxWords(buttons, caption, c.title);
        EXPECT_EQ(buttons, c.outButtons);
        EXPECT_EQ(caption, c.outCaption);
    }
}

TEST(TitledText, TitleWordsInCapitalsOthersAsTyped) {
    EXPECT_EQ(TitledText("Error", "Disk full"), "<<b>ERROR</b><P><P>Disk full<P>");
    EXPECT_EQ(TitledText("Setup", "x"), "<<b>Setup</b><P><P>x<P>");
    EXPECT_EQ(TitledText("ention", "x"), "<<b>ENTION</b><P><P>x<P>");   // any substring
    EXPECT_EQ(TitledText("error", "x"), "<<b>error</b><P><P>x<P>");     // letter case as typed
    EXPECT_EQ(RenderMarkup(TitledText("Error", "Disk full")).text, "ERROR\r\n\r\nDisk full\r\n");
}

TEST(RichMessageFlags, CharsetOwnerAndModalBits) {
    EXPECT_EQ(RichMessageFlags(0x10, 0, 0), 0x00052010u);
    EXPECT_EQ(RichMessageFlags(0x24, 177, 1), 0x001D2024u);
    EXPECT_EQ(RichMessageFlags(0x24, 178, 1), 0x001D2024u);
    EXPECT_EQ(RichMessageFlags(0x30, 186, 2), 0x10052030u);
    EXPECT_EQ(RichMessageFlags(0x21, 0, 0x10020), 0x00052021u);  // a window handle
}

TEST(FocusedButtonNumber, WrapsBothWays) {
    const struct {
        int index, count, button;
    } cases[] = {
        {2, 2, 0}, {1, 2, 1}, {0, 3, 0}, {3, 3, 0}, {-1, 2, 1}, {-1, 3, 2},
        {-2, 3, 1}, {-2, 1, 0}, {15, 3, 0}, {0, 1, 0}, {-2, 2, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(FocusedButtonNumber(c.index, c.count), c.button) << c.index << "/" << c.count;
}

TEST(KeyMatching, LettersWithoutAltAndAltLetters) {
    const std::vector<Text> yesNo = {"&Yes", "&No"};
    EXPECT_EQ(KeyLetter('N'), 'N');
    EXPECT_EQ(KeyLetter(0x6E), 'N');  // a code of a small letter counts too
    EXPECT_EQ(KeyLetter(0x1B), 0);    // Escape
    EXPECT_EQ(KeyLetter(0x0D), 0);
    EXPECT_EQ(LetterKeyButton(yesNo, 'N'), 1);
    EXPECT_EQ(LetterKeyButton(yesNo, 'Y'), 0);
    EXPECT_EQ(LetterKeyButton(yesNo, 'Q'), -1);
    EXPECT_EQ(LetterKeyButton({"Retry", "R&un", "&"}, 'R'), 0);   // no "&": first character
    EXPECT_EQ(LetterKeyButton({"&Go", "&Get"}, 'G'), 1);          // the last match wins
    EXPECT_EQ(LetterKeyButton({"&yes"}, 'Y'), -1);                // compared in capitals
    EXPECT_EQ(LetterKeyButton({"", "&"}, 'A'), -1);
    EXPECT_EQ(AltKeyButton(yesNo, 'y'), 0);
    EXPECT_EQ(AltKeyButton(yesNo, 'N'), 1);
    EXPECT_EQ(AltKeyButton({"&Go", "&Get"}, 'g'), 0);             // the first match wins
    EXPECT_EQ(AltKeyButton({"N", ""}, 'n'), -1);                  // too short
}

// Widths of 7 pixels per character.
int SevenPerChar(const Text& line) { return static_cast<int>(line.size()) * 7; }

TEST(MeasuredTextSize, WidestLineCappedAndWrappedLinesCounted) {
    const struct {
        Text text;
        BoxSize size;
    } cases[] = {
        {"", {17, 13}},                                   // one blank
        {"abc", {31, 13}},
        {"abc\r\n", {31, 13}},                            // the empty last line is skipped
        {"abc\r\n\r\n", {31, 26}},
        {"a\r\nabcdef\r\nab", {52, 39}},
        {Text(100, 'x'), {600, 26}},                      // 700 pixels: two lines, width capped
        {Text(200, 'x') + "\r\n" + Text(90, 'y'), {600, 65}},  // 1400 px: 3 lines, 630 px: 2
    };
    for (const auto& c : cases) {
        BoxSize s = MeasuredTextSize(c.text, SevenPerChar, 13);
        EXPECT_EQ(s.width, c.size.width) << c.text.size();
        EXPECT_EQ(s.height, c.size.height) << c.text.size();
    }
    EXPECT_EQ(LineHeight(13, 0, " ms pgothic "), 14);
    EXPECT_EQ(LineHeight(13, 2, "Tahoma"), 15);
}

TEST(WidenForBold, StopsAtTheFirstWidthThatFitsElseTakesTheWidestRequest) {
    std::vector<int> tried;
    auto fitsAt = [&](int fitting) {
        return [&tried, fitting](int width) {
            tried.push_back(width);
            return BoxSize{width + 3, width >= fitting ? 26 : 39};
        };
    };
    EXPECT_EQ(WidenForBold(100, 26, fitsAt(100)), 100);
    EXPECT_EQ(tried, (std::vector<int>{100}));
    tried.clear();
    EXPECT_EQ(WidenForBold(100, 26, fitsAt(125)), 130);
    EXPECT_EQ(tried, (std::vector<int>{100, 110, 120, 130}));
    tried.clear();
    EXPECT_EQ(WidenForBold(100, 26, fitsAt(1000)), 303 + 10);  // 21 tries, widest request 303
    EXPECT_EQ(tried.size(), 21u);
}

const FrameMetrics kFrame{4, 4, 19};

TEST(BoxLayout, MarginsOuterSizeAndPlaces) {
    const struct {
        BoxSize text, outer;
    } cases[] = {
        {{100, 26}, {360, 26 + 36 + 90 + 8 + 19}},          // narrow: margins 64 and 45
        {{300, 39}, {300 + 54 + 64 + 8, 39 + 36 + 64 + 27}},  // margins 32 and 32
        {{199, 38}, {199 + 54 + 128 + 8, 38 + 36 + 90 + 27}},
        {{200, 38}, {360, 38 + 36 + 90 + 27}},  // the least width
        {{610, 500}, {610 + 126, 500 + 127}},
    };
    for (const auto& c : cases) {
        BoxSize outer = BoxOuterSize(c.text, kFrame);
        EXPECT_EQ(outer.width, c.outer.width) << c.text.width;
        EXPECT_EQ(outer.height, c.outer.height) << c.text.height;
    }
    BoxPlace text = TextControlPlace({352, 142}, {101, 26});
    EXPECT_EQ(text.x, (352 - 54 - 101) / 2 + 54);
    EXPECT_EQ(text.y, (142 - 36 - 26) / 2);
    EXPECT_EQ(text.width, 101);
    EXPECT_EQ(text.height, 142 - 40 - 39);
    const int xs[] = {352 - 80 - 140, 352 - 80 - 70, 352 - 80};
    for (int i = 0; i < 3; ++i) {
        BoxPlace b = ButtonPlace({352, 142}, i, 3);
        EXPECT_EQ(b.x, xs[i]);
        EXPECT_EQ(b.y, 142 - 29);
        EXPECT_EQ(b.width, 70);
        EXPECT_EQ(b.height, 23);
    }
    EXPECT_EQ(ButtonPlace({352, 142}, 0, 1).x, 352 - 80);
}

TEST(BoxLayout, TooLargeTextsAreCutToTheWorkArea) {
    const BoxSize work{1280, 1000};
    BoxSize huge = FitTextToWorkArea({610, 60000}, kFrame, work);
    EXPECT_EQ(huge.width, 610);
    BoxSize outer = BoxOuterSize(huge, kFrame);
    EXPECT_EQ(outer.height, work.height);
    BoxSize small = FitTextToWorkArea({300, 100}, kFrame, work);
    EXPECT_EQ(small.width, 300);
    EXPECT_EQ(small.height, 100);
    BoxSize tiny = FitTextToWorkArea({800, 800}, kFrame, {640, 480});
    EXPECT_LE(BoxOuterSize(tiny, kFrame).width, 640);
    EXPECT_LE(BoxOuterSize(tiny, kFrame).height, 480);
}

}  // namespace
