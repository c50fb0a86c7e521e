// The Windows side of the system routines: the message-pumping wait, the
// clock, the program's own file and the system folders, screen and shell
// helpers, INI files, the registry and who and what the machine is. The
// portable text and number routines are in util/Text.h and util/Numbers.h.
#pragma once

#include <windows.h>

#include <cstdint>

#include "util/Text.h"

// --- time and waiting -------------------------------------------------------
int64_t NowMs();
// Dispatches every waiting message of the thread's queue, then sleeps.
void PumpMessages(DWORD milliseconds);
// Waits the given milliseconds while dispatching the thread's messages in
// slices (slice 0: milliseconds / 10, limited to 1..25). Runs at least once.
void WaitPumping(DWORD slice, int64_t milliseconds);
// The slice WaitPumping uses for a wait.
DWORD WaitSlice(DWORD slice, int64_t milliseconds);
// Local time now as a day count with fraction since 30 December 1899.
double LocalNow();
// The user's date and time separators of the regional settings.
char DateSeparator();
char TimeSeparator();

// --- the program's own file and folders ---------------------------------------
Text OwnExePath(bool baseName);
Text OwnFolder(bool withBackslash);
Text WindowsFolder(bool withBackslash);
Text SystemFolder(bool withBackslash);
Text TempFolder(bool withBackslash);
// Loads "shell32.dll", "USP10.dll", "MSLS31.dll" and "RICHED32.DLL" without
// error boxes; kept until the process ends.
void PreloadLibraries();

// --- screen and shell ----------------------------------------------------------
int ScreenDpi();
int PointsToPixels(int points);
void CentreInWorkArea(int width, int height, int& left, int& top);
bool OpenDocument(const Text& file, const Text& parameters, int showMode);
// Loads the library (kept loaded) and looks the function up; null on failure.
FARPROC LoadProc(const Text& library, const Text& functionName, HMODULE* libraryHandle = nullptr);
Text WindowTextOf(HWND window);

// --- INI files -------------------------------------------------------------------
Text ReadIniString(const Text& file, const Text& section, const Text& key, const Text& dflt);
int64_t ReadIniInt(const Text& file, const Text& section, const Text& key, int64_t dflt);
bool WriteIniString(const Text& file, const Text& section, const Text& key, const Text& value);
bool WriteIniInt(const Text& file, const Text& section, const Text& key, int64_t value);

// --- registry ----------------------------------------------------------------------
// Compile-time choice of the registry view the program reads.
constexpr bool kRegistry64BitView = false;
HKEY RegRootKey(const Text& rootName);
void SplitRegPath(const Text& path, HKEY& root, Text& subkey);
Text RegReadString(const Text& path, const Text& valueName, const Text& dflt, bool view64 = kRegistry64BitView);

// --- machine and user -------------------------------------------------------------
bool IsWinNT();
Text CurrentVersionKey();
Text GetRegisteredOwner();
Text GetRegisteredOrganization();
Text UserNameText();
Text ComputerNameText();
Text UserDomainText();
Text LastErrorText();
// The environment variable "DVX" is "759" (read once per process): the
// message box and the agent then show developers' extras.
bool IsDeveloperMachine();
