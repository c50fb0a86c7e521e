// Text routines shared by every module. Texts are 8-bit strings in the ANSI
// code page; positions count from 1 and "not found" is 0. Comparisons marked
// "ignoring case" upper-case both sides with the system's rules
// (platform::UpperText).
#pragma once

#include <cstddef>
#include <string>

using Text = std::string;

Text Trim(const Text& text);       // blanks and control characters at both ends
Text TrimLeft(const Text& text);
Text TrimRight(const Text& text);
Text UpperText(const Text& text);
bool SameText(const Text& a, const Text& b);  // equal ignoring case

Text IfText(bool condition, const Text& a, const Text& b);
// The part before / after the first occurrence of the separator; the default
// when it does not occur.
Text TextBefore(const Text& text, const Text& separator, const Text& dflt);
Text TextAfter(const Text& text, const Text& separator, const Text& dflt);
Text ReplaceChar(const Text& text, char from, char to);
// Strips quote characters (see the file's comment on the rules).
Text Dequote(const Text& text, char quote, bool any, bool single);
Text TrimDequote(const Text& text, bool any);
Text ReverseText(const Text& text);

// Positions (1-based, 0 = not found).
size_t Pos(const Text& sub, const Text& text);
size_t LastPos(const Text& sub, const Text& text);
size_t PosFromEnd(const Text& sub, const Text& text);   // ignoring case; 1 = ends with sub
size_t PosIgnoreCase(const Text& sub, const Text& text);
size_t PosFrom(const Text& sub, const Text& text, size_t start, bool ignoreCase);
bool EndsWith(const Text& sub, const Text& text, bool ignoreCase);
bool StartsWith(const Text& sub, const Text& text, bool ignoreCase);
bool SameTextTrim(const Text& a, const Text& b);

// The one replace routine: replaces the first-th to the last-th occurrence of
// old (last <= 0: from first on without end; first = last = 0: all).
Text ReplaceText(const Text& text, const Text& oldText, const Text& newText, int last, int first);
Text ReplaceTextIgnoreCase(const Text& text, const Text& oldText, const Text& newText, int last, int first);
// Every occurrence, exact.
inline Text ReplaceAll(const Text& text, const Text& oldText, const Text& newText) {
    return ReplaceText(text, oldText, newText, 0, 0);
}

bool IsLeadByte(char c);

// Paths (backslash-separated, as the system writes them).
Text SetBackslash(const Text& path, bool withBackslash);
Text RemoveBackslash(const Text& path);
Text CleanPath(const Text& path, bool removeTrailingBackslash);
// File-name part (after the last "\", "/" or ":"), folder part (with its
// trailing separator), and extension handling.
Text FileNamePart(const Text& path);
Text FolderPart(const Text& path);
Text ChangeFileExt(const Text& path, const Text& extension);
// The file name without folder and without its last extension; with
// allExtensions, everything from the first "." of the name on is removed too.
Text FileBaseName(const Text& path, bool allExtensions);
