// The message box's texts: markup, words, button sets, flags and keys.
#include "ui/BoxMarkup.h"

#include "text/VSUB.h"

const char kButtonWords[] = "|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|";
const char kTitleWords[] = "|Error|Attention|Confirm|";

namespace {

enum Word { kOk, kCancel, kYes, kNo, kAbort, kRetry, kIgnore };
enum Result { kIdOk = 1, kIdCancel, kIdAbort, kIdRetry, kIdIgnore, kIdYes, kIdNo };

// Only a..z change, so the copy keeps the text's length and positions.
Text AsciiUpper(Text text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Removes n characters at the position from the text and its search copy.
void RemoveBoth(Text& text, Text& copy, size_t at, size_t n) {
    text.erase(at, n);
    copy.erase(at, n);
}

// The accelerator letter of a caption: after the first "&", else the first
// character; 0 when "&" is last or the caption is empty.
char AcceleratorOf(const Text& caption) {
    size_t amp = caption.find('&');
    if (amp == Text::npos) return caption.empty() ? 0 : caption[0];
    return amp + 1 < caption.size() ? caption[amp + 1] : 0;
}

}  // namespace

Text ExpandLineMarks(const Text& text) {
    Text result = ReplaceAll(text, "\\\\n", "\r\n");
    result = ReplaceAll(result, "\\\\t", "\t");
    result = ReplaceTextIgnoreCase(result, "<P>", "\r\n", 0, 0);
    return ReplaceTextIgnoreCase(result, "<T>", "\t", 0, 0);
}

RenderedText RenderMarkup(const Text& text) {
    RenderedText rendered{ExpandLineMarks(text), {}};
    Text& plain = rendered.text;
    if (plain.compare(0, 4, "<<b>") == 0) plain.erase(0, 1);
    Text copy = AsciiUpper(plain);
    for (size_t open = copy.find("<B>"); open != Text::npos; open = copy.find("<B>")) {
        RemoveBoth(plain, copy, open, 3);
        size_t close = copy.find("</B>");
        if (close != Text::npos && close >= open) {
            RemoveBoth(plain, copy, close, 4);
            rendered.bold.push_back({open, close});
        }
    }
    for (size_t close = copy.find("</B>"); close != Text::npos; close = copy.find("</B>")) {
        RemoveBoth(plain, copy, close, 4);
    }
    return rendered;
}

std::vector<BoxButton> ButtonSet(uint32_t flags) {
    switch (flags & boxflags::kButtonSetMask) {
        case 0: return {{kOk, kIdOk}};
        case 1: return {{kOk, kIdOk}, {kCancel, kIdCancel}};
        case 2: return {{kAbort, kIdAbort}, {kRetry, kIdRetry}, {kIgnore, kIdIgnore}};
        case 3: return {{kYes, kIdYes}, {kNo, kIdNo}, {kCancel, kIdCancel}};
        case 4: return {{kYes, kIdYes}, {kNo, kIdNo}};
        case 5: return {{kRetry, kIdRetry}, {kCancel, kIdCancel}};
        default: return {};
    }
}

Text ButtonCaption(const Text& buttonList, int word) { return SUB::Item(buttonList, word, Text()); }

void DefaultBoxWords(Text& buttonList, Text& caption, int titleIndex) {
    if (buttonList.empty()) buttonList = kButtonWords;
    if (caption.empty()) caption = SUB::Item(kTitleWords, titleIndex, Text());
}

Text TitledText(const Text& caption, const Text& text) {
    Text title = Pos(caption, kTitleWords) > 0 ? UpperText(caption) : caption;
    return "<<b>" + title + "</b><P><P>" + text + "<P>";
}

bool IsRightToLeftCharset(int charset) { return charset == 177 || charset == 178; }

uint32_t RichMessageFlags(uint32_t flags, int charset, uintptr_t owner) {
    if (IsRightToLeftCharset(charset)) flags |= boxflags::kRtlReading | boxflags::kRight;
    if (owner == 2) flags |= boxflags::kNoClose;
    return flags | boxflags::kModalTopmost;
}

int FocusedButtonNumber(int index, int count) {
    if (count <= 0) return 0;
    if (index < 0) index += count;
    return ((index % count) + count) % count;
}

char KeyLetter(unsigned virtualKey) {
    if (virtualKey > 0xFF) return 0;
    char c = AsciiUpper(static_cast<char>(virtualKey));
    return c >= 'A' && c <= 'Z' ? c : 0;
}

int LetterKeyButton(const std::vector<Text>& captions, char letter) {
    int chosen = -1;
    for (size_t i = 0; i < captions.size(); ++i) {
        char accelerator = AcceleratorOf(captions[i]);
        if (accelerator != 0 && accelerator == AsciiUpper(letter)) chosen = static_cast<int>(i);
    }
    return chosen;
}

int AltKeyButton(const std::vector<Text>& captions, char typed) {
    for (size_t i = 0; i < captions.size(); ++i) {
        const Text& caption = captions[i];
        if (caption.size() >= 2 && (caption[1] == typed || caption[1] == AsciiUpper(typed))) return static_cast<int>(i);
    }
    return -1;
}
