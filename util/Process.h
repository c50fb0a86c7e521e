// Process and window utilities: finding the process that runs a given
// executable (through the process-status library or the ToolHelp snapshot,
// both bound by name at run time), its main window, and asking it to close,
// quit or end; the pumping waits for a program's end and for a window to go.
// Every operation answers 0, no window or false when the platform cannot tell.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "util/Text.h"

// Where the list of processes comes from: the process-status library (the
// NT family) or the ToolHelp snapshot (the others).
enum class ProcessApi { Psapi, ToolHelp };
ProcessApi PlatformProcessApi();

// The process ids in the platform's order; empty when it cannot tell.
std::vector<DWORD> EnumProcessIds();
bool ProcessIdExists(DWORD id);

// The process that runs the executable: its full path equals the path, or
// (unless fullPathOnly) its file name does, or the short (8.3) forms of both
// full paths do; compared trimmed and ignoring case. Of several, the one last
// in the platform's order. 0 when none.
DWORD FindProgramProcess(const Text& path, bool fullPathOnly, ProcessApi api = PlatformProcessApi());
// The path may come with blanks and double quotes around it.
bool IsProgramRunning(const Text& path, ProcessApi api = PlatformProcessApi());
// Waits, dispatching the thread's messages, until the program has ended or
// more than limitMs (0: no limit) have passed; looks once a second.
void WaitForProgramEnd(const Text& path, DWORD limitMs, ProcessApi api = PlatformProcessApi());

// The best-scored top-level window of the program's process; none when the
// process has no window that is titled, visible or an owner.
HWND FindMainWindow(const Text& path, bool fullPathOnly);
// Posts the message to the program's main window; true when one was found
// and the message posted.
bool PostProcessMessage(const Text& path, bool fullPathOnly, UINT message, WPARAM first, LPARAM second);
// WM_CLOSE and WM_QUIT, with the parameters 15 and 255.
bool CloseProgram(const Text& path, bool fullPathOnly);
bool QuitProgram(const Text& path, bool fullPathOnly);
// Ends the program's process with exit code 0; true when it was ended.
bool TerminateProgram(const Text& path, bool fullPathOnly);

// Dispatches the thread's messages while a top-level window of that class and
// title exists (an empty text stands for any); returns at once when both are
// empty.
void WaitWhileWindowExists(const Text& windowClass, const Text& title);
// The last window of the owner chain; none for a window without owner.
HWND TopOwnerWindow(HWND window);

// Examines one process's top-level windows to find its main window; the
// system's input-method windows are left out.
// Score of a window: 4 x the number of the process's windows whose top owner
// it is, + 2 when it has a title, + 1 when it is visible. Windows beyond the
// table's size are not examined.
class TAnalizer {
public:
    static constexpr uint32_t kTableSize = 2001;

    explicit TAnalizer(DWORD processId);
    // Collects the process's top-level windows in enumeration order.
    void CollectWindows();
    void ScoreWindows();
    // The first of the highest-scored windows; none when every score is 0.
    HWND BestWindow() const;

    uint32_t WindowCount() const { return count_; }
    HWND WindowAt(uint32_t i) const { return windows_[i]; }
    uint16_t ScoreAt(uint32_t i) const { return scores_[i]; }

private:
    static BOOL CALLBACK AddIfOwn(HWND window, LPARAM analizer);

    HWND windows_[kTableSize];
    uint16_t scores_[kTableSize];
    uint32_t count_;
    DWORD processId_;
};
