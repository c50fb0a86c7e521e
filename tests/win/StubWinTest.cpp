// The stub window in this process: its loop runs with a tick of the test's
// own that looks at the window from inside, as the setup flow will work.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "stub/StubWin.h"
#include "ui/VMsgBox.h"
#include "util/Files.h"
#include "util/Handles.h"
#include "util/Numbers.h"
#include "util/Utils.h"

namespace {

bool FolderExists(const Text& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FolderIsEmpty(const Text& folder) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
    bool empty = true;
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (lstrcmpA(found.cFileName, ".") != 0 && lstrcmpA(found.cFileName, "..") != 0) empty = false;
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    return empty;
}

// TEMP\SETUP_ + the time word of this program, worked out without the code
// under test.
Text ExpectedWorkFolder() {
    HANDLE file = CreateFileA(OwnExePath(false).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    FILETIME written{}, local{};
    GetFileTime(file, nullptr, nullptr, &written);
    CloseHandle(file);
    FileTimeToLocalFileTime(&written, &local);
    WORD date = 0, time = 0;
    FileTimeToDosDateTime(&local, &date, &time);
    return TempFolder(true) + "SETUP_" + IntText(time);
}

// Runs first: the work folder is made once per process.
TEST(StubWin, WorkFolderIsNamedByTheTimeWordAndStartsEmpty) {
    const Text expected = ExpectedWorkFolder();
    CreateDirectoryA(expected.c_str(), nullptr);
    WriteTextToFile(expected + "\\left.over", "old", 0, false);
    EXPECT_EQ(WorkFolder(), expected);
    EXPECT_TRUE(FolderExists(expected));
    EXPECT_TRUE(FolderIsEmpty(expected + "\\"));
    EXPECT_EQ(WorkFolder(), expected);
}

struct Geometry {
    RECT rect;
    LONG style;
    bool visible;
};

Geometry GeometryOf(HWND child) {
    Geometry g{{}, GetWindowLongA(child, GWL_STYLE), IsWindowVisible(child) != 0};
    GetWindowRect(child, &g.rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&g.rect), 2);
    return g;
}

void ExpectPlace(const Geometry& g, int x, int y, int width, int height, const char* what) {
    EXPECT_EQ(g.rect.left, x) << what;
    EXPECT_EQ(g.rect.top, y) << what;
    EXPECT_EQ(g.rect.right - g.rect.left, width) << what;
    EXPECT_EQ(g.rect.bottom - g.rect.top, height) << what;
}

struct Seen {
    Text caption;
    bool windowVisible = true;
    LONG windowStyle = 0;
    RECT windowRect{};
    Geometry status{}, progress{}, activity{};
    int rangeHigh = 0;
    int position = 0;
    std::vector<int> activityPositions;
    int positionAfterSteps = 0;
    int progBarRange = 0;
    LRESULT autoPlayBefore = -1;
    LRESULT autoPlayWhileAsked = -1;
};
Seen g_seen;

int RangeHigh(HWND bar) { return static_cast<int>(SendMessageA(bar, PBM_GETRANGE, FALSE, 0)); }
int Position(HWND bar) { return static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0)); }

void InspectingTick() {
    HWND window = StubWindow();
    KillTimer(window, 1);
    g_seen.caption = WindowTextOf(window);
    g_seen.windowVisible = IsWindowVisible(window) != 0;
    g_seen.windowStyle = GetWindowLongA(window, GWL_STYLE);
    GetWindowRect(window, &g_seen.windowRect);
    g_seen.status = GeometryOf(StatusLine());
    g_seen.progress = GeometryOf(ProgressBar());
    g_seen.activity = GeometryOf(ActivityBar());
    StubProgressProc(0, 0, 70000, 5, 2, "ignored");
    g_seen.rangeHigh = RangeHigh(ProgressBar());
    g_seen.position = Position(ProgressBar());
    for (int i = 0; i < 6; ++i) {
        StubProgressProc(1, 0, 0, 0, 0, "text");
        g_seen.activityPositions.push_back(Position(ActivityBar()));
    }
    g_seen.positionAfterSteps = Position(ProgressBar());
    const UINT autoPlay = RegisterWindowMessageA("QueryCancelAutoPlay");
    g_seen.autoPlayBefore = SendMessageA(window, autoPlay, 0, 0);
    SetAutoPlayCancel(true);
    g_seen.autoPlayWhileAsked = SendMessageA(window, autoPlay, 0, 0);
    SetAutoPlayCancel(false);
    EnsureProgBar().Start(0, 11);
    g_seen.progBarRange = &EnsureProgBar() == &EnsureProgBar() ? RangeHigh(ProgressBar()) : -1;
    DestroyWindow(window);
}

