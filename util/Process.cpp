// Process and window utilities. The process-status and ToolHelp functions are
// looked up by name on first use, so the program starts where either set is
// missing; without them every lookup finds nothing.
#include "util/Process.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "util/Handles.h"
#include "util/Utils.h"

namespace {

constexpr DWORD kQueryAndRead = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
constexpr DWORD kIdBufferStep = 1024;  // bytes
constexpr DWORD kPathBuffer = MAX_PATH;
constexpr DWORD kWaitStepMs = 1000;
constexpr DWORD kWindowPollMs = 100;
constexpr WPARAM kCloseFirst = 15;
constexpr LPARAM kCloseSecond = 255;
// The short form of a path that names no file: it matches nothing.
const char kNoShortPath[] = "*XX*";

static_assert(sizeof(PROCESSENTRY32) == 296, "the ANSI snapshot entry");

template <typename Function>
Function BoundProc(const char* library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(LoadProc(library, name)));
}

struct PsapiFunctions {
    using EnumProcessesFn = BOOL(WINAPI*)(DWORD*, DWORD, DWORD*);
    using EnumProcessModulesFn = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, DWORD*);
    using ModuleNameFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPSTR, DWORD);

    EnumProcessesFn enumProcesses = BoundProc<EnumProcessesFn>("PSAPI.dll", "EnumProcesses");
    EnumProcessModulesFn enumProcessModules = BoundProc<EnumProcessModulesFn>("PSAPI.dll", "EnumProcessModules");
    ModuleNameFn baseName = BoundProc<ModuleNameFn>("PSAPI.dll", "GetModuleBaseNameA");
    ModuleNameFn fileName = BoundProc<ModuleNameFn>("PSAPI.dll", "GetModuleFileNameExA");

    bool complete() const { return enumProcesses && enumProcessModules && baseName && fileName; }
};

const PsapiFunctions& Psapi() {
    static const PsapiFunctions functions;
    return functions;
}

struct ToolHelpFunctions {
    using SnapshotFn = HANDLE(WINAPI*)(DWORD, DWORD);
    using WalkFn = BOOL(WINAPI*)(HANDLE, PROCESSENTRY32*);

    SnapshotFn snapshot = BoundProc<SnapshotFn>("kernel32.dll", "CreateToolhelp32Snapshot");
    WalkFn first = BoundProc<WalkFn>("kernel32.dll", "Process32First");
    WalkFn next = BoundProc<WalkFn>("kernel32.dll", "Process32Next");

    bool complete() const { return snapshot && first && next; }
};

const ToolHelpFunctions& ToolHelp() {
    static const ToolHelpFunctions functions;
    return functions;
}

// What a process runs: the executable's full path and file name.
struct ProcessImage {
    Text fullPath;
    Text name;
};

// What is looked for: the path as given and the short form of its full path.
struct WantedProgram {
    Text path;
    Text shortPath;
    bool fullPathOnly;
};

Text BufferText(const char* buffer, DWORD length) { return Text(buffer, strnlen(buffer, length)); }

// The short form of the path's full path; empty when no such file exists.
Text ShortPathOf(const Text& path) {
    char full[kPathBuffer];
    char shortForm[kPathBuffer];
    DWORD fullLength = GetFullPathNameA(path.c_str(), kPathBuffer, full, nullptr);
    if (fullLength == 0 || fullLength >= kPathBuffer) return Text();
    DWORD shortLength = GetShortPathNameA(full, shortForm, kPathBuffer);
    if (shortLength == 0 || shortLength >= kPathBuffer) return Text();
    return Text(shortForm, shortLength);
}

WantedProgram Wanted(const Text& path, bool fullPathOnly) {
    Text shortPath = path.empty() ? Text() : ShortPathOf(path);
    return WantedProgram{path, shortPath.empty() ? kNoShortPath : shortPath, fullPathOnly};
}

bool Matches(const ProcessImage& image, const WantedProgram& wanted) {
    if (SameTextTrim(image.fullPath, wanted.path)) return true;
    if (!wanted.fullPathOnly && SameTextTrim(image.name, wanted.path)) return true;
    return SameTextTrim(ShortPathOf(image.fullPath), wanted.shortPath);
}

