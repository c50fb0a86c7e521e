// The message box and the progress object in this process: a thread timer
// plays the user while a box's modal loop runs, so each box is looked at
// and answered without another program.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <vector>

#include "ui/VMsgBox.h"
#include "ui/VProgBar.h"
#include "util/Handles.h"
#include "util/Utils.h"

namespace {

// Runs the inspection once a box of this thread shows, from the box's own
// modal loop.
class BoxProbe {
public:
    explicit BoxProbe(std::function<void(HWND)> inspect) : inspect_(std::move(inspect)) {
        current_ = this;
        timer_ = SetTimer(nullptr, 0, 30, Tick);
    }
    ~BoxProbe() {
        KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    bool ran() const { return ran_; }

private:
    static BOOL CALLBACK FindBox(HWND window, LPARAM found) {
        char name[32] = {};
        GetClassNameA(window, name, sizeof name);
        if (lstrcmpA(name, "VMsgBox") != 0 || !IsWindowVisible(window)) return TRUE;
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        HWND box = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
        if (box == nullptr || current_ == nullptr || current_->ran_) return;
        current_->ran_ = true;
        current_->inspect_(box);
    }
    static BoxProbe* current_;
    std::function<void(HWND)> inspect_;
    UINT_PTR timer_ = 0;
    bool ran_ = false;
};
BoxProbe* BoxProbe::current_ = nullptr;

std::vector<HWND> Buttons(HWND box) {
    std::vector<HWND> buttons;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char name[32] = {};
        GetClassNameA(child, name, sizeof name);
        if (lstrcmpA(name, "Button") == 0) buttons.push_back(child);
    }
    return buttons;
}

HWND TextControl(HWND box) { return FindWindowExA(box, nullptr, "RICHEDIT", nullptr); }

RECT WorkArea() {
    RECT area{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

// The box lies inside the work area.
void ExpectInsideWorkArea(HWND box, const char* what) {
    RECT rect{};
    GetWindowRect(box, &rect);
    RECT area = WorkArea();
    EXPECT_GE(rect.left, area.left) << what;
    EXPECT_GE(rect.top, area.top) << what;
    EXPECT_LE(rect.right, area.right) << what;
    EXPECT_LE(rect.bottom, area.bottom) << what;
}

void Click(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

TEST(MsgBox, HostileInputStillOpensFitsAndCanBeAnswered) {
    const Text longCaption(3000, 'C');
    // 64 KB in lines, and a paragraph of 8 KB (the emulated control wraps a
    // long paragraph in quadratic time).
    Text longText;
    for (int i = 0; i < 2200; ++i) longText += "line of a <b>long</b> message text<P>";
    Text paragraph;
    for (int i = 0; i < 1600; ++i) paragraph += "word ";
    const struct {
        const char* what;
        Text text;
        Text caption;
        Text buttons;
        uint32_t flags;
    } cases[] = {
        {"unbalanced tags", "<b>open <B>twice</b></b></B><P>x<b", "Tags", "", 0x24},
        {"64 KB of text", longText, "Long", "", 0x21},
        {"a long paragraph", paragraph + "<b>end</b>", "Paragraph", "", 0x21},
        {"caption wider than the screen", "short", longCaption, "", 0x21},
        {"missing items", "x", "Items", "|&OK|", 0x24},
        {"no delimiter", "x", "Plain", "OK Cancel", 0x21},
    };
    for (const auto& c : cases) {
        bool answered = false;
        BoxProbe probe([&](HWND box) {
            ExpectInsideWorkArea(box, c.what);
            std::vector<HWND> buttons = Buttons(box);
            ASSERT_EQ(buttons.size(), 2u) << c.what;
            answered = true;
            Click(buttons[1]);
        });
        int result = MsgBoxShow(nullptr, c.text, c.caption, c.buttons, c.flags, 0);
        EXPECT_TRUE(answered) << c.what;
        EXPECT_EQ(result, (c.flags & 0xF) == 4 ? IDNO : IDCANCEL) << c.what;
    }
}

TEST(MsgBox, LongTextsKeepAllTheirCharacters) {
    Text text;
    for (int i = 0; i < 700; ++i) text += Text(98, 'a') + "<P>";
    LRESULT length = 0;
    BoxProbe probe([&](HWND box) {
        length = SendMessageA(TextControl(box), WM_GETTEXTLENGTH, 0, 0);
        PostMessageA(box, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(MsgBoxShow(nullptr, text, "Long", "", 0, 0), 0);  // closed, not answered
    EXPECT_EQ(length, 70000);
}

// A window that is active when the box opens.
class ActiveWindow {
public:
    ActiveWindow() {
        window_.reset(CreateWindowExA(0, "Static", "previous", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                                      nullptr, nullptr, GetModuleHandleA(nullptr), nullptr));
        SetActiveWindow(window_.get());
    }
    HWND get() const { return window_.get(); }

private:
    win::Window window_;
};

TEST(MsgBox, OwnerTwoGreysCloseAndThePreviousWindowWaits) {
    ActiveWindow previous;
    ASSERT_EQ(GetActiveWindow(), previous.get());
    UINT closeState = 0;
    LONG exStyle = 0;
    BOOL previousEnabled = TRUE;
    BoxProbe probe([&](HWND box) {
        closeState = GetMenuState(GetSystemMenu(box, FALSE), SC_CLOSE, MF_BYCOMMAND);
        exStyle = GetWindowLongA(box, GWL_EXSTYLE);
        previousEnabled = IsWindowEnabled(previous.get());
        // The Close command of the window menu does nothing then.
        Click(Buttons(box)[0]);
    });
    ShowWarningMessage(BoxOwner(2), "Insert the disk", "", "", 0, 0);
    EXPECT_TRUE(closeState & MF_GRAYED);
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    EXPECT_TRUE(exStyle & WS_EX_DLGMODALFRAME);
    EXPECT_FALSE(previousEnabled);
    EXPECT_TRUE(IsWindowEnabled(previous.get()));
    EXPECT_EQ(GetActiveWindow(), previous.get());
}

TEST(MsgBox, SetsWithoutButtonsEndOnlyByCloseOrTimeout) {
    size_t buttons = 99;
    BoxProbe probe([&](HWND box) { buttons = Buttons(box).size(); });
    EXPECT_EQ(MsgBoxShow(nullptr, "no buttons", "Seven", "", 0x07, 200), 0);
    EXPECT_EQ(buttons, 0u);
}

TEST(MsgBox, TimeoutAnswersTheFirstButtonOfAnyCaption) {
    EXPECT_EQ(MsgBoxShow(nullptr, "retry?", "Timeout", "", 0x05, 150), IDRETRY);
    EXPECT_TRUE(AskYesNo(BoxOwner(1), "continue?", "", "", 0, 150));
}

TEST(MsgBox, RightToLeftCharsetsRightAlignTheText) {
    for (int charset : {177, 178, 0}) {
        LONG style = 0;
        LONG exStyle = 0;
        BoxProbe probe([&](HWND box) {
            style = GetWindowLongA(TextControl(box), GWL_STYLE);
            exStyle = GetWindowLongA(TextControl(box), GWL_EXSTYLE);
            Click(Buttons(box)[0]);
        });
        AskOkCancel(BoxOwner(1), "text", "Charset", "", charset);
        const bool rtl = charset != 0;
        EXPECT_EQ((style & ES_RIGHT) != 0, rtl) << charset;
        EXPECT_EQ((exStyle & WS_EX_RTLREADING) != 0, rtl) << charset;
    }
}

TEST(MsgBox, AutoPlayIsRefusedOnlyWhileAsked) {
    const UINT message = RegisterWindowMessageA("QueryCancelAutoPlay");
    EXPECT_EQ(AutoPlayCancelMessage(), 0u);
    SetAutoPlayCancel(true);
    EXPECT_EQ(AutoPlayCancelMessage(), message);
    LRESULT answer = 0;
    BoxProbe probe([&](HWND box) {
        answer = SendMessageA(box, message, 0, 0);
        Click(Buttons(box)[0]);
    });
    MsgBoxShow(nullptr, "Insert disk 2", "Disk", "", 1, 0);
    EXPECT_EQ(answer, 1);
    SetAutoPlayCancel(false);
    EXPECT_EQ(AutoPlayCancelMessage(), 0u);
}

// --- the progress object -------------------------------------------------------

struct ProcCall {
    int mode, reserved, max, position, step;
    Text text;
    bool operator==(const ProcCall& o) const {
        return mode == o.mode && reserved == o.reserved && max == o.max && position == o.position &&
               step == o.step && text == o.text;
    }
};
std::vector<ProcCall> g_calls;

void RecordingProc(int mode, int reserved, int max, int position, int step, const Text& text) {
    g_calls.push_back({mode, reserved, max, position, step, text});
}

TEST(ProgBar, EachOperationReachesTheProcedureAsTabled) {
    g_calls.clear();
    std::vector<std::vector<int>> events;
    {
        TProgBar bar(RecordingProc);
        bar.OnEvent = [&](TProgBar& sender, int kind, int position, int max, const Text&) {
            EXPECT_EQ(&sender, &bar);
            events.push_back({kind, position, max});
        };
        bar.Start(1, 11);
        bar.ShowCaption("setup.exe");
        bar.Advance("12 KB/s");
        bar.Finish(0, 0);
        bar.OnEvent = nullptr;
    }
    const std::vector<ProcCall> expected = {
        {0, 0, 11, 1, 1, ""}, {1, 0, 0, 0, 0, "12 KB/s"}, {0, 0, 0, 0, 1, ""},
        {0, 0, 0, 0, 1, ""},  // the destructor's Finish
    };
    EXPECT_EQ(g_calls, expected);
    EXPECT_EQ(events, (std::vector<std::vector<int>>{{1, 1, 11}, {5, 0, 0}, {2, 0, 0}, {3, 0, 0}}));
}

TEST(ProgBar, WithoutProcedureOrObserverStillDispatchesMessages) {
    win::Window window(CreateWindowExA(0, "Static", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    TProgBar bar(nullptr);
    EXPECT_FALSE(bar.Cancelled);
    for (int i = 0; i < 3; ++i) PostMessageA(window.get(), WM_NULL, 0, 0);
    bar.Start(0, 5);
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, window.get(), 0, 0, PM_NOREMOVE));
}

}  // namespace
