// The message box's layout arithmetic, without windows: measuring the text
// into a control size, widening it for bold letters, and the sizes and
// places of the box, its text control and its buttons. All in pixels.
#pragma once

#include <functional>

#include "util/Text.h"

struct BoxSize {
    int width;
    int height;
};

constexpr int kTextCap = 600;       // widest measured line
constexpr int kIconBand = 54;       // the coloured band on the left
constexpr int kButtonBand = 36;
constexpr int kButtonWidth = 70;
constexpr int kButtonHeight = 23;
constexpr int kMinBoxWidth = 360;

// Height of one line: character height + external leading, one more for
// "MS PGothic" (whose descenders are cut otherwise).
int LineHeight(int charHeight, int externalLeading, const Text& faceName);
// The size the text control asks for before the bold correction: the widest
// line + 10 (at most kTextCap), and per line (width / 600 + 1) line heights.
// Lines end at CR LF; an empty last line after the final break is not
// counted; an empty text measures as one blank.
BoxSize MeasuredTextSize(const Text& plain, const std::function<int(const Text&)>& lineWidth, int lineHeight);

// Bold letters are wider than the measured ones: tries widths width + 10 i
// (i = 0..20) until the control asks for no more than the height; tryWidth
// resizes the control and returns the size it then requests. Returns the
// width to keep.
int WidenForBold(int width, int height, const std::function<BoxSize(int)>& tryWidth);

struct FrameMetrics {
    int frameX;   // SM_CXFRAME
    int frameY;   // SM_CYFRAME
    int caption;  // SM_CYCAPTION
};

// The text control's size limited so that the box fits a work area of the
// given size (a text too long for the screen scrolls instead).
BoxSize FitTextToWorkArea(BoxSize text, const FrameMetrics& frame, BoxSize workArea);
// Outer size of the box around a text control of the given outer size.
BoxSize BoxOuterSize(BoxSize text, const FrameMetrics& frame);

struct BoxPlace {
    int x;
    int y;
    int width;
    int height;
};
// The text control in a client area of cw x ch: centred beside the band
// and above the buttons, reaching down to 3 pixels above the button band.
BoxPlace TextControlPlace(BoxSize client, BoxSize text);
// Button i of count, the last one 80 pixels from the right, touching.
BoxPlace ButtonPlace(BoxSize client, int index, int count);
