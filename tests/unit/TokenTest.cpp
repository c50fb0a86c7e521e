// Per-build tokens: hand-made tokens decode to their values, the builder's
// encoder round-trips, and damaged or hostile tokens are rejected without
// reading out of bounds.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "package/PackX.h"
#include "util/Numbers.h"

namespace {

// Token letters of the bytes: upper-case hex digits shifted up by 50.
std::string Letters(const std::vector<uint8_t>& bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (uint8_t b : bytes) {
        out.push_back(static_cast<char>(kDigits[b >> 4] + 50));
        out.push_back(static_cast<char>(kDigits[b & 15] + 50));
    }
    return out;
}

// Sets the check byte D[L-1]. With D[1] = D[L] the XOR key is 0, so the
// other bytes are the plain layout.
std::vector<uint8_t> Sealed(std::vector<uint8_t> d) {
    unsigned sum = 0;
    for (size_t i = 0; i < d.size(); ++i) {
        if (i != d.size() - 2) sum += d[i];
    }
    d[d.size() - 2] = static_cast<uint8_t>(sum);
    return d;
}

std::string RandomBytes(std::mt19937& rng, size_t n) {
    std::string out(n, '\0');
    for (char& c : out) c = static_cast<char>(rng() & 0xFF);
    return out;
}

TEST(TokenDecode, HandMadeTokens) {
    struct Case {
        const char* name;
        std::string stored;
        const char* value;
    };
    const Case cases[] = {
        // D = 10 03 02 42 41 AB 13: key 03, a = 0, b = 1, check AB.
        {"upper-case digits", "cbbebdfdfcstce", "AB"},
        {"lower-case digits", "cbbebdfdfc\x93\x94" "ce", "AB"},
        // D = 10 13 12 52 51 DB 3: the single last digit is D[L].
        {"odd length", "cbcecdgdgcvte", "AB"},
        // Key 0, a = 2 padding bytes before, b = 3 (two after).
        {"padding", Letters(Sealed({7, 2, 3, 0xEE, 0xEE, 'v', 'a', 'l', 0xEE, 0xEE, 0, 7})), "val"},
    };
    for (const Case& c : cases) {
        std::optional<Text> value = TryDecodeToken(c.stored);
        ASSERT_TRUE(value.has_value()) << c.name;
        EXPECT_EQ(*value, c.value) << c.name;
        EXPECT_EQ(DecodeToken(c.stored), c.value) << c.name;
    }
}

TEST(TokenDecode, DamagedTokensGiveRandomNumberText) {
    std::string badCheck = "cbbebdfdfcstce";
    badCheck[11] = 'u';  // check byte AB -> AC
    struct Case {
        const char* name;
        std::string stored;
    };
    const Case cases[] = {
        {"empty", ""},
        {"one digit", "c"},
        {"four bytes", "bbbbbbbb"},
        {"odd, four bytes", "bbbbbbb"},
        {"bad check", badCheck},
        {"letter below the digits", "cbbebdfdfcstca"},
        {"letter between digits and A", "cbbebdfdfcstcl"},
        {"letter above F", "cbbebdfdfcstcy"},
        {"upper-case letters", "CBBEBDFDFCSTCE"},
        {"separator inside", "cbbebdfd|cstce"},
        {"empty value", Letters(Sealed({0, 0, 1, 0, 0}))},
        {"a + b larger than L", Letters(Sealed({0, 200, 1, 'x', 'y', 0, 0}))},
        {"a and b at most", Letters(Sealed({9, 255, 255, 'x', 'y', 'z', 0, 9}))},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(TryDecodeToken(c.stored).has_value()) << c.name;
        const int64_t number = ParseInt64Or(DecodeToken(c.stored), -1);
        EXPECT_GE(number, 0) << c.name;
        EXPECT_LE(number, 99998) << c.name;
    }
}

TEST(TokenEncode, RoundTripsRandomValues) {
    std::mt19937 rng(20120613);
    for (int i = 0; i < 3000; ++i) {
        const std::string value = RandomBytes(rng, 1 + rng() % 40);
        const std::string material = RandomBytes(rng, rng() % 24);  // short material reads as 0
        const Text token = EncodeToken(value, material);
        ASSERT_EQ(token.size() % 2, 0u);
        for (char c : token) {
            ASSERT_TRUE((c >= 'b' && c <= 'k') || (c >= 's' && c <= 'x')) << token;
        }
        std::optional<Text> back = TryDecodeToken(token);
        ASSERT_TRUE(back.has_value()) << token;
        ASSERT_EQ(*back, value);
    }
}

TEST(TokenEncode, EnvelopeVariesWithMaterial) {
    const Text a = EncodeToken("0123456789", "\x01\x02\x03\x04");
    const Text b = EncodeToken("0123456789", "\x05\x06\x07\x08");
    EXPECT_NE(a, b);
    EXPECT_EQ(DecodeToken(a), DecodeToken(b));
    EXPECT_EQ(EncodeToken("", "\x01\x02"), "");  // nothing to carry
}

TEST(TokenEncode, EverySingleLetterChangeIsDetected) {
    std::mt19937 rng(4711);
    for (int i = 0; i < 40; ++i) {
        const std::string value = RandomBytes(rng, 1 + rng() % 20);
        const Text token = EncodeToken(value, RandomBytes(rng, 20));
        for (size_t at = 0; at < token.size(); ++at) {
            for (char letter = 'a'; letter <= 'z'; ++letter) {
                if (letter == token[at]) continue;
                Text changed = token;
                changed[at] = letter;
                std::optional<Text> back = TryDecodeToken(changed);
                ASSERT_TRUE(!back || *back != value) << token << " at " << at << " -> " << letter;
            }
        }
    }
}

}  // namespace
