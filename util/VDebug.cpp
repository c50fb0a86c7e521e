// Trace output and stub log.
#include "util/VDebug.h"

#include "util/Dates.h"
#include "util/Files.h"
#include "util/Utils.h"

namespace {

// The viewer is a diagnostic tool; a hung one must not hang the program.
constexpr UINT kViewerTimeoutMs = 5000;

struct TraceState {
    win::CriticalSection lock;
    UINT message = RegisterWindowMessageA(trace::kViewerMessage);
    trace::TraceBuffer buffer{[](const Text& chunk) { TraceDispatch(chunk); }};

    ~TraceState() {
        win::Lock hold(lock);
        buffer.Flush();
    }
};

TraceState& State() {
    static TraceState state;
    return state;
}

struct StubLogState {
    bool enabled = false;
    Text indent = "   ";
    Text path;
};

StubLogState& LogState() {
    static StubLogState state;
    return state;
}

void SendToViewer(const Text& chunk) {
    HWND viewer = FindWindowA(trace::kViewerClass, nullptr);
    if (!viewer) return;
    // The atom may fail (full table); the viewer is still told, with atom 0.
    win::GlobalAtom atom(GlobalAddAtomA(chunk.c_str()));
    DWORD_PTR result = 0;
    SendMessageTimeoutA(viewer, State().message, trace::kSourceNumber, atom.get(),
                        SMTO_NORMAL | SMTO_ABORTIFHUNG, kViewerTimeoutMs, &result);
}

}  // namespace

void SetUpTrace() { State(); }

trace::LockedLine Trace() {
    TraceState& state = State();
    return trace::LockedLine(state.lock, state.buffer);
}

void TraceDispatch(const Text& chunk) {
    if (trace::kTraceMode == 1 || trace::kTraceMode == 2) {
        AppendTextToFile(trace::kTraceFile, trace::NormaliseLineEnds(chunk), 0);
    }
    if (trace::kTraceMode == 0 || trace::kTraceMode == 2) SendToViewer(chunk);
}

void EnableStubLog(bool enabled) { LogState().enabled = enabled; }

bool StubLogEnabled() { return LogState().enabled; }

void StubLog(const Text& text) {
    if (!LogState().enabled) return;
    Text stamp = StampText(LocalNow(), DateSeparator(), TimeSeparator());
    AppendTextToFile(StubLogFileName(),
                     trace::StubLogLine(stamp, GetCurrentThreadId(), LogState().indent, text), 0);
}

Text StubLogFileName() {
    Text& path = LogState().path;
    if (path.empty()) path = trace::StubLogPathFor(OwnExePath(false));
    return path;
}

void SetStubLogIndent(const Text& indent) { LogState().indent = indent; }
