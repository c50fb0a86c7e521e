// The progress object: notifications framed by message-dispatching waits.
#include "ui/VProgBar.h"

#include "util/Utils.h"

namespace {

// Even a zero wait dispatches the thread's queue once.
void Wait(int milliseconds) { WaitPumping(0, milliseconds); }

}  // namespace

TProgBar::TProgBar(TProgressProc progressProc) : ProgressProc(progressProc) { Reset(); }

TProgBar::~TProgBar() {
    // A callback must not throw out of a destructor.
    try {
        Finish(0, 0);
    } catch (...) {
    }
}

void TProgBar::Reset() {
    for (int kind = 0; kind < 3; ++kind) {
        DelayBefore[kind] = 0;
        DelayAfter[kind] = 0;
    }
    Cancelled = false;
}

void TProgBar::Notify(int kind, int position, int max, const Text& text, int mode, int procMax, int procPosition,
                      int step) {
    Wait(DelayBefore[kind - 1]);
    if (OnEvent) OnEvent(*this, kind, position, max, text);
    if (ProgressProc != nullptr) ProgressProc(mode, 0, procMax, procPosition, step, text);
    Wait(DelayAfter[kind - 1]);
}

void TProgBar::Start(int position, int max) { Notify(1, position, max, Text(), 0, max, position, 1); }

void TProgBar::Advance(const Text& text) { Notify(2, 0, 0, text, 1, 0, 0, 0); }

void TProgBar::Finish(int waitBefore, int waitAfter) {
    Wait(waitBefore);
    Notify(3, 0, 0, Text(), 0, 0, 0, 1);
    Wait(waitAfter);
}

void TProgBar::ShowCaption(const Text& text) {
    if (OnEvent) OnEvent(*this, 5, 0, 0, text);
    Wait(0);
}
