// The run-mode dispatch and the stub window: the one small top-level window
// (status line, progress bar, activity bar) whose loop every run mode that
// keeps running lives in, whose one-second timer is the program's heartbeat,
// and whose close request stops a running download. Also the work folder.
#pragma once

#include <windows.h>

#include "ui/VProgBar.h"
#include "util/Text.h"

// Chooses the run mode and runs it; called once by start-up.
void DoRunStubWin();

// Creates the stub window (hidden), runs its message loop and returns when
// the loop has ended. In a namespace: the program's entry holds the name.
namespace stubwin {
void WinMain();
}  // namespace stubwin
// The window's class: ".AutoUpdate." + own name for agents, the full path
// of the own executable for setups.
Text StubClassName();

// What timer 1 runs on each tick. Until the setup flow takes this place,
// the first tick of a setup ends the loop: nothing is extracted.
using StubTick = void (*)();
void SetStubTick(StubTick tick);

// The close request: false (the window stays) when it only aborted a
// download, true when the window may go.
bool CloseMainWindow();
// Marks downloads aborted, deletes the work folder and ends the loop.
void DestroyMainWindow();

// The window and its children; null before WinMain made them and after the
// window has gone. Other modules show and hide them.
HWND StubWindow();
HWND StatusLine();
HWND ProgressBar();
HWND ActivityBar();

// Progress reports (TProgressProc): mode 0 sets the bars' range (the low 16
// bits of max), position and step; mode 1 steps the progress bar and moves
// the activity bar through 1..5, 0.
void StubProgressProc(int mode, int reserved, int max, int position, int step, const Text& text);
// The one progress object of the process, made on first need, never freed.
TProgBar& EnsureProgBar();
// A status text in a static control with a font of the face, character set
// and size in points; character sets 177 and 178 read right to left.
void SetStatusText(HWND control, const Text& text, const Text& fontName, int charset, int size);

// The download abort flag: the window sets it when it closes or ends; a
// download's starter clears it and the download stops when it is set.
bool DownloadAborted();
void SetDownloadAbort(bool aborted);

// TEMP\SETUP_<DOS time word of the own executable's last write>: made empty
// on first use in the process, then kept; deleted when the window goes.
Text WorkFolder();
