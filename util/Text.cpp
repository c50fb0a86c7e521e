// Text routines shared by every module: trimming, searching, the one replace
// routine, quotes and the path-text helpers.
#include "util/Text.h"

#include <algorithm>

#include "util/Platform.h"

namespace {

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Index just past the last folder separator (0 when there is none).
size_t NameStart(const Text& path) {
    size_t at = path.find_last_of("\\/:");
    return at == Text::npos ? 0 : at + 1;
}

// Index of the dot of the name's last extension, npos when it has none.
size_t LastExtensionDot(const Text& path) {
    size_t dot = path.rfind('.');
    if (dot == Text::npos || dot < NameStart(path)) return Text::npos;
    return dot;
}

// A trailing backslash that is a character of its own, not the trail byte of
// a double-byte character.
bool EndsWithBackslash(const Text& path) {
    if (path.empty() || path.back() != '\\') return false;
    return path.size() < 2 || !IsLeadByte(path[path.size() - 2]);
}

size_t ToPosition(size_t index) { return index == Text::npos ? 0 : index + 1; }

// Replaces occurrences first..last of old (see the header). Searching goes on
// from the end of each replacement, so an inserted text is never searched
// again and removals cannot join two halves into a new occurrence.
Text ReplaceIn(const Text& text, const Text& searched, const Text& oldSearched, const Text& newText,
               int last, int first) {
    if (oldSearched.empty()) return text;
    if (last <= 0) last = first;
    Text result;
    size_t from = 0;
    for (int j = 1; last <= 0 || j <= last; ++j) {
        size_t at = searched.find(oldSearched, from);
        if (at == Text::npos) break;
        result.append(text, from, at - from);
        if (j >= first) {
            result += newText;
        } else {
            result.append(text, at, oldSearched.size());
        }
        from = at + oldSearched.size();
    }
    result.append(text, from, Text::npos);
    return result;
}

}  // namespace

Text TrimLeft(const Text& text) {
    auto start = std::find_if_not(text.begin(), text.end(), IsBlankOrControl);
    return Text(start, text.end());
}

Text TrimRight(const Text& text) {
    auto end = std::find_if_not(text.rbegin(), text.rend(), IsBlankOrControl);
    return Text(text.begin(), end.base());
}

Text Trim(const Text& text) { return TrimLeft(TrimRight(text)); }

Text UpperText(const Text& text) { return platform::UpperText(text); }

bool SameText(const Text& a, const Text& b) {
    return a.size() == b.size() && UpperText(a) == UpperText(b);
}

Text IfText(bool condition, const Text& a, const Text& b) { return condition ? a : b; }

Text TextBefore(const Text& text, const Text& separator, const Text& dflt) {
    size_t at = Pos(separator, text);
    return at == 0 ? dflt : text.substr(0, at - 1);
}

Text TextAfter(const Text& text, const Text& separator, const Text& dflt) {
    size_t at = Pos(separator, text);
    return at == 0 ? dflt : text.substr(at - 1 + separator.size());
}

Text ReplaceChar(const Text& text, char from, char to) {
    Text result = text;
    std::replace(result.begin(), result.end(), from, to);
    return result;
}

Text Dequote(const Text& text, char quote, bool any, bool single) {
    if (text.size() == 1 && text[0] == quote) return Text();
    if (text.size() < 2) return text;
    if (!any && !(text.front() == quote && text.back() == quote)) return text;
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && text[begin] == quote) {
        ++begin;
        if (single) break;
    }
    while (begin < end && text[end - 1] == quote) {
        --end;
        if (single) break;
    }
    return text.substr(begin, end - begin);
}

Text TrimDequote(const Text& text, bool any) { return Dequote(Trim(text), '"', any, false); }

Text ReverseText(const Text& text) { return Text(text.rbegin(), text.rend()); }

size_t Pos(const Text& sub, const Text& text) {
    return sub.empty() ? 0 : ToPosition(text.find(sub));
}

