// The rich message box: every question, warning and error the program shows.
// A read-only RichEdit 1.0 control shows the marked-up text (ui/BoxMarkup.h)
// in the language's font and reading direction; the box paints its own band,
// icon and buttons, answers keys without Alt, may answer itself after a
// timeout, and runs its own modal loop. One box at a time.
#pragma once

#include <windows.h>

#include <cstdint>

#include "util/Text.h"

// The owner argument of the front ends: 0 puts a bold title line in front of
// the text, 1 does not, 2 also greys the Close command; anything else is the
// parent window. The parent of 0..2 is the active window.
inline HWND BoxOwner(uintptr_t code) { return reinterpret_cast<HWND>(code); }

// Face name, size in points (0 keeps the current size) and character set of
// every later box.
void MsgBoxSetFont(const Text& faceName, int size, int charset);
// Shows one box modally and returns the result code of the chosen button
// (IDOK .. IDNO), or 0 when the box was closed otherwise. Timeout in
// milliseconds; 0 or less: none.
int MsgBoxShow(HWND parent, const Text& text, const Text& caption, const Text& buttons, uint32_t flags,
               int timeout);

// The front ends. An empty button list means the default button words, an
// empty caption the title word of the kind; the character set decides only
// the reading direction (177, 178: right to left).
int RichMessage(HWND owner, const Text& text, const Text& caption, const Text& buttons, int charset,
                uint32_t flags, int timeout);
void ShowErrorMessage(HWND owner, const Text& text, const Text& caption, const Text& buttons, int charset);
void ShowWarningMessage(HWND owner, const Text& text, const Text& caption, const Text& buttons, int charset,
                        int timeout);
bool AskYesNo(HWND owner, const Text& text, const Text& caption, const Text& buttons, int charset, int timeout);
bool AskOkCancel(HWND owner, const Text& text, const Text& caption, const Text& buttons, int charset);

// On: the registered "QueryCancelAutoPlay" message is answered 1 (the
// inserted disc's AutoPlay is refused) by the boxes and the stub window.
void SetAutoPlayCancel(bool on);
// The registered message while AutoPlay is refused, else 0.
UINT AutoPlayCancelMessage();
