// The message box without windows: the markup renderer, button words, keys
// and the layout arithmetic on any message text. Message texts and button
// words come from a package's language table, so they are hostile; the
// metrics come from the system and are kept to the ranges it reports
// (16-bit screen coordinates, small fonts).
//
// Input: text, button list, caption, then the metrics as one text whose
// bytes are read in turn; NUL-separated.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "fuzz/FuzzInput.h"
#include "ui/BoxLayout.h"
#include "ui/BoxMarkup.h"

namespace {

// The metrics text read byte by byte; zeros once it is used up.
class Bytes {
public:
    explicit Bytes(const std::string& text) : text_(text) {}
    unsigned Next() { return at_ < text_.size() ? static_cast<unsigned char>(text_[at_++]) : 0u; }
    int Small() { return static_cast<int>(Next()); }                      // 0..255
    int Coordinate() { return static_cast<int>(Bits(2) & 0x7FFF); }  // 0..32767
    uint32_t Word() { return Bits(4); }

private:
    uint32_t Bits(int bytes) {
        uint32_t value = 0;
        for (int i = 0; i < bytes; ++i) value |= Next() << (8 * i);
        return value;
    }

    std::string text_;
    size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Splitter in(data, size);
    Text message = in.Next();
    Text buttonList = in.Next();
    Text caption = in.Next();
    Bytes metrics(in.Next());

    const uint32_t flags = metrics.Word();
    const int charset = metrics.Small();
    const int owner = metrics.Small() % 4;
    DefaultBoxWords(buttonList, caption, metrics.Small() % 4 - 1);
    const Text markup = owner == 0 ? TitledText(caption, message) : message;
    (void)RichMessageFlags(flags, charset, static_cast<uintptr_t>(owner));

    // Markup only ever shortens the text; a range never ends before it
    // starts. Ranges of overlapping pairs are not moved by later removals and
    // may lie past the text (the control clamps them).
    if (ExpandLineMarks(markup).size() > markup.size()) __builtin_trap();
    const RenderedText rendered = RenderMarkup(markup);
    if (rendered.text.size() > markup.size()) __builtin_trap();
    for (const BoldRange& range : rendered.bold) {
        if (range.start > range.end || range.end > markup.size()) __builtin_trap();
    }

    // Buttons and keys.
    const std::vector<BoxButton> buttons = ButtonSet(flags);
    std::vector<Text> captions;
    for (const BoxButton& button : buttons) captions.push_back(ButtonCaption(buttonList, button.word));
    (void)ButtonCaption(buttonList, metrics.Small() - 2);
    const int count = static_cast<int>(captions.size());
    const int focus = FocusedButtonNumber(static_cast<int>(metrics.Word()), count);
    if (focus < 0 || (count > 0 && focus >= count) || (count == 0 && focus != 0)) __builtin_trap();
    const char letter = KeyLetter(metrics.Word() & 0x1FF);
    const int byLetter = LetterKeyButton(captions, letter);
    const int byAlt = AltKeyButton(captions, static_cast<char>(metrics.Small()));
    if (byLetter < -1 || byLetter >= count || byAlt < -1 || byAlt >= count) __builtin_trap();

    // Layout: widths of a few pixels per character, as a font gives.
    const int charWidth = metrics.Small() % 64;
    const int charHeight = metrics.Small();
    const int lineHeight = LineHeight(charHeight, metrics.Small() % 16, caption);
    const BoxSize measured = MeasuredTextSize(
        rendered.text, [charWidth](const Text& line) { return static_cast<int>(line.size()) * charWidth; },
        lineHeight);
    if (measured.width < 10 || measured.width > kTextCap || measured.height < lineHeight) __builtin_trap();
    const int fitsAt = metrics.Coordinate();
    int tries = 0;
    const int width = WidenForBold(measured.width, measured.height, [&](int tried) {
        ++tries;
        return BoxSize{tried + metrics.Small(), tried >= fitsAt ? measured.height : measured.height + lineHeight + 1};
    });
    if (width < measured.width || tries > 21) __builtin_trap();
    const FrameMetrics frame{metrics.Small() % 32, metrics.Small() % 32, metrics.Small() % 64};
    const BoxSize workArea{metrics.Coordinate(), metrics.Coordinate()};
    const BoxSize fitted = FitTextToWorkArea({width, measured.height}, frame, workArea);
    if (fitted.width < 1 || fitted.height < 1 || fitted.width > width || fitted.height > std::max(1, measured.height))
        __builtin_trap();
    const BoxSize outer = BoxOuterSize(fitted, frame);
    if (outer.width < kMinBoxWidth) __builtin_trap();
    const BoxSize client{outer.width - 2 * frame.frameX, outer.height - 2 * frame.frameY - frame.caption};
    (void)TextControlPlace(client, fitted);
    for (int i = 0; i < count; ++i) (void)ButtonPlace(client, i, count);
    return 0;
}
