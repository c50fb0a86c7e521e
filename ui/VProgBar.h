// The progress object through which a download reports its progress without
// knowing windows: each report becomes a call of a plain progress procedure
// (and of an optional observer), with message-dispatching waits around it
// so that the bars repaint during a download on the one UI thread.
#pragma once

#include <functional>

#include "util/Text.h"

// Mode 0: set range 0..max, position and step; mode 1: one step (text: the
// status text). Reserved is 0 from TProgBar.
using TProgressProc = void (*)(int mode, int reserved, int max, int position, int step, const Text& text);

class TProgBar;
using TProgEvent = std::function<void(TProgBar& sender, int kind, int position, int max, const Text& text)>;

class TProgBar {
public:
    explicit TProgBar(TProgressProc progressProc);
    // Leaves the bars reset: a Finish without waits.
    ~TProgBar();
    TProgBar(const TProgBar&) = delete;
    TProgBar& operator=(const TProgBar&) = delete;

    void Reset();
    void Start(int position, int max);                 // kind 1
    void Advance(const Text& text);                    // kind 2
    void Finish(int waitBefore, int waitAfter);        // kind 3
    void ShowCaption(const Text& text);                // kind 5: the observer only

    TProgEvent OnEvent;
    TProgressProc ProgressProc = nullptr;
    // Milliseconds, before and after a notification of kind 1..3 (index 0..2).
    int DelayBefore[3] = {};
    int DelayAfter[3] = {};
    bool Cancelled = false;

private:
    // The frame every notification of kind 1..3 runs in.
    void Notify(int kind, int position, int max, const Text& text, int mode, int procMax, int procPosition, int step);
};
