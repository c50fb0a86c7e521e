// Delimited lists: a text whose first character is its delimiter, items
// between the delimiters (|a|b| holds a and b). The system keeps its small
// tables in this form; SUB reads and rebuilds them.
#pragma once

#include <cstdint>

#include "util/Text.h"

class SUB {
public:
    SUB() = delete;

    static int Count(const Text& list);
    // An empty or missing item gives the default.
    static Text Item(const Text& list, int index, const Text& dflt);
    static int64_t ItemInt(const Text& list, int index, int64_t dflt);
    // The value of "key=value" in a keyed list, ignoring case and one blank
    // around the delimiter and "="; valueIfEmpty when present but empty.
    static Text Value(const Text& list, const Text& key, const Text& dflt, const Text& valueIfEmpty);
    static Text SetItem(const Text& list, int index, const Text& newItem);
    // T holds items separated by NUL characters (its first character is a
    // NUL too); picks the first candidate delimiter that no item contains.
    static Text ChooseDelimiter(const Text& separated);
};
