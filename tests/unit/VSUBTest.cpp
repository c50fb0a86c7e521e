// Delimited lists: counting, items, keyed values, rebuilding and delimiter
// choice, including malformed and hostile lists.
#include <gtest/gtest.h>

#include "text/VSUB.h"

namespace {

const Text kNul(1, '\0');

TEST(SUBCount, Table) {
    const struct {
        Text list;
        int count;
    } cases[] = {
        {"|a|b|", 2}, {"|a|b", 0}, {"|", 0}, {"||", 1}, {"", 0},
        {"*a|b*", 1}, {"|||", 2}, {kNul, 0}, {kNul + "a" + kNul, 1},
    };
    for (const auto& c : cases) EXPECT_EQ(SUB::Count(c.list), c.count) << c.list;
}

struct ItemCase {
    Text list;
    int index;
    Text expected;
};

TEST(SUBItem, Table) {
    const ItemCase cases[] = {
        {"|a||c|", 0, "a"},
        {"|a||c|", 1, "x"},
        {"|a||c|", 2, "c"},
        {"|a||c|", 3, "x"},
        {"|a|b", 0, "a"},
        {"|a|b", 1, "x"},  // no closing delimiter
        {"|a", 0, "x"},
        {"|", 0, "x"},
        {"||", 0, "x"},
        {"", 0, "x"},
        {kNul, 0, "x"},
        {kNul + "a" + kNul, 0, "a"},
        {"|a|b|", -1, "x"},
        {"|a|b|", 1000000, "x"},
        {"#FontName=Tahoma#FontSize=8#", 1, "FontSize=8"},
    };
    for (const auto& c : cases) EXPECT_EQ(SUB::Item(c.list, c.index, "x"), c.expected) << c.list << " " << c.index;
}

TEST(SUBItem, IntegerItems) {
    EXPECT_EQ(SUB::ItemInt("|12| -3 |x|", 0, 7), 12);
    EXPECT_EQ(SUB::ItemInt("|12| -3 |x|", 1, 7), -3);
    EXPECT_EQ(SUB::ItemInt("|12| -3 |x|", 2, 7), 7);
    EXPECT_EQ(SUB::ItemInt("|12| -3 |x|", 3, 7), 7);
    EXPECT_EQ(SUB::ItemInt("|12abc|", 0, 7), 7);
}

struct ValueCase {
    Text list;
    Text key;
    Text expected;
};

TEST(SUBValue, Table) {
    const ValueCase cases[] = {
        {"| Color =red|Size=4|", "color", "red"},
        {"| Color =red|Size=4|", "Size=", "4"},
        {"| Color =red|Size=4|", "Width", "dflt"},
        {"|A=|", "A", "empty"},
        {"|FontName=Tahoma|FontSize=8|", "fontsize", "8"},
        {"|Key=a=b|", "Key", "a=b"},
        {"|  Key=v|", "Key", "dflt"},  // only one blank is removed
        {"|Key  =v|", "Key", "dflt"},
        {"|Key= v |", "Key", " v "},
        {"|XKey=1|Key=2|", "Key", "2"},
        {"|Key=1|Key=2|", "Key", "1"},
        {"|Key=1", "Key", "dflt"},  // first and last differ
        {"||", "", "dflt"},
        {"|", "Key", "dflt"},
        {"", "Key", "dflt"},
        {kNul + "Key=1" + kNul, "key", "1"},
        {"*A=1|B=2*", "B", "dflt"},
        {"*A=1|B=2*", "A", "1|B=2"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SUB::Value(c.list, c.key, "dflt", "empty"), c.expected) << c.list << " " << c.key;
    }
}

struct SetItemCase {
    Text list;
    int index;
    Text item;
    Text expected;
};

TEST(SUBSetItem, Table) {
    const SetItemCase cases[] = {
        {"|a|b|", 3, "x", "|a|b||x|"},
        {"|a|b|", 0, "p|q", "*p|q*b*"},
        {"", 0, "a", "|a|"},
        {"", 2, "a", "|||a|"},
        {"|a|b|", 1, "", "|a||"},
        {"|a|b|", 0, "z", "|z|b|"},
        {"#a#b#", 1, "c|d", "#a#c|d#"},
        {"|a|b", 0, "x", "|x|"},       // text after the last delimiter is no item
        {"|a|b", 2, "x", "|a||x|"},
        {"|", 0, "a", "|a|"},
        {"|a|b|", -1, "x", "|a|b|"},
        {"|a|b|", 0, "p|*q", "^p|*q^b^"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SUB::SetItem(c.list, c.index, c.item), c.expected) << c.list << " " << c.index << " " << c.item;
    }
}

TEST(SUBSetItem, ResultReadsBack) {
    Text list = "|one|two|";
    list = SUB::SetItem(list, 4, "a|b*c");
    EXPECT_EQ(SUB::Count(list), 5);
    EXPECT_EQ(SUB::Item(list, 0, ""), "one");
    EXPECT_EQ(SUB::Item(list, 1, ""), "two");
    EXPECT_EQ(SUB::Item(list, 2, "d"), "d");
    EXPECT_EQ(SUB::Item(list, 4, ""), "a|b*c");
}

TEST(SUBSetItem, NulOnlyListIsRebuiltWithAVisibleDelimiter) {
    EXPECT_EQ(SUB::SetItem(kNul, 0, "a"), "|a|");
}

TEST(SUBChooseDelimiter, FirstCandidateNoItemContains) {
    EXPECT_EQ(SUB::ChooseDelimiter(""), "");
    EXPECT_EQ(SUB::ChooseDelimiter(kNul + "a" + kNul + "b" + kNul), "|a|b|");
    EXPECT_EQ(SUB::ChooseDelimiter(kNul + "a|" + kNul), "*a|*");
    const Text candidates = "|*^!~@#$&\xFF";
    Text items = kNul;
    for (size_t i = 0; i + 1 < candidates.size(); ++i) items += candidates.substr(i, 1) + kNul;
    Text chosen = SUB::ChooseDelimiter(items);
    EXPECT_EQ(chosen[0], '\xFF');
    EXPECT_EQ(SUB::Count(chosen), 9);
    // With all ten taken the text stays as it is, a list delimited by NUL.
    Text all = kNul + candidates + kNul;
    EXPECT_EQ(SUB::ChooseDelimiter(all), all);
    EXPECT_EQ(SUB::Item(all, 0, ""), candidates);
}

}  // namespace
