// tracev: a minimal trace viewer. It keeps a hidden window of class
// ".VDebug." that takes each trace chunk (a global atom sent with the
// registered message ".V_DebugMsg.") and writes it to standard output and,
// when a file is named, appends it to that file.
//
//   tracev.exe [FILE]   run until closed (Ctrl+C, or "tracev.exe /quit")
//   tracev.exe /quit    close the running viewer and wait until it is gone
//
// The file is created (empty) once the window exists, so a script can wait
// for it before it starts the program it traces.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

const char kClass[] = ".VDebug.";
const char kMessage[] = ".V_DebugMsg.";

UINT g_traceMessage = 0;
HANDLE g_file = INVALID_HANDLE_VALUE;

void Emit(const char* text, DWORD length) {
    DWORD written = 0;
    if (g_file != INVALID_HANDLE_VALUE) WriteFile(g_file, text, length, &written, nullptr);
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out != nullptr && out != INVALID_HANDLE_VALUE) WriteFile(out, text, length, &written, nullptr);
}

LRESULT CALLBACK ViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == g_traceMessage && g_traceMessage != 0) {
        // Read the atom before returning: the sender deletes it afterwards.
        char chunk[256];
        UINT length = GlobalGetAtomNameA(static_cast<ATOM>(lParam), chunk, sizeof(chunk));
        if (length > 0) Emit(chunk, length);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

BOOL WINAPI OnConsoleBreak(DWORD) {
    HWND viewer = FindWindowA(kClass, nullptr);
    if (viewer) PostMessageA(viewer, WM_CLOSE, 0, 0);
    return TRUE;
}

int QuitRunningViewer() {
    HWND viewer = FindWindowA(kClass, nullptr);
    if (!viewer) return 0;
    PostMessageA(viewer, WM_CLOSE, 0, 0);
    for (int i = 0; i < 100 && IsWindow(viewer); ++i) Sleep(50);
    return IsWindow(viewer) ? 1 : 0;
}

int RunViewer(const char* path) {
    if (FindWindowA(kClass, nullptr)) {
        fprintf(stderr, "tracev: a trace viewer is already running\n");
        return 1;
    }
    g_traceMessage = RegisterWindowMessageA(kMessage);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ViewerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClass;
    if (!RegisterClassA(&wc)) return 1;
    HWND window = CreateWindowA(kClass, "Trace viewer", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                                wc.hInstance, nullptr);
    if (!window) return 1;
    if (path) {
        g_file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (g_file == INVALID_HANDLE_VALUE) {
            fprintf(stderr, "tracev: cannot open %s\n", path);
            DestroyWindow(window);
            return 1;
        }
    }
    SetConsoleCtrlHandler(OnConsoleBreak, TRUE);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (g_file != INVALID_HANDLE_VALUE) CloseHandle(g_file);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && (strcmp(argv[1], "/quit") == 0 || strcmp(argv[1], "--quit") == 0)) return QuitRunningViewer();
    if (argc > 1 && (strcmp(argv[1], "/?") == 0 || strcmp(argv[1], "--help") == 0)) {
        printf("usage: tracev [FILE]    show trace chunks, appending them to FILE too\n"
               "       tracev /quit     close the running viewer\n");
        return 0;
    }
    return RunViewer(argc > 1 ? argv[1] : nullptr);
}
