// boxdemo: shows the program's message boxes and its stub window from the
// command line and prints how they were answered, for the end-to-end
// scenarios and the screenshots (no setup flow needed).
//
//   boxdemo error|warning|yesno|okcancel TEXT [box options]
//   boxdemo rich TEXT --flags=N [box options]
//       --owner=N --caption=C --buttons=LIST --charset=N --timeout=MS
//       --font=FACE,SIZE,CHARSET --repeat=N (the text N times)
//       prints "result=N" (rich), "answer=TRUE|FALSE" (questions) or "done"
//   boxdemo stubwin [--lang=TABLE] [--download] [--progress=MAX,STEPS]
//       the stub window shown with its status line and bars; with
//       --download a download runs until the first close ("abort=TRUE");
//       prints "workfolder=gone|kept" when the window has ended
//   boxdemo hold CLASS
//       a small window of that class until it is closed
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "package/PackX.h"
#include "stub/Stub.h"
#include "stub/StubWin.h"
#include "text/VSUB.h"
#include "ui/VMsgBox.h"
#include "util/Files.h"
#include "util/Numbers.h"
#include "util/Platform.h"
#include "util/Utils.h"

namespace {

struct Options {
    Text command;
    Text text;
    uintptr_t owner = 0;
    Text caption;
    Text buttons;
    int charset = 0;
    int timeout = 0;
    uint32_t flags = 0;
    Text lang;
    bool download = false;
    int progressMax = 10;
    int progressSteps = 6;
};

Options g_options;

bool Take(const Text& arg, const char* name, Text& value) {
    Text prefix = Text(name) + "=";
    if (arg.compare(0, prefix.size(), prefix) != 0) return false;
    value = arg.substr(prefix.size());
    return true;
}

void ApplyFont(const Text& font) {
    Text face = TextBefore(font, ",", font);
    Text rest = TextAfter(font, ",", "");
    MsgBoxSetFont(face, static_cast<int>(ParseInt64Or(TextBefore(rest, ",", rest), 0)),
                  static_cast<int>(ParseInt64Or(TextAfter(rest, ",", "1"), 1)));
}

bool ParseOption(const Text& arg, Options& o) {
    Text value;
    if (Take(arg, "--owner", value)) o.owner = static_cast<uintptr_t>(ParseInt64Or(value, 0));
    else if (Take(arg, "--caption", value)) o.caption = value;
    else if (Take(arg, "--buttons", value)) o.buttons = value;
    else if (Take(arg, "--charset", value)) o.charset = static_cast<int>(ParseInt64Or(value, 0));
    else if (Take(arg, "--timeout", value)) o.timeout = static_cast<int>(ParseInt64Or(value, 0));
    else if (Take(arg, "--flags", value)) o.flags = static_cast<uint32_t>(std::strtoul(value.c_str(), nullptr, 0));
    else if (Take(arg, "--font", value)) ApplyFont(value);
    else if (Take(arg, "--lang", value)) o.lang = value;
    else if (Take(arg, "--repeat", value)) {
        Text once = o.text;
        for (int64_t i = 1; i < ParseInt64Or(value, 1); ++i) o.text += once;
    } else if (Take(arg, "--progress", value)) {
        o.progressMax = static_cast<int>(ParseInt64Or(TextBefore(value, ",", value), 10));
        o.progressSteps = static_cast<int>(ParseInt64Or(TextAfter(value, ",", "6"), 6));
    } else if (arg == "--download") o.download = true;
    else return false;
    return true;
}

int ShowBox(const Options& o) {
    HWND owner = BoxOwner(o.owner);
    if (o.command == "error") {
        ShowErrorMessage(owner, o.text, o.caption, o.buttons, o.charset);
    } else if (o.command == "warning") {
        ShowWarningMessage(owner, o.text, o.caption, o.buttons, o.charset, o.timeout);
    } else if (o.command == "yesno" || o.command == "okcancel") {
        bool yes = o.command == "yesno" ? AskYesNo(owner, o.text, o.caption, o.buttons, o.charset, o.timeout)
                                        : AskOkCancel(owner, o.text, o.caption, o.buttons, o.charset);
        std::printf("answer=%s\n", BoolText(yes).c_str());
        return 0;
    } else {
        std::printf("result=%d\n", RichMessage(owner, o.text, o.caption, o.buttons, o.charset, o.flags, o.timeout));
        return 0;
    }
    std::printf("done\n");
    return 0;
}

// The first tick: the window shows a running extraction (or download) and
// waits, as a long operation does, until the window goes.
void DemoTick() {
    KillTimer(StubWindow(), 1);
    ShowWindow(StubWindow(), SW_SHOW);
    const TGFileInfo& package = OwnPackage();
    SetStatusText(StatusLine(), package.GetText("s1", "Extracting Files..."), package.FontName(),
                  package.Charset(), package.FontSize());
    ShowWindow(ActivityBar(), g_options.download ? SW_SHOW : SW_HIDE);
    StubProgressProc(0, 0, g_options.progressMax, 0, 1, Text());
    for (int i = 0; i < g_options.progressSteps; ++i) StubProgressProc(1, 0, 0, 0, 0, Text());
    WriteTextToFile(WorkFolder() + "\\piece.bin", "extracted", 0, false);
    std::printf("workfolder=%s\n", WorkFolder().c_str());
    std::fflush(stdout);
    if (g_options.download) {
        SetDownloadAbort(false);
        while (StubWindow() != nullptr && !DownloadAborted()) WaitPumping(0, 50);
        std::printf("abort=%s\n", BoolText(DownloadAborted()).c_str());
        std::fflush(stdout);
    }
    while (StubWindow() != nullptr) WaitPumping(0, 50);
}

int ShowStubWindow(const Options& o) {
    auto package = std::make_unique<TGFileInfo>(Text());
    package->LangTable = o.lang.empty() ? Text(1, '\x02') : o.lang;
    SetOwnPackage(std::move(package));
    SetStubTick(DemoTick);
    stubwin::WinMain();
    std::printf("workfolder=%s\n", platform::FolderExists(WorkFolder()) ? "kept" : "gone");
    return 0;
}

LRESULT CALLBACK HoldProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

int HoldClass(const Text& className) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = HoldProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className.c_str();
    if (!RegisterClassA(&windowClass)) return 1;
    HWND window = CreateWindowExA(0, className.c_str(), "hold", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 80,
                                  nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr) return 1;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    UnregisterClassA(className.c_str(), windowClass.hInstance);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    PreloadLibraries();
    if (argc < 2) return 2;
    Options& o = g_options;
    o.command = argv[1];
    int first = 2;
    if (o.command != "stubwin") {
        if (argc < 3) return 2;
        o.text = argv[2];
        first = 3;
    }
    if (o.command == "hold") return HoldClass(o.text);
    for (int i = first; i < argc; ++i) {
        if (!ParseOption(argv[i], o)) {
            std::fprintf(stderr, "boxdemo: unknown option %s\n", argv[i]);
            return 2;
        }
    }
    int code = o.command == "stubwin" ? ShowStubWindow(o) : ShowBox(o);
    std::fflush(stdout);
    return code;
}
