// Engine.exe: the reference setup engine. It is what a setup package carries
// as its first file, and it does the least a real engine must do to work with
// the stub, plus enough to make a demo real:
//
// - takes the stub's switches ("/TH_ID=_<thread id>", "/OriginExe=", the
//   setup's command tail);
// - reads its script "engine.ini" beside itself (section [Engine]);
// - joins split pieces (name, name.00002, ...) and copies the application
//   files "NNNNN#name" into InstallDir, dropping the "NNNNN#" index;
// - may show a dialog of class ".SDialog_Class_Name." + the thread suffix for
//   DialogSeconds seconds (the stub waits until it is gone); with
//   DialogDetached=1 a second engine process shows it while the first ends;
// - removes the completion atom "UsbbZcmzxmXsfvBuquuVrNlymu" + the thread
//   suffix when it completes (unless KeepAtom=1);
// - exits with ExitCode.
//
// engine.ini keys: InstallDir, ExitCode, KeepAtom, DialogSeconds,
// DialogDetached, and CommandLog (a file to which the engine appends its
// command line, the files it found with their DOS dates and the files it
// installed, one per line: what the end-to-end tests read).
#include <windows.h>

#include <vector>

#include "stub/Switches.h"
#include "util/Files.h"
#include "util/Handles.h"
#include "util/Numbers.h"
#include "util/Text.h"
#include "util/Utils.h"

