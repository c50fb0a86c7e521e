// Delimited lists: reading items and keyed values, rebuilding a list with one
// item changed, and choosing a delimiter that no item contains.
#include "text/VSUB.h"

#include <algorithm>

#include "util/Numbers.h"

namespace {

const char kSeparator = '\0';
// Tried in this order when a list needs a delimiter of its own.
const char kDelimiterCandidates[] = {'|', '*', '^', '!', '~', '@', '#', '$', '&', '\xFF'};

bool IsWellFormed(const Text& list) { return !list.empty() && list.front() == list.back(); }

}  // namespace

int SUB::Count(const Text& list) {
    if (!IsWellFormed(list)) return 0;
    return static_cast<int>(std::count(list.begin() + 1, list.end(), list.front()));
}

Text SUB::Item(const Text& list, int index, const Text& dflt) {
    if (list.empty() || list == Text(1, kSeparator) || index < 0) return dflt;
    const char delimiter = list.front();
    size_t start = 1;
    for (int item = 0; item < index; ++item) {
        size_t next = list.find(delimiter, start);
        if (next == Text::npos) return dflt;
        start = next + 1;
    }
    // Text after the last delimiter is not an item.
    size_t end = list.find(delimiter, start);
    if (end == Text::npos || end == start) return dflt;
    return list.substr(start, end - start);
}

int64_t SUB::ItemInt(const Text& list, int index, int64_t dflt) {
    return ParseInt64Or(Item(list, index, Text()), dflt);
}

Text SUB::Value(const Text& list, const Text& key, const Text& dflt, const Text& valueIfEmpty) {
    if (list.size() <= 2 || !IsWellFormed(list)) return dflt;
    const Text delimiter(1, list.front());
    Text searchKey = delimiter + key;
    if (!EndsWith("=", key, false)) searchKey += "=";
    Text work = ReplaceAll(list, delimiter + " ", delimiter);
    work = ReplaceAll(work, " =", "=");
    size_t at = PosIgnoreCase(searchKey, work);
    if (at == 0) return dflt;
    size_t start = at - 1 + searchKey.size();
    size_t end = work.find(delimiter[0], start);
    Text value = work.substr(start, end == Text::npos ? Text::npos : end - start);
    return value.empty() ? valueIfEmpty : value;
}

Text SUB::SetItem(const Text& list, int index, const Text& newItem) {
    // A negative index names no item: the list stays as it is.
    if (index < 0) return list;
    const Text source = list.empty() ? Text("|") : list;
    int64_t count = std::max<int64_t>(Count(source), static_cast<int64_t>(index) + 1);
    Text separated(1, kSeparator);
    for (int i = 0; i < count; ++i) {
        separated += i == index ? newItem : Item(source, i, Text());
        separated += kSeparator;
    }
    const char delimiter = source.front();
    if (separated.find(delimiter) == Text::npos) return ReplaceChar(separated, kSeparator, delimiter);
    return ChooseDelimiter(separated);
}

Text SUB::ChooseDelimiter(const Text& separated) {
    if (separated.empty()) return separated;
    for (char candidate : kDelimiterCandidates) {
        if (separated.find(candidate) == Text::npos) return ReplaceChar(separated, separated.front(), candidate);
    }
    return separated;
}
