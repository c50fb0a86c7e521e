// The message box's layout arithmetic.
#include "ui/BoxLayout.h"

#include <algorithm>

namespace {

constexpr int kMaxBoldTries = 21;

int HorizontalMargin(int textWidth) { return textWidth < 200 ? 64 : 32; }
int VerticalMargin(int textHeight) { return textHeight < 39 ? 45 : 32; }

// Everything of the box's width but the text control.
int WidthAround(int textWidth, const FrameMetrics& frame) {
    return kIconBand + 2 * HorizontalMargin(textWidth) + 2 * frame.frameX;
}

int HeightAround(int textHeight, const FrameMetrics& frame) {
    return kButtonBand + 2 * VerticalMargin(textHeight) + 2 * frame.frameY + frame.caption;
}

}  // namespace

int LineHeight(int charHeight, int externalLeading, const Text& faceName) {
    return charHeight + externalLeading + (SameTextTrim(faceName, "MS PGothic") ? 1 : 0);
}

BoxSize MeasuredTextSize(const Text& plain, const std::function<int(const Text&)>& lineWidth, int lineHeight) {
    const Text text = plain.empty() ? Text(" ") : plain;
    int widest = 0;
    int height = 0;
    size_t start = 0;
    while (start < text.size() || start == 0) {
        size_t end = text.find("\r\n", start);
        Text line = text.substr(start, end == Text::npos ? Text::npos : end - start);
        int width = lineWidth(line);
        widest = std::max(widest, width);
        height += (width / kTextCap + 1) * lineHeight;
        if (end == Text::npos) break;
        start = end + 2;
    }
    return {std::min(widest + 10, kTextCap), height};
}

int WidenForBold(int width, int height, const std::function<BoxSize(int)>& tryWidth) {
    int largest = width;
    for (int i = 0; i < kMaxBoldTries; ++i) {
        BoxSize requested = tryWidth(width + 10 * i);
        if (requested.height <= height) return width + 10 * i;
        largest = std::max(largest, requested.width);
    }
    return largest + 10;
}

BoxSize FitTextToWorkArea(BoxSize text, const FrameMetrics& frame, BoxSize workArea) {
    BoxSize fitted = text;
    fitted.width = std::max(1, std::min(fitted.width, workArea.width - WidthAround(fitted.width, frame)));
    fitted.height = std::max(1, std::min(fitted.height, workArea.height - HeightAround(fitted.height, frame)));
    return fitted;
}

BoxSize BoxOuterSize(BoxSize text, const FrameMetrics& frame) {
    return {std::max(kMinBoxWidth, text.width + WidthAround(text.width, frame)),
            text.height + HeightAround(text.height, frame)};
}

BoxPlace TextControlPlace(BoxSize client, BoxSize text) {
    int x = (client.width - kIconBand - text.width) / 2 + kIconBand;
    int y = (client.height - kButtonBand - text.height) / 2;
    return {x, y, text.width, client.height - y - 39};
}

BoxPlace ButtonPlace(BoxSize client, int index, int count) {
    int x = client.width - 80 - kButtonWidth * (count - 1 - index);
    return {x, client.height - 29, kButtonWidth, kButtonHeight};
}
