// uibot: answers a program's window the way a person would, for the
// end-to-end scenarios under Wine. Waits for a top-level window of a class or
// caption, prints what it shows (caption, texts, buttons, optionally the
// bold characters and every child's geometry and styles), then acts.
//
//   uibot (--class=NAME | --title=TEXT) [--timeout=MS] [--bold] [--geometry]
//         [--click=CAPTION | --mouse=CAPTION | --key=K | --alt=K | --vk=N | --close | --none]
//         [--gone=MS]
//
// --key presses a key without Alt (a letter or "Enter", "Escape", "Tab",
// "Left", "Right"), --alt=K presses Alt+K, --vk a virtual-key code; keys
// go to the window that has the focus in the program's UI thread. --close
// sends the window's Close command. --gone waits that long for the window to
// disappear and prints "gone" or "still there". Exit code 0 when the window
// was found, 1 when not, 2 for wrong arguments.
#include <windows.h>
#include <richedit.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Text = std::string;

struct Options {
    Text windowClass;
    Text title;
    int timeout = 20000;
    bool bold = false;
    bool geometry = false;
    Text action = "none";
    Text argument;
    int gone = -1;
};

bool TakeOption(const Text& arg, const char* name, Text& value) {
    Text prefix = Text(name) + "=";
    if (arg.compare(0, prefix.size(), prefix) != 0) return false;
    value = arg.substr(prefix.size());
    return true;
}

bool ParseOptions(int argc, char** argv, Options& options) {
    static const char* const kActions[] = {"--click", "--mouse", "--key", "--alt", "--vk"};
    for (int i = 1; i < argc; ++i) {
        Text arg = argv[i];
        Text value;
        bool known = false;
        if (TakeOption(arg, "--class", options.windowClass) || TakeOption(arg, "--title", options.title)) continue;
        if (TakeOption(arg, "--timeout", value)) {
            options.timeout = std::atoi(value.c_str());
            continue;
        }
        if (TakeOption(arg, "--gone", value)) {
            options.gone = std::atoi(value.c_str());
            continue;
        }
        if (arg == "--bold" || arg == "--geometry") {
            (arg == "--bold" ? options.bold : options.geometry) = true;
            continue;
        }
        if (arg == "--close" || arg == "--none") {
            options.action = arg.substr(2);
            continue;
        }
        for (const char* action : kActions) {
            if (TakeOption(arg, action, options.argument)) {
                options.action = Text(action).substr(2);
                known = true;
            }
        }
        if (!known) return false;
    }
    return !options.windowClass.empty() || !options.title.empty();
}

HWND WaitForWindow(const Options& options) {
    const DWORD start = GetTickCount();
    do {
        HWND window = FindWindowA(options.windowClass.empty() ? nullptr : options.windowClass.c_str(),
                                  options.title.empty() ? nullptr : options.title.c_str());
        if (window != nullptr) return window;
        Sleep(20);
    } while (GetTickCount() - start < static_cast<DWORD>(options.timeout));
    return nullptr;
}

// A person reads a window once it shows and has stopped changing: visible,
// its program waiting for input, the same place and children twice running.
struct Snapshot {
    RECT rect;
    size_t children;
    bool operator==(const Snapshot& o) const { return EqualRect(&rect, &o.rect) && children == o.children; }
};

Snapshot SnapshotOf(HWND window) {
    Snapshot snapshot{{}, 0};
    GetWindowRect(window, &snapshot.rect);
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        ++snapshot.children;
    return snapshot;
}

void WaitUntilSettled(HWND window) {
    for (int i = 0; i < 500 && IsWindow(window) && !IsWindowVisible(window); ++i) Sleep(20);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid)) {
        WaitForInputIdle(process, 5000);
        CloseHandle(process);
    }
    Snapshot last = SnapshotOf(window);
    for (int i = 0; i < 100; ++i) {
        Sleep(50);
        Snapshot now = SnapshotOf(window);
        if (now == last) return;
        last = now;
    }
}

