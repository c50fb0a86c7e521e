// The rich message box: a RichEdit 1.0 text control, a painted band with the
// icon, up to three buttons, a keyboard handler and a modal loop. The state of
// an open box lives in its window's user data, so a box opened from inside
// another box's loop does not disturb the outer one.
#include "ui/VMsgBox.h"

#include <richedit.h>

#include <vector>

#include "ui/BoxLayout.h"
#include "ui/BoxMarkup.h"
#include "util/Handles.h"
#include "util/Utils.h"

namespace {

constexpr char kClassName[] = "VMsgBox";
constexpr char kRichEditLibrary[] = "RICHED32.DLL";
constexpr char kDeveloperText[] = "Do you want to store the new Entry in";
constexpr UINT_PTR kTimeoutTimer = 1;
constexpr int kTextControlId = 100;
constexpr int kFirstButtonId = 101;
constexpr int kDeveloperShift = 150;
constexpr COLORREF kBandColour = RGB(0, 78, 152);
constexpr DWORD kBoxExStyle = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST;  // 0x9
constexpr DWORD kBoxStyle = WS_VISIBLE | WS_CAPTION | WS_SYSMENU;   // 0x10C80000
constexpr DWORD kTextStyle = WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | ES_WANTRETURN;  // 0x50001804

struct Settings {
    Text face = "Tahoma";
    int size = 8;
    int charset = DEFAULT_CHARSET;
    UINT autoPlayMessage = 0;
};

Settings& BoxSettings() {
    static Settings settings;
    return settings;
}

struct Box {
    int result = 0;
    int timeout = 0;
    int iconId = 0;
    std::vector<HWND> buttons;  // left to right, at most three
    BoxSize requested{0, 0};    // the text control's last resize request
    HWND previous = nullptr;
    win::GdiObject font;
    HWND window = nullptr;
    HWND text = nullptr;
    bool done = false;
};

Box* BoxOf(HWND window) { return reinterpret_cast<Box*>(GetWindowLongPtrA(window, GWLP_USERDATA)); }

int IconIdOf(uint32_t flags) {
    switch (flags & boxflags::kIconMask) {
        case 0x10: return 32513;  // IDI_HAND
        case 0x20: return 32514;  // IDI_QUESTION
        case 0x30: return 32515;  // IDI_EXCLAMATION
        case 0x40: return 32516;  // IDI_ASTERISK
        default: return 0;        // the program's own icon
    }
}

HICON BoxIcon(int iconId) {
    if (iconId == 0) return LoadIconA(GetModuleHandleA(nullptr), "MainIcon");
    return LoadIconA(nullptr, MAKEINTRESOURCEA(iconId));
}

// The library stays loaded once a box found it; a failed load is retried by
// the next box.
void LoadRichEditOnce() {
    static HMODULE library = nullptr;
    if (library == nullptr) library = LoadLibraryA(kRichEditLibrary);
}

void CloseBox(Box& box) { PostMessageA(box.window, WM_CLOSE, 0, 0); }

int ResultOf(HWND button) { return button ? static_cast<int>(GetWindowLongPtrA(button, GWLP_USERDATA)) : 0; }

void Choose(Box& box, int index) {
    box.result = ResultOf(box.buttons[index]);
    CloseBox(box);
}

// --- painting ----------------------------------------------------------------

void FillBand(HDC dc, int left, int top, int right, int bottom, HBRUSH brush) {
    RECT rect{left, top, right, bottom};
    FillRect(dc, &rect, brush);
}

void Paint(const Box& box, HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    const int cw = client.right;
    const int ch = client.bottom;
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    FillBand(dc, 0, ch - 37, cw, ch - 36, GetSysColorBrush(COLOR_3DDKSHADOW));
    FillBand(dc, 0, ch - 36, cw, ch - 35, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    FillBand(dc, 0, ch - 35, cw, ch, GetSysColorBrush(COLOR_BTNFACE));
    win::GdiObject band(CreateSolidBrush(kBandColour));
    FillBand(dc, 0, 0, kIconBand, ch - 37, static_cast<HBRUSH>(band.get()));
    if (HICON icon = BoxIcon(box.iconId)) DrawIcon(dc, 11, 20, icon);
    EndPaint(window, &paint);
}

// --- buttons and keys ----------------------------------------------------------

int FocusedIndex(const Box& box) {
    HWND focus = GetFocus();
    for (size_t i = 0; i < box.buttons.size(); ++i) {
        if (box.buttons[i] == focus) return static_cast<int>(i);
    }
    return -1;
}

void FocusButton(Box& box, int index) {
    if (box.buttons.empty()) return;
    int chosen = FocusedButtonNumber(index, static_cast<int>(box.buttons.size()));
    SetFocus(box.buttons[chosen]);
    for (size_t i = 0; i < box.buttons.size(); ++i) {
        LONG look = static_cast<int>(i) == chosen ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        SendMessageA(box.buttons[i], BM_SETSTYLE, look, TRUE);
    }
}

std::vector<Text> Captions(const Box& box) {
    std::vector<Text> captions;
    for (HWND button : box.buttons) captions.push_back(WindowTextOf(button));
    return captions;
}

// True when the message chose a button (it is then consumed).
bool HandleKey(Box& box, const MSG& message) {
    int chosen = -1;
    if (message.message == WM_SYSCHAR) {
        chosen = AltKeyButton(Captions(box), static_cast<char>(message.wParam));
    } else if (message.message == WM_KEYDOWN) {
        switch (message.wParam) {
            case VK_LEFT:
            case VK_UP: FocusButton(box, FocusedIndex(box) - 1); return false;
            case VK_TAB:
            case VK_RIGHT:
            case VK_DOWN: FocusButton(box, FocusedIndex(box) + 1); return false;
            case VK_RETURN: chosen = FocusedIndex(box); break;
            default:
                if (char letter = KeyLetter(static_cast<unsigned>(message.wParam)))
                    chosen = LetterKeyButton(Captions(box), letter);
        }
    }
    if (chosen < 0) return false;
    Choose(box, chosen);
    return true;
}

void CreateButtons(Box& box, const Text& buttonList, uint32_t flags) {
    RECT client;
    GetClientRect(box.window, &client);
    const std::vector<BoxButton> set = ButtonSet(flags);
    const int count = static_cast<int>(set.size());
    for (int i = 0; i < count; ++i) {
        BoxPlace place = ButtonPlace({client.right, client.bottom}, i, count);
        HWND button = CreateWindowExA(0, "Button", ButtonCaption(buttonList, set[i].word).c_str(),
                                      WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, place.x, place.y, place.width,
                                      place.height, box.window, reinterpret_cast<HMENU>(kFirstButtonId + i),
                                      GetModuleHandleA(nullptr), nullptr);
        if (button == nullptr) continue;
        SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(box.font.get()), FALSE);
        SetWindowLongPtrA(button, GWLP_USERDATA, set[i].result);
        box.buttons.push_back(button);
    }
}

// --- the text control ----------------------------------------------------------

HWND CreateTextControl(Box& box, uint32_t flags) {
    DWORD style = kTextStyle | ((flags & boxflags::kRight) ? ES_RIGHT : 0);
    DWORD exStyle = (flags & boxflags::kRtlReading) ? WS_EX_RTLREADING : 0;
    HWND control = CreateWindowExA(exStyle, "RICHEDIT", "", style, 86, 30, 100, 13, box.window,
                                   reinterpret_cast<HMENU>(kTextControlId), GetModuleHandleA(nullptr), nullptr);
    if (control == nullptr) return nullptr;
    SendMessageA(control, EM_SETEVENTMASK, 0, ENM_REQUESTRESIZE);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(box.font.get()), FALSE);
    SendMessageA(control, EM_SETBKGNDCOLOR, 0, GetSysColor(COLOR_WINDOW));
    return control;
}

