// The run-mode dispatch, the stub window with its children, timer, loop and
// progress procedure, the status text, the download abort flag and the work
// folder. The image carries its per-build block here.
#include "stub/StubWin.h"

#include <commctrl.h>

#include <cstddef>
#include <utility>
#include <vector>

#include "stub/RunMode.h"
#include "stub/Stub.h"
#include "stub/StubSetup.h"
#include "ui/BoxMarkup.h"
#include "ui/VMsgBox.h"
#include "util/Files.h"
#include "util/Handles.h"
#include "util/Numbers.h"
#include "util/Platform.h"
#include "util/Utils.h"
#include "util/VDebug.h"

// The per-build block that the builder fills between its two marks. Nothing
// reads it; the linker keeps it (see the stub's link options).
extern "C" const char StubBuildBlock[80];
extern "C" const char StubBuildBlock[80] =
    "RAMAT*gan"
    "............................................................."
    "KFAR*saba";
static_assert(sizeof(StubBuildBlock) == 79 + 1, "79 characters and the terminating NUL");

namespace {

constexpr UINT_PTR kHeartbeat = 1;
constexpr UINT kHeartbeatMs = 1000;
constexpr int kWidth = 492;
constexpr int kHeight = 110;
constexpr DWORD kWindowStyle = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;  // 0x02C80000
constexpr char kDefaultCaption[] = "Vesko Installation Suite";
constexpr int kActivitySteps = 5;

void FirstTick();

struct StubState {
    win::Window window;
    HWND status = nullptr;
    HWND progress = nullptr;
    HWND activity = nullptr;
    bool loopExit = false;
    int activityCounter = 0;
    bool downloadAborted = false;
    StubTick tick = FirstTick;
    Text workFolder;  // empty until first made
    // Fonts given to status controls; a control's new font replaces its old.
    std::vector<std::pair<HWND, win::GdiObject>> statusFonts;
};

StubState& State() {
    static StubState state;
    return state;
}

// A setup's first tick runs the setup flow. An agent's window has no tick
// of its own yet: its first tick ends the loop with exit code 0.
void FirstTick() {
    if (!ThisIs_AutoUpdateProg()) {
        StartSetup();
        return;
    }
    HWND window = State().window.get();
    KillTimer(window, kHeartbeat);
    DestroyWindow(window);
}

bool RightToLeft() { return IsRightToLeftCharset(OwnPackage().Charset()); }

void KeepStatusFont(HWND control, HFONT font) {
    for (auto& entry : State().statusFonts) {
        if (entry.first == control) {
            entry.second.reset(font);
            return;
        }
    }
    State().statusFonts.emplace_back(control, win::GdiObject(font));
}

HWND CreateChild(HWND parent, const char* windowClass, DWORD style, int x, int y, int width, int height) {
    return CreateWindowExA(0, windowClass, "", style, x, y, width, height, parent, nullptr, GetModuleHandleA(nullptr),
                           nullptr);
}

void CreateChildren(HWND window) {
    StubState& state = State();
    const bool rtl = RightToLeft();
    state.status = CreateChild(window, "Static", WS_CHILD | WS_VISIBLE, rtl ? 122 : 70, 20, 340, 18);
    state.progress = CreateChild(window, PROGRESS_CLASSA, WS_CHILD | WS_VISIBLE, 70, 38, 392, 13);
    state.activity = CreateChild(window, PROGRESS_CLASSA, WS_CHILD, rtl ? 70 : 416, 20, 46, 13);
    SetTimer(window, kHeartbeat, kHeartbeatMs, nullptr);
    HFONT font = CreateFontA(-11, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Tahoma");
    SendMessageA(state.status, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    KeepStatusFont(state.status, font);
}

void PaintStubWindow(HWND window) {
    HDC dc = GetDC(window);
    RECT client;
    GetClientRect(window, &client);
    win::GdiObject face(CreateSolidBrush(GetSysColor(COLOR_BTNFACE)));
    FillRect(dc, &client, static_cast<HBRUSH>(face.get()));
    if (HICON icon = LoadIconA(GetModuleHandleA(nullptr), "MainIcon")) DrawIcon(dc, 18, 20, icon);
    ReleaseDC(window, dc);
}

LRESULT HandleStubMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            CreateChildren(window);
            break;
        case WM_DESTROY:
            Trace() << "- wm_Destroy -" << trace::endl;
            DestroyMainWindow();
            break;
        case WM_NCDESTROY:
            State().window.release();
            State().status = State().progress = State().activity = nullptr;
            break;
        case WM_PAINT:
            PaintStubWindow(window);
            break;
        case WM_CLOSE:
            if (!CloseMainWindow()) return 0;
            break;
        case WM_QUIT:
            Trace() << "- wm_Quit -" << trace::endl;
            DestroyMainWindow();
            break;
        case WM_TIMER:
            if (State().tick != nullptr) State().tick();
            break;
        default:
            if (message != 0 && message == AutoPlayCancelMessage()) return 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK StubWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) State().window.reset(window);
    try {
        return HandleStubMessage(window, message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind into the system's dispatcher.
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

win::WindowClass RegisterStubClass(const Text& className) {
    WNDCLASSA windowClass{};
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = StubWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hIcon = LoadIconA(windowClass.hInstance, "MainIcon");
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = className.c_str();
    return win::WindowClass(windowClass.hInstance, RegisterClassA(&windowClass));
}

void RunLoop() {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
        // A quit message that a wait inside the dispatch took and dropped
        // still ends the loop.
        if (State().loopExit) break;
    }
}

// The low 16 bits of the file's last-write time as a local DOS date-time.
unsigned DosTimeWordOf(const Text& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    FILETIME local{};
    WORD date = 0;
    WORD time = 0;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        !FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToDosDateTime(&local, &date, &time))
        return 0;
    return time;
}

}  // namespace

void DoRunStubWin() {
    StubLog("DoRunStubWin() --- Start");
    const Text className = StubClassName();
    const bool wasRunning = X_ExeIsRunning();
    StubLog("X_ExeIsRunning=" + BoolText(wasRunning));
    StubLog("ThisIs_Plain_AutoUpdate_Exe=" + BoolText(ThisIs_Plain_AutoUpdate_Exe()));
    StubLog("ThisIs_X_AutoUpdate_Exe=" + BoolText(ThisIs_X_AutoUpdate_Exe()));
    // A second start of the same setup ends quietly. The agent programs
    // hand over to their copies (not built yet) and keep no window here.
    if (FindWindowA(className.c_str(), nullptr) == nullptr && !ThisIs_Plain_AutoUpdate_Exe() &&
        !ThisIs_X_AutoUpdate_Exe()) {
        if (IsCdSetFirstStage()) {
            HandOverToCdCopy();
        } else {
            stubwin::WinMain();
            if (IsCdSetSecondStage()) DeleteMySelf(true);
        }
    }
    StubLog("DoRunStubWin() --- End");
}

Text StubClassName() { return StubClassNameFor(ThisIs_AutoUpdateProg(), OwnExePath(false)); }

void SetStubTick(StubTick tick) { State().tick = tick; }

void stubwin::WinMain() {
    StubState& state = State();
    state.loopExit = false;
    state.activityCounter = 0;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    const Text className = StubClassName();
    win::WindowClass windowClass = RegisterStubClass(className);
    int left = 0;
    int top = 0;
    CentreInWorkArea(kWidth, kHeight, left, top);
    const Text caption = OwnPackage().GetText("s0", kDefaultCaption);
    CreateWindowExA(0, className.c_str(), caption.c_str(), kWindowStyle, left, top, kWidth, kHeight, nullptr,
                    nullptr, GetModuleHandleA(nullptr), nullptr);
    MsgBoxSetFont(OwnPackage().FontName(), OwnPackage().FontSize(), OwnPackage().Charset());
    if (state.window.valid()) {
        ShowWindow(state.window.get(), SW_HIDE);
        RunLoop();
    }
    if (state.window.valid()) KillTimer(state.window.get(), kHeartbeat);
    SetDownloadAbort(true);
    state.window.reset();
    // The quit message that ended this loop must not end the next one.
    MSG quit;
    PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

bool CloseMainWindow() {
    StubLog(".. CloseMainWindow() - Start");
    bool result = DownloadAborted();
    if (!result) SetDownloadAbort(true);
    StubLog(".. CloseMainWindow() - End");
    return result;
}

void DestroyMainWindow() {
    StubLog(".. DestroyMainWindow() - Start");
    SetDownloadAbort(true);
    // Only a folder this process made: another copy may be using its own.
    if (!State().workFolder.empty()) DeleteTree(State().workFolder, false);
    PostQuitMessage(0);
    State().loopExit = true;
    StubLog(".. DestroyMainWindow() - End");
}

HWND StubWindow() { return State().window.get(); }
HWND StatusLine() { return State().status; }
HWND ProgressBar() { return State().progress; }
HWND ActivityBar() { return State().activity; }

void StubProgressProc(int mode, int reserved, int max, int position, int step, const Text&) {
    StubState& state = State();
    if (mode == 0) {
        SendMessageA(state.progress, PBM_SETRANGE, static_cast<WPARAM>(reserved), MAKELPARAM(0, max & 0xFFFF));
        SendMessageA(state.progress, PBM_SETPOS, static_cast<WPARAM>(position), 0);
        SendMessageA(state.progress, PBM_SETSTEP, static_cast<WPARAM>(step), 0);
        SendMessageA(state.activity, PBM_SETRANGE, 0, MAKELPARAM(0, kActivitySteps));
        SendMessageA(state.activity, PBM_SETPOS, 0, 0);
        SendMessageA(state.activity, PBM_SETSTEP, 1, 0);
    } else if (mode == 1) {
        SendMessageA(state.progress, PBM_STEPIT, 0, 0);
        if (++state.activityCounter > kActivitySteps) state.activityCounter = 0;
        SendMessageA(state.activity, PBM_SETPOS, static_cast<WPARAM>(state.activityCounter), 0);
    }
}

TProgBar& EnsureProgBar() {
    // Lives until the process ends: a destructor at exit would report to
    // windows that are gone.
    static TProgBar* bar = new TProgBar(StubProgressProc);
    return *bar;
}

void SetStatusText(HWND control, const Text& text, const Text& fontName, int charset, int size) {
    if (IsRightToLeftCharset(charset)) {
        SetWindowLongA(control, GWL_EXSTYLE, WS_EX_RTLREADING);
        SetWindowLongA(control, GWL_STYLE, WS_CHILD | WS_VISIBLE | SS_RIGHT);
    } else {
        SetWindowLongA(control, GWL_EXSTYLE, 0);
        SetWindowLongA(control, GWL_STYLE, WS_CHILD | WS_VISIBLE);
    }
    HFONT font = CreateFontA(-PointsToPixels(size), 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE,
                             static_cast<BYTE>(charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH, fontName.c_str());
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    KeepStatusFont(control, font);
    SetWindowTextA(control, text.c_str());
}

bool DownloadAborted() { return State().downloadAborted; }

void SetDownloadAbort(bool aborted) { State().downloadAborted = aborted; }

Text WorkFolder() {
    StubState& state = State();
    if (!state.workFolder.empty()) return state.workFolder;
    Text folder = TempFolder(true) + "SETUP_" + IntText(DosTimeWordOf(OwnExePath(false)));
    if (platform::FolderExists(folder)) DeleteTree(folder, true);
    MakeFolderTree(folder);
    state.workFolder = folder;
    return folder;
}