Text WindowText(HWND window) {
    LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0) return Text();
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    LRESULT got = SendMessageA(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
    return Text(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

Text ClassOf(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// Line breaks and tabs written as \n and \t, so that each text is one line.
Text Escaped(const Text& text) {
    Text out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        if (text[i] == '\r' || text[i] == '\n') {
            out += "\\n";
        } else if (text[i] == '\t') {
            out += "\\t";
        } else {
            out += text[i];
        }
    }
    return out;
}

bool IsButton(HWND child) {
    if (ClassOf(child) != "Button") return false;
    LONG type = GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

std::vector<HWND> Children(HWND window) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

// The bold characters of a rich-edit control in another process: each one
// is selected and its format read through memory in that process.
Text BoldCharacters(HWND control, const Text& text) {
    DWORD pid = 0;
    GetWindowThreadProcessId(control, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process == nullptr) return "?";
    void* remote = VirtualAllocEx(process, nullptr, sizeof(CHARFORMATA), MEM_COMMIT, PAGE_READWRITE);
    Text bold;
    const size_t count = text.size() < 4096 ? text.size() : 4096;
    for (size_t i = 0; remote != nullptr && i < count; ++i) {
        CHARFORMATA format{};
        format.cbSize = sizeof format;
        SIZE_T moved = 0;
        SendMessageA(control, EM_SETSEL, i, i + 1);
        WriteProcessMemory(process, remote, &format, sizeof format, &moved);
        SendMessageA(control, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(remote));
        ReadProcessMemory(process, remote, &format, sizeof format, &moved);
        bold += (format.dwMask & CFM_BOLD) && (format.dwEffects & CFE_BOLD) ? text[i] : '_';
    }
    SendMessageA(control, EM_SETSEL, 0, 0);
    if (remote != nullptr) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return bold;
}

void PrintGeometry(const char* what, HWND window, HWND parent) {
    RECT rect{};
    GetWindowRect(window, &rect);
    if (parent != nullptr) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    std::printf("%s class=%s x=%ld y=%ld w=%ld h=%ld style=0x%08lX exstyle=0x%08lX visible=%d\n", what,
                ClassOf(window).c_str(), rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                static_cast<unsigned long>(GetWindowLongA(window, GWL_STYLE)),
                static_cast<unsigned long>(GetWindowLongA(window, GWL_EXSTYLE)), IsWindowVisible(window) ? 1 : 0);
}

void PrintWindow(HWND window, const Options& options) {
    std::printf("caption=%s\n", Escaped(WindowText(window)).c_str());
    std::printf("class=%s\n", ClassOf(window).c_str());
    if (options.geometry) {
        PrintGeometry("window", window, nullptr);
        RECT client{};
        GetClientRect(window, &client);
        std::printf("client w=%ld h=%ld\n", client.right, client.bottom);
        RECT area{};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
        std::printf("workarea x=%ld y=%ld w=%ld h=%ld\n", area.left, area.top, area.right - area.left,
                    area.bottom - area.top);
    }
    HWND focus = FocusOf(window);
    for (HWND child : Children(window)) {
        const Text cls = ClassOf(child);
        if (options.geometry) PrintGeometry("child", child, window);
        if (IsButton(child)) {
            LONG type = GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK;
            std::printf("button=%s%s%s\n", WindowText(child).c_str(), child == focus ? " focused" : "",
                        type == BS_DEFPUSHBUTTON ? " default" : "");
        } else if (cls == "Static" || cls == "RICHEDIT" || cls == "RichEdit20A" || cls == "RichEdit20W") {
            const Text text = WindowText(child);
            std::printf("text[%s]=%s\n", cls.c_str(), Escaped(text).c_str());
            if (options.bold && cls != "Static") std::printf("bold=%s\n", Escaped(BoldCharacters(child, text)).c_str());
        }
    }
    std::fflush(stdout);
}

HWND ButtonNamed(HWND window, const Text& caption) {
    for (HWND child : Children(window)) {
        if (IsButton(child) && WindowText(child) == caption) return child;
    }
    return nullptr;
}

UINT VirtualKeyOf(const Text& key) {
    static const struct {
        const char* name;
        UINT key;
    } kNames[] = {{"Enter", VK_RETURN}, {"Escape", VK_ESCAPE}, {"Tab", VK_TAB},   {"Left", VK_LEFT},
                  {"Right", VK_RIGHT},  {"Up", VK_UP},         {"Down", VK_DOWN}, {"Space", VK_SPACE}};
    for (const auto& name : kNames) {
        if (key == name.name) return name.key;
    }
    if (key.size() != 1) return 0;
    char c = key[0];
    return static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
}

LPARAM KeyData(UINT virtualKey, bool up, bool alt) {
    LPARAM data = 1 | (static_cast<LPARAM>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC)) << 16);
    if (alt) data |= 1 << 29;
    if (up) data |= static_cast<LPARAM>(3u << 30);
    return data;
}

// A key press as the program's queue receives it from the keyboard.
void PressKey(HWND window, UINT virtualKey, bool alt) {
    HWND target = FocusOf(window);
    if (target == nullptr) target = window;
    if (alt) {
        // The program's TranslateMessage makes the system character of it.
        PostMessageA(target, WM_SYSKEYDOWN, virtualKey, KeyData(virtualKey, false, true));
        PostMessageA(target, WM_SYSKEYUP, virtualKey, KeyData(virtualKey, true, true));
        return;
    }
    PostMessageA(target, WM_KEYDOWN, virtualKey, KeyData(virtualKey, false, false));
    PostMessageA(target, WM_KEYUP, virtualKey, KeyData(virtualKey, true, false));
}

// A real mouse click in the middle of the button.
void MouseClick(HWND button) {
    RECT rect{};
    GetWindowRect(button, &rect);
    SetForegroundWindow(GetAncestor(button, GA_ROOT));
    SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof(INPUT));
}

bool Act(HWND window, const Options& options) {
    if (options.action == "click" || options.action == "mouse") {
        HWND button = ButtonNamed(window, options.argument);
        if (button == nullptr) {
            std::printf("no button %s\n", options.argument.c_str());
            return false;
        }
        if (options.action == "click") {
            PostMessageA(button, BM_CLICK, 0, 0);
        } else {
            MouseClick(button);
        }
    } else if (options.action == "key" || options.action == "alt" || options.action == "vk") {
        UINT key = options.action == "vk" ? static_cast<UINT>(std::strtoul(options.argument.c_str(), nullptr, 0))
                                          : VirtualKeyOf(options.argument);
        if (key == 0) return false;
        PressKey(window, key, options.action == "alt");
    } else if (options.action == "close") {
        PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    return true;
}

void WaitGone(HWND window, int milliseconds) {
    const DWORD start = GetTickCount();
    while (IsWindow(window) && GetTickCount() - start < static_cast<DWORD>(milliseconds)) Sleep(20);
    std::printf("%s\n", IsWindow(window) ? "still there" : "gone");
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: uibot (--class=NAME | --title=TEXT) [options] [action]\n");
        return 2;
    }
    HWND window = WaitForWindow(options);
    if (window == nullptr) {
        std::printf("no window\n");
        return 1;
    }
    WaitUntilSettled(window);
    PrintWindow(window, options);
    if (!Act(window, options)) return 2;
    if (options.gone >= 0) WaitGone(window, options.gone);
    std::fflush(stdout);
    return 0;
}