void SelectRange(HWND control, size_t start, size_t end) {
    CHARRANGE range{static_cast<LONG>(start), static_cast<LONG>(end)};
    SendMessageA(control, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

void RenderText(HWND control, const RenderedText& rendered) {
    // RichEdit 1.0 keeps 32 K characters unless told otherwise.
    SendMessageA(control, EM_EXLIMITTEXT, 0, static_cast<LPARAM>(rendered.text.size() + 1));
    SetWindowTextA(control, rendered.text.c_str());
    CHARFORMATA format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
    format.dwEffects = CFE_BOLD;
    for (const BoldRange& range : rendered.bold) {
        SelectRange(control, range.start, range.end);
        SendMessageA(control, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    }
    SelectRange(control, 0, 0);
}

BoxSize MeasureText(const Box& box, const Text& plain) {
    HDC dc = GetDC(box.text);
    HGDIOBJ previous = SelectObject(dc, box.font.get());
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    auto lineWidth = [dc](const Text& line) {
        SIZE extent{0, 0};
        GetTextExtentPoint32A(dc, line.data(), static_cast<int>(line.size()), &extent);
        return static_cast<int>(extent.cx);
    };
    BoxSize size = MeasuredTextSize(plain, lineWidth,
                                    LineHeight(metrics.tmHeight, metrics.tmExternalLeading, BoxSettings().face));
    SelectObject(dc, previous);
    ReleaseDC(box.text, dc);
    return size;
}

BoxSize ResizeText(Box& box, int width, int height) {
    SetWindowPos(box.text, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Asks for a fresh request, whether or not the wrapping changed.
    SendMessageA(box.text, EM_REQUESTRESIZE, 0, 0);
    return box.requested;
}

BoxSize WorkAreaSize() {
    RECT area{};
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0))
        area = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return {area.right - area.left, area.bottom - area.top};
}

// Sizes the control to the text; returns its outer size, limited to what
// fits the work area. Only bold text is put in before the control has its
// final width (the control alone can tell how wide bold letters are): each
// wrap of a long paragraph costs time.
BoxSize SizeTextControl(Box& box, const RenderedText& rendered, const FrameMetrics& frame) {
    BoxSize measured = MeasureText(box, rendered.text);
    ResizeText(box, measured.width + 10, measured.height);
    int width = measured.width + 10;
    if (!rendered.bold.empty()) {
        RenderText(box.text, rendered);
        width = WidenForBold(measured.width, measured.height,
                             [&box, &measured](int tried) { return ResizeText(box, tried, measured.height); });
        ResizeText(box, width, measured.height);
    }
    BoxSize fitted = FitTextToWorkArea({width, measured.height}, frame, WorkAreaSize());
    if (fitted.height < measured.height) SendMessageA(box.text, EM_SHOWSCROLLBAR, SB_VERT, TRUE);
    return fitted;
}

// --- the box window ----------------------------------------------------------------

LRESULT HandleBoxMessage(Box& box, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            if (box.timeout > 0) SetTimer(window, kTimeoutTimer, static_cast<UINT>(box.timeout), nullptr);
            break;
        case WM_PAINT:
            Paint(box, window);
            return 0;
        case WM_COMMAND:
            for (HWND button : box.buttons) {
                if (reinterpret_cast<HWND>(lParam) == button && HIWORD(wParam) == BN_CLICKED) {
                    box.result = ResultOf(button);
                    CloseBox(box);
                }
            }
            break;
        case WM_TIMER:
            if (wParam == kTimeoutTimer) {
                box.result = box.buttons.empty() ? 0 : ResultOf(box.buttons[0]);
                CloseBox(box);
            }
            break;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->code == EN_REQUESTRESIZE) {
                const RECT& rect = reinterpret_cast<const REQRESIZE*>(lParam)->rc;
                box.requested = {rect.right - rect.left, rect.bottom - rect.top};
            }
            break;
        }
        case WM_SYSCOMMAND:
            // A greyed Close command must not close the box by Alt+F4 either
            // (Wine's default processing does not look at the menu).
            if ((wParam & 0xFFF0) == SC_CLOSE &&
                (GetMenuState(GetSystemMenu(window, FALSE), SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED))
                return 0;
            break;
        case WM_CLOSE:
            if (box.previous != nullptr) {
                EnableWindow(box.previous, TRUE);
                SetActiveWindow(box.previous);
                SetFocus(box.previous);
            }
            if (box.timeout > 0) KillTimer(window, kTimeoutTimer);
            break;
        case WM_DESTROY:
            box.done = true;
            return 1;
        default:
            if (message != 0 && message == BoxSettings().autoPlayMessage) return 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK BoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_NCCREATE) {
            auto* box = static_cast<Box*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
            box->window = window;
            SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(box));
        }
        if (Box* box = BoxOf(window)) return HandleBoxMessage(*box, window, message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind into the system's dispatcher.
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

win::WindowClass RegisterBoxClass() {
    WNDCLASSA windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = BoxProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    // Fails while an outer box has it registered; that one unregisters it.
    return win::WindowClass(windowClass.hInstance, RegisterClassA(&windowClass));
}

HFONT CreateBoxFont() {
    const Settings& settings = BoxSettings();
    return CreateFontA(-PointsToPixels(settings.size), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                       static_cast<BYTE>(settings.charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, settings.face.c_str());
}

// Size, place and contents of a box window that exists.
void LayOutBox(Box& box, const Text& text, const Text& buttons, uint32_t flags) {
    const FrameMetrics frame{GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME),
                             GetSystemMetrics(SM_CYCAPTION)};
    BoxSize textSize{0, 0};
    const RenderedText rendered = RenderMarkup(text);
    box.text = CreateTextControl(box, flags);
    if (box.text != nullptr) textSize = SizeTextControl(box, rendered, frame);
    BoxSize outer = BoxOuterSize(textSize, frame);
    int left = 0;
    int top = 0;
    CentreInWorkArea(outer.width, outer.height, left, top);
    if (Pos(kDeveloperText, text) > 0 && IsDeveloperMachine()) {
        left += kDeveloperShift;
        top += kDeveloperShift;
    }
    MoveWindow(box.window, left, top, outer.width, outer.height, TRUE);
    ShowWindow(box.window, SW_SHOW);
    RECT client;
    GetClientRect(box.window, &client);
    if (box.text != nullptr) {
        BoxPlace place = TextControlPlace({client.right, client.bottom}, textSize);
        MoveWindow(box.text, place.x, place.y, place.width, place.height, TRUE);
        if (rendered.bold.empty()) RenderText(box.text, rendered);
        ShowWindow(box.text, SW_SHOW);
    }
    box.iconId = IconIdOf(flags);
    CreateButtons(box, buttons, flags);
    FocusButton(box, static_cast<int>((flags & boxflags::kFocusMask) >> 8));
}

void RunModalLoop(Box& box) {
    MSG message;
    while (!box.done) {
        BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == -1) {
            DestroyWindow(box.window);
            return;
        }
        // A quit message is dropped: the box ends only when it is destroyed.
        if (got == 0 || HandleKey(box, message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace

void MsgBoxSetFont(const Text& faceName, int size, int charset) {
    Settings& settings = BoxSettings();
    settings.face = faceName;
    if (size != 0) settings.size = size;
    settings.charset = charset;
}

int MsgBoxShow(HWND parent, const Text& text, const Text& caption, const Text& buttons, uint32_t flags,
               int timeout) {
    LoadRichEditOnce();
    Box box;
    box.previous = GetActiveWindow();
    if (box.previous != nullptr) EnableWindow(box.previous, FALSE);
    box.timeout = timeout;
    box.font.reset(CreateBoxFont());
    win::Library richEdit(LoadLibraryA(kRichEditLibrary));
    win::WindowClass boxClass = RegisterBoxClass();
    HWND window = CreateWindowExA(kBoxExStyle, kClassName, caption.c_str(), kBoxStyle, -100, -100, 10, 10, parent,
                                  nullptr, GetModuleHandleA(nullptr), &box);
    if (window == nullptr) {
        if (box.previous != nullptr) EnableWindow(box.previous, TRUE);
        return 0;
    }
    if (flags & boxflags::kNoClose) {
        flags &= ~boxflags::kNoClose;
        EnableMenuItem(GetSystemMenu(window, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    }
    try {
        LayOutBox(box, text, buttons, flags);
        box.done = false;
        RunModalLoop(box);
    } catch (...) {
        // The window must not outlive the state it points to.
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        DestroyWindow(window);
        if (box.previous != nullptr) EnableWindow(box.previous, TRUE);
        return 0;
    }
    return box.result;
}

int RichMessage(HWND owner, const Text& text, const Text& caption, const Text& buttons, int charset,
                uint32_t flags, int timeout) {
    const auto code = reinterpret_cast<uintptr_t>(owner);
    HWND parent = code < 3 ? GetActiveWindow() : owner;
    Text shown = code == 0 ? TitledText(caption, text) : text;
    int result = MsgBoxShow(parent, shown, caption, buttons, RichMessageFlags(flags, charset, code), timeout);
    WaitPumping(0, 100);
    return result;
}

void ShowErrorMessage(HWND owner, const Text& text, const Text& caption, const Text& buttons, int charset) {
    Text words = buttons;
    Text title = caption;
    DefaultBoxWords(words, title, 0);
    RichMessage(owner, text, title, words, charset, boxflags::kError, 0);
}

void ShowWarningMessage(HWND owner, const Text& text, const Text& caption, const Text& buttons, int charset,
                        int timeout) {
    Text words = buttons;
    Text title = caption;
    DefaultBoxWords(words, title, 1);
    RichMessage(owner, text, title, words, charset, boxflags::kWarning, timeout);
}

bool AskYesNo(HWND owner, const Text& text, const Text& caption, const Text& buttons, int charset, int timeout) {
    Text words = buttons;
    Text title = caption;
    DefaultBoxWords(words, title, 2);
    return RichMessage(owner, text, title, words, charset, boxflags::kQuestionYesNo, timeout) == IDYES;
}

bool AskOkCancel(HWND owner, const Text& text, const Text& caption, const Text& buttons, int charset) {
    Text words = buttons;
    Text title = caption;
    DefaultBoxWords(words, title, 2);
    return RichMessage(owner, text, title, words, charset, boxflags::kQuestionOkCancel, 0) == IDOK;
}

void SetAutoPlayCancel(bool on) {
    BoxSettings().autoPlayMessage = on ? RegisterWindowMessageA("QueryCancelAutoPlay") : 0;
}

UINT AutoPlayCancelMessage() { return BoxSettings().autoPlayMessage; }