size_t LastPos(const Text& sub, const Text& text) {
    return sub.empty() ? 0 : ToPosition(text.rfind(sub));
}

size_t PosFromEnd(const Text& sub, const Text& text) {
    return PosIgnoreCase(ReverseText(sub), ReverseText(text));
}

size_t PosIgnoreCase(const Text& sub, const Text& text) { return Pos(UpperText(sub), UpperText(text)); }

size_t PosFrom(const Text& sub, const Text& text, size_t start, bool ignoreCase) {
    if (start <= 1) start = 1;
    if (sub.empty() || text.size() < start) return 0;
    if (ignoreCase) return ToPosition(UpperText(text).find(UpperText(sub), start - 1));
    return ToPosition(text.find(sub, start - 1));
}

bool EndsWith(const Text& sub, const Text& text, bool ignoreCase) {
    if (sub.empty() || sub.size() > text.size()) return false;
    Text tail = text.substr(text.size() - sub.size());
    return ignoreCase ? SameText(tail, sub) : tail == sub;
}

bool StartsWith(const Text& sub, const Text& text, bool ignoreCase) {
    if (sub.empty() || sub.size() > text.size()) return false;
    Text head = text.substr(0, sub.size());
    return ignoreCase ? SameText(head, sub) : head == sub;
}

bool SameTextTrim(const Text& a, const Text& b) { return SameText(Trim(a), Trim(b)); }

Text ReplaceText(const Text& text, const Text& oldText, const Text& newText, int last, int first) {
    return ReplaceIn(text, text, oldText, newText, last, first);
}

Text ReplaceTextIgnoreCase(const Text& text, const Text& oldText, const Text& newText, int last,
                           int first) {
    Text searched = UpperText(text);
    // Positions in the upper-cased copy must line up with the original.
    if (searched.size() != text.size()) return text;
    return ReplaceIn(text, searched, UpperText(oldText), newText, last, first);
}

bool IsLeadByte(char c) { return platform::IsLeadByte(static_cast<unsigned char>(c)); }

Text SetBackslash(const Text& path, bool withBackslash) {
    Text result = path;
    if (result.size() > 2 && EndsWithBackslash(result)) result.pop_back();
    // Exactly one trailing backslash: a short path such as "\" already has it.
    if (withBackslash && !EndsWithBackslash(result)) result += '\\';
    return result;
}

Text RemoveBackslash(const Text& path) {
    if (path == "\\") return Text();
    Text result = path;
    if (EndsWithBackslash(result)) result.pop_back();
    return result;
}

Text CleanPath(const Text& path, bool removeTrailingBackslash) {
    Text result = path;
    if (path.size() > 2) {
        // A quoted path keeps a pair right after a quote ("\\server inside
        // quotes); a backslash at both ends is no quote.
        bool quoted = path.front() == path.back() && path.front() != '\\';
        Text rest = path.substr(1);
        for (size_t i = rest.size(); i >= 3; --i) {
            char before = rest[i - 3];
            if (rest[i - 2] != '\\' || rest[i - 1] != '\\') continue;
            if (IsLeadByte(before) || (quoted && before == path.front())) continue;
            rest.erase(i - 1, 1);
        }
        if (!quoted && rest.size() >= 2 && rest[0] == '\\' && rest[1] == '\\') rest.erase(0, 1);
        result = path.front() + rest;
    }
    return removeTrailingBackslash ? RemoveBackslash(result) : result;
}

Text FileNamePart(const Text& path) { return path.substr(NameStart(path)); }

Text FolderPart(const Text& path) { return path.substr(0, NameStart(path)); }

Text ChangeFileExt(const Text& path, const Text& extension) {
    return path.substr(0, LastExtensionDot(path)) + extension;
}

Text FileBaseName(const Text& path, bool allExtensions) {
    Text name = FileNamePart(path);
    size_t dot = allExtensions ? name.find('.') : name.rfind('.');
    return name.substr(0, dot);
}
