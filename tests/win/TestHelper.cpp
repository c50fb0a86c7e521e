// Support for the tests of the file and process utilities: fresh folders,
// helper processes and a trace collector. A copy of the test program started
// with "--helper=MODE" becomes a helper before any test is set up:
//   hidden    two windows, untitled, invisible and unowned
//   owner     a titled visible window "Plain", then an untitled invisible
//             "OwnerWindow" that owns two untitled invisible windows
//   deleteme  leaves the batch file that deletes the helper and its folder
// Window helpers signal the event "StubTestHelperReady-<pid>" once their
// windows exist and serve their queue: WM_APP ends them with wParam + lParam
// as exit code, a destroyed window with kClosedExitCode, WM_QUIT with its
// wParam; after a minute they end by themselves.
#include "tests/win/TestHelper.h"

#include <cstdlib>

#include "util/Files.h"
#include "util/Numbers.h"
#include "util/Utils.h"
#include "util/VDebug.h"

namespace testing_support {
namespace {

constexpr char kHelperSwitch[] = "--helper=";
constexpr UINT kSelfEndMs = 60000;
constexpr DWORD kStartMs = 20000;

Text ReadyEventName(DWORD processId) { return "StubTestHelperReady-" + IntText(processId); }

LRESULT CALLBACK HelperWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) {
        PostQuitMessage(static_cast<int>(wParam + lParam));
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(kClosedExitCode);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeWindow(const char* className, const char* title, DWORD style, HWND owner) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = HelperWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);  // a second window of a class finds it registered
    return CreateWindowExA(0, className, title, style, 0, 0, 120, 80, owner, nullptr, windowClass.hInstance,
                           nullptr);
}

void MakeWindows(const Text& mode) {
    if (mode == "hidden") {
        MakeWindow("HiddenWindow", "", WS_OVERLAPPED, nullptr);
        MakeWindow("HiddenWindow", "", WS_OVERLAPPED, nullptr);
        return;
    }
    MakeWindow("PlainWindow", "Plain", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr);
    HWND owner = MakeWindow("OwnerWindow", "", WS_OVERLAPPED, nullptr);
    MakeWindow("OwnedWindow", "", WS_OVERLAPPED, owner);
    MakeWindow("OwnedWindow", "", WS_OVERLAPPED, owner);
}

[[noreturn]] void ServeWindows(const Text& mode) {
    MakeWindows(mode);
    SetTimer(nullptr, 0, kSelfEndMs, nullptr);
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);  // the queue exists before anyone posts
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, ReadyEventName(GetCurrentProcessId()).c_str());
    if (ready != nullptr) SetEvent(ready);
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd == nullptr) ExitProcess(kTimedOutExitCode);
        DispatchMessageA(&message);
    }
    ExitProcess(static_cast<UINT>(message.wParam));
}

bool RunAsHelperWhenAsked() {
    const Text commandLine = GetCommandLineA();
    size_t at = commandLine.find(kHelperSwitch);
    if (at == Text::npos) return false;
    const Text mode = commandLine.substr(at + sizeof kHelperSwitch - 1);
    if (mode == "deleteme") {
        DeleteMySelf(true);
        ExitProcess(0);
    }
    ServeWindows(mode);
}

const bool g_isHelper = RunAsHelperWhenAsked();

Text ScratchRoot() {
    const char* fromCtest = std::getenv("STUB_TEST_TMP");
    if (fromCtest != nullptr && *fromCtest != 0) {
        // ctest hands a Unix path; made absolute it gains its drive (Z:), so
        // that it compares equal with the paths Windows reports.
        Text root = ReplaceChar(fromCtest, '/', '\\');
        char full[MAX_PATH];
        DWORD length = GetFullPathNameA(root.c_str(), MAX_PATH, full, nullptr);
        if (length > 0 && length < MAX_PATH) root = full;
        CreateDirectoryA(root.c_str(), nullptr);
        if (FolderExists(root)) return root;
    }
    return TempFolder(false);
}

Text g_traceText;
UINT g_traceMessage = 0;

LRESULT CALLBACK CollectorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == g_traceMessage && message != 0) {
        char chunk[256] = {};
        GlobalGetAtomNameA(static_cast<ATOM>(lParam), chunk, sizeof chunk);
        g_traceText += chunk;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

bool FolderExists(const Text& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileExists(const Text& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void RemoveFolderTree(const Text& folder) {
    WIN32_FIND_DATAA found;
    win::FindHandle find(FindFirstFileA((folder + "\\*").c_str(), &found));
    if (find.valid()) {
        do {
            const Text name = found.cFileName;
            const Text path = folder + "\\" + name;
            if (name == "." || name == "..") continue;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                RemoveFolderTree(path);
            } else {
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find.get(), &found));
    }
    find.reset();
    RemoveDirectoryA(folder.c_str());
}

ScratchFolder::ScratchFolder(const Text& name) {
    static int counter = 0;
    path_ = ScratchRoot() + "\\" + name + "-" + IntText(GetCurrentProcessId()) + "-" + IntText(++counter);
    RemoveFolderTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
}

bool CopyTestProgram(const Text& path) { return CopyFileA(OwnExePath(false).c_str(), path.c_str(), FALSE) != 0; }

Helper::Helper(const Text& exePath, const char* mode) {
    Text commandLine = "\"" + exePath + "\" " + kHelperSwitch + mode;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(exePath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        nullptr, &startup, &started))
        return;
    process_.reset(started.hProcess);
    win::KernelHandle thread(started.hThread);
    id_ = started.dwProcessId;
    win::KernelHandle readyEvent(CreateEventA(nullptr, TRUE, FALSE, ReadyEventName(id_).c_str()));
    ResumeThread(thread.get());
    HANDLE either[] = {readyEvent.get(), process_.get()};
    ready_ = readyEvent.valid() && WaitForMultipleObjects(2, either, FALSE, kStartMs) == WAIT_OBJECT_0;
}

Helper::~Helper() {
    if (Running()) End(1);
}

void Helper::End(DWORD exitCode) const {
    TerminateProcess(process_.get(), exitCode);
    WaitForSingleObject(process_.get(), kStartMs);
}

bool Helper::Ended(DWORD milliseconds, DWORD& exitCode) const {
    return process_.valid() && WaitForSingleObject(process_.get(), milliseconds) == WAIT_OBJECT_0 &&
           GetExitCodeProcess(process_.get(), &exitCode);
}

bool Helper::Running() const {
    return process_.valid() && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

TraceCollector::TraceCollector() {
    SetUpTrace();
    g_traceMessage = RegisterWindowMessageA(trace::kViewerMessage);
    g_traceText.clear();
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = CollectorProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = trace::kViewerClass;
    class_ = win::WindowClass(windowClass.hInstance, RegisterClassA(&windowClass));
    if (!class_.valid()) return;
    window_.reset(CreateWindowA(trace::kViewerClass, "", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                                windowClass.hInstance, nullptr));
}

const Text& TraceCollector::text() const { return g_traceText; }

}  // namespace testing_support
