// The message box's texts, without windows: the markup of message texts
// (line marks and bold stretches), the button and title words, the button
// sets, the flags the front ends pass and the keys that choose a button.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "util/Text.h"

extern const char kButtonWords[];  // "|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|"
extern const char kTitleWords[];   // "|Error|Attention|Confirm|"

// Flags in the layout of the platform's message-box flags.
namespace boxflags {
constexpr uint32_t kButtonSetMask = 0x0000000F;
constexpr uint32_t kIconMask = 0x000000F0;
constexpr uint32_t kFocusMask = 0x00000F00;
constexpr uint32_t kRight = 0x00080000;
constexpr uint32_t kRtlReading = 0x00100000;
constexpr uint32_t kNoClose = 0x10000000;
constexpr uint32_t kModalTopmost = 0x00052000;  // added by the front end, not acted on
constexpr uint32_t kError = 0x10;          // error icon, OK
constexpr uint32_t kWarning = 0x30;        // exclamation icon, OK
constexpr uint32_t kQuestionYesNo = 0x24;  // question icon, Yes and No
constexpr uint32_t kQuestionOkCancel = 0x21;
}  // namespace boxflags

// A stretch of bold characters: 0-based offsets into the rendered text,
// start inclusive, end exclusive.
struct BoldRange {
    size_t start;
    size_t end;
    bool operator==(const BoldRange& other) const { return start == other.start && end == other.end; }
};

struct RenderedText {
    Text text;
    std::vector<BoldRange> bold;
};

// "\\n" and "\\t" (exact), then "<P>" and "<T>" (any case) become CR LF and tab.
Text ExpandLineMarks(const Text& text);
// The plain text and its bold ranges: ExpandLineMarks, the "<<b>" rule, then
// "<B>" ... "</B>" pairs, which do not nest.
RenderedText RenderMarkup(const Text& text);

// One button of a set: its word index and the result code it answers.
struct BoxButton {
    int word;
    int result;
};
// The buttons of a set, left to right; sets above 5 have none.
std::vector<BoxButton> ButtonSet(uint32_t flags);
// The caption of a button word; a missing item gives "".
Text ButtonCaption(const Text& buttonList, int word);

// An empty button list becomes kButtonWords, an empty caption the title
// word of the index.
void DefaultBoxWords(Text& buttonList, Text& caption, int titleIndex);
// The text with the bold title line that owner 0 puts in front: the caption,
// in capitals when it occurs in kTitleWords.
Text TitledText(const Text& caption, const Text& text);
// The flags RichMessage passes on to the box for an owner (0, 1, 2, or a
// window) and a character set.
uint32_t RichMessageFlags(uint32_t flags, int charset, uintptr_t owner);
bool IsRightToLeftCharset(int charset);  // 177 Hebrew, 178 Arabic

// The button (0..count-1) that a focus index means: negative indices count
// from the end.
int FocusedButtonNumber(int index, int count);
// The letter A..Z a key-down's virtual-key code stands for, or 0.
char KeyLetter(unsigned virtualKey);
// The button that a letter key (without Alt) chooses: the last one whose
// accelerator letter is the key; -1 when none.
int LetterKeyButton(const std::vector<Text>& captions, char letter);
// The button that Alt plus a typed character chooses: the first whose
// second character is the character or its capital; -1 when none.
int AltKeyButton(const std::vector<Text>& captions, char typed);