TEST(StubWin, WindowChildrenAndProgressReports) {
    SetStubTick(InspectingTick);
    stubwin::WinMain();
    EXPECT_EQ(StubWindow(), nullptr);
    EXPECT_EQ(g_seen.caption, "Vesko Installation Suite");
    EXPECT_FALSE(g_seen.windowVisible);
    EXPECT_EQ(static_cast<DWORD>(g_seen.windowStyle) & 0x02C80000u, 0x02C80000u);
    EXPECT_EQ(g_seen.windowRect.right - g_seen.windowRect.left, 492);
    EXPECT_EQ(g_seen.windowRect.bottom - g_seen.windowRect.top, 110);
    ExpectPlace(g_seen.status, 70, 20, 340, 18, "status line");
    ExpectPlace(g_seen.progress, 70, 38, 392, 13, "progress bar");
    ExpectPlace(g_seen.activity, 416, 20, 46, 13, "activity bar");
    EXPECT_EQ(static_cast<DWORD>(g_seen.status.style), 0x50000000u);
    EXPECT_FALSE(g_seen.activity.visible);
    EXPECT_EQ(g_seen.rangeHigh, 70000 & 0xFFFF);
    EXPECT_EQ(g_seen.position, 5);
    EXPECT_EQ(g_seen.activityPositions, (std::vector<int>{1, 2, 3, 4, 5, 0}));
    EXPECT_EQ(g_seen.positionAfterSteps, 17);
    EXPECT_EQ(g_seen.progBarRange, 11);
    EXPECT_EQ(g_seen.autoPlayBefore, 0);       // the default processing
    EXPECT_EQ(g_seen.autoPlayWhileAsked, 1);   // AutoPlay refused
}

struct CloseSeen {
    bool afterFirst = false;
    bool abortedAfterFirst = false;
    bool goneAfterSecond = false;
    Text folder;
};
CloseSeen g_close;

void ClosingTick() {
    KillTimer(StubWindow(), 1);
    g_close.folder = WorkFolder();
    WriteTextToFile(g_close.folder + "\\piece.bin", "data", 0, false);
    SetDownloadAbort(false);
    SendMessageA(StubWindow(), WM_CLOSE, 0, 0);
    g_close.afterFirst = StubWindow() != nullptr;
    g_close.abortedAfterFirst = DownloadAborted();
    if (StubWindow() != nullptr) SendMessageA(StubWindow(), WM_CLOSE, 0, 0);
    g_close.goneAfterSecond = StubWindow() == nullptr;
}

TEST(StubWin, FirstCloseAbortsTheDownloadSecondEndsTheWindow) {
    SetStubTick(ClosingTick);
    stubwin::WinMain();
    EXPECT_TRUE(g_close.afterFirst);
    EXPECT_TRUE(g_close.abortedAfterFirst);
    EXPECT_TRUE(g_close.goneAfterSecond);
    EXPECT_FALSE(FolderExists(g_close.folder));
    EXPECT_TRUE(DownloadAborted());
}

TEST(StubWin, StatusTextReadsRightToLeftForHebrewAndArabic) {
    win::Window parent(CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 200, 50, nullptr, nullptr, nullptr, nullptr));
    win::Window control(
        CreateWindowExA(0, "Static", "", WS_CHILD, 0, 0, 100, 20, parent.get(), nullptr, nullptr, nullptr));
    const struct {
        int charset;
        DWORD style, exStyle;
    } cases[] = {
        {177, WS_CHILD | WS_VISIBLE | SS_RIGHT, WS_EX_RTLREADING},
        {178, WS_CHILD | WS_VISIBLE | SS_RIGHT, WS_EX_RTLREADING},
        {0, WS_CHILD | WS_VISIBLE, 0},
    };
    for (const auto& c : cases) {
        SetStatusText(control.get(), "Extracting Files...", "Tahoma", c.charset, 8);
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(control.get(), GWL_STYLE)), c.style) << c.charset;
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(control.get(), GWL_EXSTYLE)) & WS_EX_RTLREADING, c.exStyle);
        EXPECT_EQ(WindowTextOf(control.get()), "Extracting Files...");
        LOGFONTA font{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(control.get(), WM_GETFONT, 0, 0)), sizeof font, &font);
        EXPECT_EQ(font.lfHeight, -PointsToPixels(8));
        EXPECT_EQ(font.lfCharSet, c.charset);
    }
}

}  // namespace