// The image of the process's first module; false when the process cannot be
// opened or read (system processes, other users' processes).
bool PsapiImage(DWORD id, ProcessImage& image) {
    const PsapiFunctions& api = Psapi();
    win::KernelHandle process(OpenProcess(kQueryAndRead, FALSE, id));
    if (!process.valid()) return false;
    HMODULE module = nullptr;
    DWORD needed = 0;
    if (!api.enumProcessModules(process.get(), &module, sizeof module, &needed)) return false;
    char path[kPathBuffer];
    char name[kPathBuffer];
    DWORD pathLength = api.fileName(process.get(), module, path, kPathBuffer);
    DWORD nameLength = api.baseName(process.get(), module, name, kPathBuffer);
    if (pathLength == 0 || nameLength == 0) return false;
    image = ProcessImage{BufferText(path, kPathBuffer), BufferText(name, kPathBuffer)};
    return true;
}

// The platform lists processes in its order; the last match wins, so the
// list is walked from its end.
DWORD FindWithPsapi(const WantedProgram& wanted) {
    if (!Psapi().complete()) return 0;
    std::vector<DWORD> ids = EnumProcessIds();
    for (auto id = ids.rbegin(); id != ids.rend(); ++id) {
        ProcessImage image;
        if (PsapiImage(*id, image) && Matches(image, wanted)) return *id;
    }
    return 0;
}

DWORD FindWithToolHelp(const WantedProgram& wanted) {
    const ToolHelpFunctions& api = ToolHelp();
    if (!api.complete()) return 0;
    win::FileHandle snapshot(api.snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.valid()) return 0;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    DWORD found = 0;
    for (BOOL more = api.first(snapshot.get(), &entry); more; more = api.next(snapshot.get(), &entry)) {
        Text exe = BufferText(entry.szExeFile, sizeof entry.szExeFile);
        if (Matches(ProcessImage{exe, FileNamePart(exe)}, wanted)) found = entry.th32ProcessID;
    }
    return found;
}

bool LimitPassed(int64_t start, DWORD limitMs) {
    return limitMs != 0 && NowMs() - start > static_cast<int64_t>(limitMs);
}

const char* TextOrAny(const Text& text) { return text.empty() ? nullptr : text.c_str(); }

// The system gives every thread with windows hidden input-method windows of
// its own; their titles would make one of them the main window of a program
// whose real windows are hidden and untitled.
bool IsInputMethodWindow(HWND window) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    return SameText(name, "IME") || SameText(name, "MSCTFIME UI");
}

}  // namespace

ProcessApi PlatformProcessApi() {
    static const ProcessApi api = IsWinNT() ? ProcessApi::Psapi : ProcessApi::ToolHelp;
    return api;
}

std::vector<DWORD> EnumProcessIds() {
    const PsapiFunctions& api = Psapi();
    if (api.enumProcesses == nullptr) return {};
    try {
        std::vector<DWORD> ids;
        DWORD bytes = kIdBufferStep;
        DWORD returned = 0;
        // A full buffer may have cut the list short.
        for (;; bytes += kIdBufferStep) {
            ids.resize(bytes / sizeof(DWORD));
            if (!api.enumProcesses(ids.data(), bytes, &returned)) return {};
            if (returned < bytes) break;
        }
        ids.resize(returned / sizeof(DWORD));
        return ids;
    } catch (...) {
        return {};
    }
}