namespace {

constexpr char kAtomName[] = "UsbbZcmzxmXsfvBuquuVrNlymu";
constexpr char kDialogClass[] = ".SDialog_Class_Name.";
constexpr char kSection[] = "Engine";

struct Script {
    Text installDir;
    int exitCode = 0;
    bool keepAtom = false;
    int dialogSeconds = 0;
    bool dialogDetached = false;
    Text commandLog;
};

Script ReadScript(const Text& file) {
    Script s;
    s.installDir = ReadIniString(file, kSection, "InstallDir", "");
    s.exitCode = static_cast<int>(ReadIniInt(file, kSection, "ExitCode", 0));
    s.keepAtom = ReadIniInt(file, kSection, "KeepAtom", 0) == 1;
    s.dialogSeconds = static_cast<int>(ReadIniInt(file, kSection, "DialogSeconds", 0));
    s.dialogDetached = ReadIniInt(file, kSection, "DialogDetached", 0) == 1;
    s.commandLog = ReadIniString(file, kSection, "CommandLog", "");
    return s;
}

void Log(const Script& script, const Text& line) {
    if (!script.commandLog.empty()) AppendTextToFile(script.commandLog, line + "\r\n", 0);
}

// "NNNNN#name" -> name; empty when the file is not an application file.
Text ApplicationName(const Text& file) {
    if (file.size() < 7 || file[5] != '#') return Text();
    for (int i = 0; i < 5; ++i) {
        if (file[i] < '0' || file[i] > '9') return Text();
    }
    return file.substr(6);
}

// A later piece "name.NNNNN" (NNNNN >= 00002) is joined with its first one.
bool IsLaterPiece(const Text& file) {
    size_t dot = file.rfind('.');
    if (dot == Text::npos || file.size() - dot != 6) return false;
    int64_t number = 0;
    return TryParseInt64(file.substr(dot + 1), number) && number >= 2;
}

bool AppendFile(HANDLE out, const Text& from) {
    win::FileHandle in(CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!in.valid()) return false;
    std::vector<char> buffer(1 << 16);
    DWORD got = 0, put = 0;
    while (ReadFile(in.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got > 0) {
        if (!WriteFile(out, buffer.data(), got, &put, nullptr) || put != got) return false;
    }
    return true;
}

// Writes the file joined from its pieces (first, first.00002, ...).
bool InstallFile(const Text& source, const Text& target) {
    if (!MakeFolderTree(FolderPart(target))) return false;
    win::FileHandle out(CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!out.valid() || !AppendFile(out.get(), source)) return false;
    for (int k = 2;; ++k) {
        Text piece = source + "." + ZeroPad(k, 5);
        if (GetFileAttributesA(piece.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
        if (!AppendFile(out.get(), piece)) return false;
    }
}

uint32_t DosDateOf(const WIN32_FIND_DATAA& found) {
    FILETIME local;
    WORD date = 0, time = 0;
    FileTimeToLocalFileTime(&found.ftLastWriteTime, &local);
    FileTimeToDosDateTime(&local, &date, &time);
    return (static_cast<uint32_t>(date) << 16) | time;
}

// Every extracted file with its DOS date, as the stub left them.
void LogExtractedFiles(const Text& folder, const Script& script) {
    WIN32_FIND_DATAA found;
    win::FindHandle find(FindFirstFileA((folder + "*").c_str(), &found));
    for (bool more = find.valid(); more; more = FindNextFileA(find.get(), &found)) {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        Log(script, "found " + Text(found.cFileName) + " " + std::to_string(DosDateOf(found)));
    }
}

bool InstallApplicationFiles(const Text& folder, const Script& script) {
    if (script.installDir.empty()) return true;
    WIN32_FIND_DATAA found;
    win::FindHandle find(FindFirstFileA((folder + "?????#*").c_str(), &found));
    bool ok = true;
    for (bool more = find.valid(); more; more = FindNextFileA(find.get(), &found)) {
        Text file = found.cFileName;
        Text name = ApplicationName(file);
        if (name.empty() || IsLaterPiece(file) || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        Text target = SetBackslash(script.installDir, true) + ReplaceChar(name, '/', '\\');
        if (InstallFile(folder + file, target)) {
            Log(script, "installed " + target);
        } else {
            Log(script, "FAILED " + target);
            ok = false;
        }
    }
    return ok;
}

LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

// A window of the class the stub waits for, kept for the given time.
void ShowDialog(const Text& threadSuffix, int seconds) {
    const Text className = kDialogClass + threadSuffix;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DialogProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className.c_str();
    win::WindowClass registered(wc.hInstance, RegisterClassA(&wc));
    win::Window dialog(CreateWindowA(className.c_str(), "Setup", WS_OVERLAPPED | WS_CAPTION, 100, 100, 300, 120,
                                     nullptr, nullptr, wc.hInstance, nullptr));
    WaitPumping(0, int64_t{seconds} * 1000);
}

// The dialog from a second engine process, so that it outlives this one.
void ShowDetachedDialog(const Text& threadSuffix, int seconds) {
    Text command = "\"" + OwnExePath(false) + "\" /dialog=" + threadSuffix + ":" + IntText(seconds);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
}

void RemoveCompletionAtom(const Text& threadSuffix) {
    ATOM atom = GlobalFindAtomA((kAtomName + threadSuffix).c_str());
    if (atom != 0) GlobalDeleteAtom(atom);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const Text folder = OwnFolder(true);
    const Text tail = CommandTailOf(GetCommandLineA(), FileNamePart(OwnExePath(false)), OwnExePath(false));
    const Text threadSuffix = SwitchValueIn(tail, "/TH_ID=");
    const Script script = ReadScript(folder + "engine.ini");
    const Text detached = SwitchValueIn(tail, "/dialog=");
    if (!detached.empty()) {
        ShowDialog(TextBefore(detached, ":", ""), static_cast<int>(ParseInt64Or(TextAfter(detached, ":", ""), 0)));
        Log(script, "dialog closed");
        return 0;
    }
    Log(script, "command " + tail);
    LogExtractedFiles(folder, script);

    bool installed = InstallApplicationFiles(folder, script);
    if (script.dialogSeconds > 0 && !threadSuffix.empty()) {
        if (script.dialogDetached) {
            ShowDetachedDialog(threadSuffix, script.dialogSeconds);
        } else {
            ShowDialog(threadSuffix, script.dialogSeconds);
        }
    }
    if (installed && !script.keepAtom && !threadSuffix.empty()) RemoveCompletionAtom(threadSuffix);
    Log(script, "exit " + IntText(script.exitCode));
    return installed ? script.exitCode : 1;
}
