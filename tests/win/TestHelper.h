// Support for the tests of the file and process utilities: a fresh folder
// per test, and child processes that are copies of this test program run
// with "--helper=MODE" (the mode runs before the tests are set up and ends
// the process; see TestHelper.cpp for the modes).
#pragma once

#include <windows.h>

#include "util/Handles.h"
#include "util/Text.h"

namespace testing_support {

// Exit codes of a helper.
constexpr DWORD kClosedExitCode = 201;    // its window was closed
constexpr DWORD kTimedOutExitCode = 202;  // nobody ended it within a minute

// Removes a folder with everything in it, without the code under test.
void RemoveFolderTree(const Text& folder);
bool FolderExists(const Text& path);
bool FileExists(const Text& path);

// A new empty folder under STUB_TEST_TMP (or the temporary folder); removed
// by the destructor.
class ScratchFolder {
public:
    explicit ScratchFolder(const Text& name);
    ~ScratchFolder() { RemoveFolderTree(path_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const Text& path() const { return path_; }
    Text operator/(const Text& name) const { return path_ + "\\" + name; }

private:
    Text path_;
};

// Copies this test program to the path; false when the copy failed.
bool CopyTestProgram(const Text& path);

// A helper process started from the executable path with the mode; ended by
// the destructor when it still runs.
class Helper {
public:
    Helper(const Text& exePath, const char* mode);
    ~Helper();
    Helper(const Helper&) = delete;
    Helper& operator=(const Helper&) = delete;

    // The helper has made its windows and serves its message queue.
    bool ready() const { return ready_; }
    DWORD id() const { return id_; }
    // Waits up to the milliseconds for the end; true with its exit code.
    bool Ended(DWORD milliseconds, DWORD& exitCode) const;
    bool Running() const;
    void End(DWORD exitCode) const;

private:
    win::KernelHandle process_;
    DWORD id_ = 0;
    bool ready_ = false;
};

// The tests' own copy of the trace viewer: a window of the viewer's class
// that collects the trace lines sent to this process's viewer.
class TraceCollector {
public:
    TraceCollector();
    TraceCollector(const TraceCollector&) = delete;
    TraceCollector& operator=(const TraceCollector&) = delete;
    bool valid() const { return window_.valid(); }
    const Text& text() const;

private:
    win::WindowClass class_;
    win::Window window_;
};

}  // namespace testing_support
