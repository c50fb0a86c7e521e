// The scrambled text form: known bytes, the marker-only edge, the hex layer,
// round trips and hostile inputs.
#include <gtest/gtest.h>

#include <cctype>
#include <random>

#include "util/Numbers.h"
#include "util/Scramble.h"

namespace {

const Text kMarker = "Scrambled=01";

TEST(ScrambleForm, KnownBytesFollowTheAlternatingKey) {
    // Key 'A' (65): position 1 XOR (1 + 65) = 0x42, position 2 XOR (2 - 65) & 0xFF = 0xC1,
    // position 3 XOR (3 + 65) = 0x44.
    Text plain("\0\0\0", 3);
    Text form = ScrambleText(plain, 'A', false);
    EXPECT_EQ(form, kMarker + "A" + Text("\x42\xC1\x44", 3));
    EXPECT_EQ(UnscrambleText(form), plain);
    EXPECT_EQ(UnscrambleText(kMarker + "A" + "\x42\xC1\x44"), plain);
}

TEST(ScrambleForm, PlainTextsComeBackUnchanged) {
    const Text plains[] = {"", "hello", "scrambled=01abc", "Scrambled=0", " Scrambled=01x", "ABCDEF",
                           "4142", HexText("Scrambled=0", false, false)};
    for (const auto& plain : plains) EXPECT_EQ(UnscrambleText(plain), plain) << plain;
}

TEST(ScrambleForm, MarkerAloneIsNotShortened) {
    EXPECT_EQ(UnscrambleText(kMarker), kMarker);
    EXPECT_EQ(UnscrambleText(HexText(kMarker, false, false)), kMarker);
    // Marker and key with nothing after them hold the empty text.
    EXPECT_EQ(UnscrambleText(kMarker + "K"), "");
}

TEST(ScrambleHexLayer, IsUpperCaseHexPairsOfTheWholeForm) {
    Text form = ScrambleText("Update ready", 'Z', false);
    Text layered = ScrambleText("Update ready", 'Z', true);
    EXPECT_EQ(layered, HexText(form, false, false));
    EXPECT_EQ(layered.substr(0, 24), "536372616D626C65643D3031");
    EXPECT_EQ(UnscrambleText(layered), "Update ready");
}

TEST(ScrambleHexLayer, OnlyUpperCaseEvenLengthHexIsDecoded) {
    Text layered = ScrambleText("abc", 'q', true);
    Text lower = layered;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(UnscrambleText(lower), lower);
    Text odd = layered.substr(0, layered.size() - 1);
    EXPECT_EQ(UnscrambleText(odd), odd);
    Text withBlank = layered + " ";
    EXPECT_EQ(UnscrambleText(withBlank), withBlank);
    Text withBadDigit = layered;
    withBadDigit[30] = 'G';
    EXPECT_EQ(UnscrambleText(withBadDigit), withBadDigit);
}

TEST(ScrambleRoundTrip, RandomTextsOfAllByteValues) {
    std::mt19937 generator(20120613);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 300);
    std::uniform_int_distribution<int> key(33, 122);
    for (int round = 0; round < 500; ++round) {
        Text plain;
        int n = length(generator);
        for (int i = 0; i < n; ++i) plain += static_cast<char>(byte(generator));
        if (round % 50 == 0) plain = kMarker + plain;  // a plain text may look scrambled itself
        auto k = static_cast<unsigned char>(key(generator));
        bool hexLayer = round % 2 == 1;
        Text form = ScrambleText(plain, k, hexLayer);
        ASSERT_EQ(UnscrambleText(form), plain) << "round " << round << " key " << int(k);
    }
}

TEST(ScrambleRoundTrip, EveryKeyByteWorks) {
    Text plain;
    for (int i = 0; i < 256; ++i) plain += static_cast<char>(i);
    for (int k = 0; k < 256; ++k) {
        auto key = static_cast<unsigned char>(k);
        ASSERT_EQ(UnscrambleText(ScrambleText(plain, key, false)), plain) << k;
        ASSERT_EQ(UnscrambleText(ScrambleText(plain, key, true)), plain) << k;
    }
}

TEST(ScrambleHostile, AnyBytesAreSafe) {
    std::mt19937 generator(7);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 300; ++round) {
        Text text;
        for (int i = 0; i < round; ++i) text += static_cast<char>(byte(generator));
        // Unscrambling never fails; a text without the marker is returned as is.
        Text result = UnscrambleText(text);
        if (text.compare(0, kMarker.size(), kMarker) != 0) {
            EXPECT_EQ(result, text);
        }
        UnscrambleText(kMarker + text);
        UnscrambleText(HexText(kMarker + text, false, false));
    }
    UnscrambleText(Text(1000, '0'));
    UnscrambleText(Text("\0", 1));
}

}  // namespace
