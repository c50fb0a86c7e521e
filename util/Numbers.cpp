// Number formatting and parsing shared by every module.
#include "util/Numbers.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>

namespace {

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Accumulates decimal digits as a magnitude; false on a non-digit or when the
// magnitude exceeds the limit.
bool ParseMagnitude(const Text& digits, uint64_t limit, uint64_t& magnitude) {
    if (digits.empty()) return false;
    magnitude = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        uint64_t digit = static_cast<uint64_t>(c - '0');
        if (magnitude > (limit - digit) / 10) return false;
        magnitude = magnitude * 10 + digit;
    }
    return true;
}

Text Padded(const Text& text, size_t width, char fill) {
    return text.size() >= width ? text : Text(width - text.size(), fill) + text;
}

}  // namespace

int64_t Min64(int64_t a, int64_t b) { return a < b ? a : b; }

int64_t Max64(int64_t a, int64_t b) { return a > b ? a : b; }

int64_t Clamp64(int64_t value, int64_t low, int64_t high) {
    if (value < low) return low;
    if (value > high) return high;
    return value;
}

int64_t RandomInRange(int64_t low, int64_t high) {
    if (low >= high) return low;
    auto seed = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    std::mt19937_64 generator(static_cast<uint64_t>(seed));
    return std::uniform_int_distribution<int64_t>(low, high)(generator);
}

Text RandomText(int64_t low, int64_t high) { return IntText(RandomInRange(low, high)); }

Text IntText(int64_t value) { return std::to_string(value); }

Text BoolText(bool value) { return value ? "TRUE" : "FALSE"; }

bool TryParseInt64(const Text& text, int64_t& value) {
    Text digits = Trim(text);
    bool negative = !digits.empty() && digits[0] == '-';
    if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) digits.erase(0, 1);
    const uint64_t maxPositive = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    uint64_t magnitude = 0;
    if (!ParseMagnitude(digits, negative ? maxPositive + 1 : maxPositive, magnitude)) return false;
    // Negating in unsigned arithmetic reaches INT64_MIN without overflow.
    value = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
    return true;
}

int64_t ParseInt64Or(const Text& text, int64_t dflt) {
    int64_t value = 0;
    return TryParseInt64(text, value) ? value : dflt;
}

Text ThousandsText(const Text& numberText) {
    size_t signLength = !numberText.empty() && (numberText[0] == '-' || numberText[0] == '+') ? 1 : 0;
    size_t pointAt = numberText.find('.');
    size_t integerEnd = pointAt == Text::npos ? numberText.size() : pointAt;
    if (integerEnd < signLength) integerEnd = signLength;
    Text result = numberText.substr(0, signLength);
    for (size_t i = signLength; i < integerEnd; ++i) {
        if (i > signLength && (integerEnd - i) % 3 == 0) result += ',';
        result += numberText[i];
    }
    return result + numberText.substr(integerEnd);
}

Text UnitText(double value, double divisor, int decimals, bool separators) {
    double quotient = divisor == 0 ? value : value / divisor;
    char buffer[400];
    if (decimals >= 1) {
        std::snprintf(buffer, sizeof buffer, "%.1f", quotient);
    } else {
        // Adding zero turns a negative zero from ceil into a plain 0.
        std::snprintf(buffer, sizeof buffer, "%.0f", std::ceil(quotient) + 0.0);
    }
    // The point is "." whatever the C locale says.
    Text text = ReplaceChar(buffer, ',', '.');
    return separators ? ThousandsText(text) : text;
}

Text KBText(double bytes, int decimals, bool separators) {
    return UnitText(bytes, 1024.0, decimals, separators);
}

Text MBText(double bytes, int decimals, bool separators) {
    return UnitText(bytes, 1048576.0, decimals, separators);
}

Text PadLeft(const Text& text, int width, char fill) {
    if (width >= 0) return Padded(text, static_cast<size_t>(width), fill);
    if (width >= -2) return text;
    size_t limit = static_cast<size_t>(-static_cast<int64_t>(width));
    Text limited = text.size() > limit ? text.substr(0, limit - 1) + "." : text;
    return Padded(limited, limit, fill);
}

Text ZeroPad(const Text& text, int width) {
    if (width <= 0) return text;
    return Padded(text, static_cast<size_t>(width), '0');
}

Text ZeroPad(int64_t value, int width) {
    if (value >= 0) return ZeroPad(IntText(value), width);
    // The zeros go between the sign and the digits.
    Text digits = IntText(value).substr(1);
    return "-" + ZeroPad(digits, width - 1);
}

Text HexText(const std::string& bytes, bool spaced, bool prefixed) {
    static const char kDigits[] = "0123456789ABCDEF";
    Text result;
    for (size_t i = 0; i < bytes.size(); ++i) {
        unsigned char byte = static_cast<unsigned char>(bytes[i]);
        if (prefixed) result += "0x";
        result += kDigits[byte >> 4];
        result += kDigits[byte & 0x0F];
        if (!spaced) continue;
        result += ' ';
        if ((i + 1) % 8 == 0) result += ' ';
    }
    return result;
}

int64_t ParseNumber(const Text& text, int base) {
    // Unsigned arithmetic: overlong or hostile texts wrap instead of overflowing.
    uint64_t sum = 0;
    for (char c : UpperText(Trim(text))) {
        sum = sum * static_cast<uint64_t>(static_cast<int64_t>(base)) +
              static_cast<uint64_t>(static_cast<int64_t>(DigitValue(c)));
    }
    return static_cast<int64_t>(sum);
}

int64_t ParseHex(const Text& text) {
    Text digits = Trim(text);
    if (StartsWith("0x", digits, true)) digits.erase(0, 2);
    return ParseNumber(digits, 16);
}
