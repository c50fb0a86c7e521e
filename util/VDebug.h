// The trace output and the stub log, the program's two diagnostic outputs.
//
// Trace output: Trace() << pid << " text" << trace::endl; characters are
// buffered 128 at a time and handed over, under one lock, to an outside trace
// viewer: a window of class ".VDebug." that receives the registered message
// ".V_DebugMsg." with the source number and a global atom holding the chunk.
//
// Stub log: time-stamped lines in X_<name>.log beside the executable, written
// only by an agent whose package enables it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "util/Handles.h"
#include "util/TraceFormat.h"

namespace trace {

// Where chunks go: 0 = trace viewer only, 1 = trace file only, 2 = both.
constexpr int kTraceMode = 0;
constexpr WPARAM kSourceNumber = 1;
constexpr char kTraceFile[] = "C:\\ProgramData\\_vdebug.txt";
constexpr char kViewerClass[] = ".VDebug.";
constexpr char kViewerMessage[] = ".V_DebugMsg.";

// A trace line writer that holds the trace lock while it lives.
class LockedLine : public TraceLine {
public:
    LockedLine(win::CriticalSection& cs, TraceBuffer& buffer) : TraceLine(buffer), lock_(cs) {}

private:
    win::Lock lock_;
};

}  // namespace trace

// Sets the trace output up (idempotent); start-up calls it first.
void SetUpTrace();
trace::LockedLine Trace();
// Hands one chunk to the trace file and/or the viewer, by the trace mode.
void TraceDispatch(const Text& chunk);

void EnableStubLog(bool enabled);
bool StubLogEnabled();
void StubLog(const Text& text);
Text StubLogFileName();
void SetStubLogIndent(const Text& indent);