bool ProcessIdExists(DWORD id) {
    std::vector<DWORD> ids = EnumProcessIds();
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

DWORD FindProgramProcess(const Text& path, bool fullPathOnly, ProcessApi api) {
    if (path.empty()) return 0;
    WantedProgram wanted = Wanted(path, fullPathOnly);
    return api == ProcessApi::Psapi ? FindWithPsapi(wanted) : FindWithToolHelp(wanted);
}

bool IsProgramRunning(const Text& path, ProcessApi api) {
    return FindProgramProcess(TrimDequote(path, true), false, api) != 0;
}

void WaitForProgramEnd(const Text& path, DWORD limitMs, ProcessApi api) {
    const Text program = TrimDequote(path, true);
    const int64_t start = NowMs();
    WaitPumping(0, kWaitStepMs);
    if (api == ProcessApi::ToolHelp) {
        do {
            WaitPumping(0, kWaitStepMs);
        } while (!LimitPassed(start, limitMs) && IsProgramRunning(program, api));
        return;
    }
    // The process-status list tells a process by its id: looked up once.
    DWORD id = FindProgramProcess(program, false, api);
    if (id == 0) return;
    do {
        WaitPumping(0, kWaitStepMs);
    } while (!LimitPassed(start, limitMs) && ProcessIdExists(id));
}

HWND FindMainWindow(const Text& path, bool fullPathOnly) {
    DWORD id = FindProgramProcess(path, fullPathOnly);
    if (id == 0) return nullptr;
    std::unique_ptr<TAnalizer> analizer(new (std::nothrow) TAnalizer(id));
    if (!analizer) return nullptr;
    analizer->CollectWindows();
    analizer->ScoreWindows();
    return analizer->BestWindow();
}

bool PostProcessMessage(const Text& path, bool fullPathOnly, UINT message, WPARAM first, LPARAM second) {
    HWND window = FindMainWindow(path, fullPathOnly);
    return window != nullptr && PostMessageA(window, message, first, second) != 0;
}

bool CloseProgram(const Text& path, bool fullPathOnly) {
    return PostProcessMessage(path, fullPathOnly, WM_CLOSE, kCloseFirst, kCloseSecond);
}

bool QuitProgram(const Text& path, bool fullPathOnly) {
    return PostProcessMessage(path, fullPathOnly, WM_QUIT, kCloseFirst, kCloseSecond);
}

bool TerminateProgram(const Text& path, bool fullPathOnly) {
    DWORD id = FindProgramProcess(path, fullPathOnly);
    if (id == 0) return false;
    win::KernelHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, id));
    return process.valid() && TerminateProcess(process.get(), 0) != 0;
}

void WaitWhileWindowExists(const Text& windowClass, const Text& title) {
    // Both absent would stand for any window: a wait without end.
    if (windowClass.empty() && title.empty()) return;
    while (FindWindowA(TextOrAny(windowClass), TextOrAny(title)) != nullptr) PumpMessages(kWindowPollMs);
}

HWND TopOwnerWindow(HWND window) {
    HWND owner = GetWindow(window, GW_OWNER);
    if (owner == nullptr) return nullptr;
    while (HWND next = GetWindow(owner, GW_OWNER)) owner = next;
    return owner;
}

// --- TAnalizer ------------------------------------------------------------------

TAnalizer::TAnalizer(DWORD processId) : windows_{}, scores_{}, count_(0), processId_(processId) {}

void TAnalizer::CollectWindows() {
    count_ = 0;
    EnumWindows(AddIfOwn, reinterpret_cast<LPARAM>(this));
}

BOOL CALLBACK TAnalizer::AddIfOwn(HWND window, LPARAM analizer) {
    TAnalizer& self = *reinterpret_cast<TAnalizer*>(analizer);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == self.processId_ && !IsInputMethodWindow(window)) self.windows_[self.count_++] = window;
    return self.count_ < kTableSize;
}

void TAnalizer::ScoreWindows() {
    std::fill(scores_, scores_ + count_, 0);
    for (uint32_t i = 0; i < count_; ++i) {
        HWND top = TopOwnerWindow(windows_[i]);
        if (top == nullptr) continue;
        for (uint32_t j = 0; j < count_; ++j) {
            if (windows_[j] == top) ++scores_[j];
        }
    }
    for (uint32_t i = 0; i < count_; ++i) {
        int titled = WindowTextOf(windows_[i]).empty() ? 0 : 2;
        int visible = IsWindowVisible(windows_[i]) ? 1 : 0;
        scores_[i] = static_cast<uint16_t>(scores_[i] * 4 + titled + visible);
    }
}

HWND TAnalizer::BestWindow() const {
    uint32_t best = 0;
    for (uint32_t i = 1; i < count_; ++i) {
        if (scores_[i] > scores_[best]) best = i;
    }
    return count_ == 0 || scores_[best] == 0 ? nullptr : windows_[best];
}
