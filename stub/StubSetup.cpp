// The setup flow and the engine launch, with the temporary folders.
#include "stub/StubSetup.h"

#include "stub/SetupRules.h"
#include "stub/Stub.h"
#include "stub/StubExtract.h"
#include "stub/StubWin.h"
#include "ui/VMsgBox.h"
#include "util/Files.h"
#include "util/Numbers.h"
#include "util/Process.h"
#include "util/Utils.h"
#include "util/VDebug.h"

namespace {

constexpr char kForcePromptKey[] = "HKEY_CURRENT_USER\\Software\\Halvorn\\Vesko\\SpanDisk";
constexpr UINT_PTR kHeartbeat = 1;

// The alternative temporary base and folder, computed once per process.
Text g_altTempBase;
Text g_altTempFolder;

Text Letter(char c) { return Text(1, c); }

bool IsFixedDrive(char letter) { return GetDriveTypeA((Letter(letter) + ":\\").c_str()) == DRIVE_FIXED; }

// Free space on a drive, measured by a probe folder that is written to and
// removed again; 0 when the drive cannot take it.
double ProbeFreeSpace(char letter) {
    Text probe = Letter(letter) + ":\\TEMP";
    if (platform::FolderExists(probe)) probe += "\\TEMP" + RandomText(10000, 100000);
    CreateDirectoryA(probe.c_str(), nullptr);
    double free = 0;
    if (WriteTextToFile(probe + "\\~aa.tmp", "aa", 0, false) && platform::FileExists(probe + "\\~aa.tmp")) {
        free = DiskFreeBytes(probe);
    }
    DeleteTree(probe, false);
    return free;
}

bool LaunchEngine(const Text& folder, const Text& entry, const Text& parameters, bool foreground) {
    const Text suffix = ThreadSuffix(GetCurrentThreadId());
    const Text command = EngineCommandLine(
        EngineLaunch{folder, entry, parameters, suffix, OwnExePath(false), ThisIs_AutoUpdateProg()});
    Trace() << GetCurrentProcessId() << " ==== WinExec(Engine.exe) >>" << command << "<<" << trace::endl;
    const Text atomName = kCompletionAtom + suffix;
    GlobalAddAtomA(atomName.c_str());

    win::KernelHandle engine = StartProgram(command, foreground ? SW_SHOWNORMAL : SW_HIDE);
    ShowWindow(StubWindow(), SW_HIDE);
    WaitPumping(0, 1000);
    DWORD exitCode = 0;
    if (engine.valid()) {
        WaitForProgram(engine.get());
        if (!GetExitCodeProcess(engine.get(), &exitCode)) exitCode = 0;
    }
    SetStubExitCode(static_cast<int>(exitCode));

    WaitWhileWindowExists(kEngineDialogClass + suffix, "");
    WaitPumping(0, 1000);
    ATOM left = GlobalFindAtomA(atomName.c_str());
    if (left != 0) GlobalDeleteAtom(left);
    return left == 0;
}

}  // namespace

void StartSetup() {
    KillTimer(StubWindow(), kHeartbeat);
    const TGFileInfo& own = OwnPackage();
    const Text agentName = own.MakeAgent() ? own.AgentExeName() : Text();
    Text source = OwnExePath(false);
    const Text firstDisk = GetSwitchValue("/SpanDiskFName1=");
    if (!firstDisk.empty()) source = firstDisk;
    const bool hidden = HasSwitch("/hide") || own.HideSetup();
    ExtractAndRun(WorkFolder(), source, agentName, !hidden, CommandTail());
    DeleteTree(WorkFolder(), false);
    PostQuitMessage(0);
}

bool ExtractAndRun(const Text& folder, const Text& source, const Text& agentName, bool foreground,
                   const Text& parameters) {
    bool result = false;
    Text target = folder;
    const TGFileInfo package(source);
    if (package.ShowActivityBar()) ShowWindow(ActivityBar(), SW_SHOW);
    SetStatusText(StatusLine(), package.GetText("s1", "Extracting Files..."), package.FontName(), package.Charset(),
                  package.FontSize());
    if (!TempSpaceOk(target, source) && FindAltTempDrive()) target = AltTempFolder();
    Trace() << "========= ForegroundOp=" << foreground << " ==========" << trace::endl;

    if (!foreground || ConfirmTempSpace(target, package)) {
        ExtractRequest request;
        request.source = source;
        request.target = target;
        request.agentName = agentName;
        request.progress = StubProgressProc;
        request.diskPrompt =
            package.GetText("s8", "Please insert <B>DISK #<DISK_NUM></B> and press OK to continue");
        request.promptTitle = package.GetText("Attention", "Attention");
        request.buttons = package.GetText("BtnText", "");
        request.charset = package.Charset();
        request.forcePrompt = ForcePromptSet();
        if (foreground) ShowWindow(StubWindow(), SW_SHOW);
        WaitPumping(1, 1000);
        const ExtractOutcome outcome = ExtractPackage(request);
        WaitPumping(1, 1000);
        if (outcome.checksumHeld && !outcome.engineEntry.empty()) {
            result = LaunchEngine(target, outcome.engineEntry, parameters, foreground);
        }
        if (!outcome.checksumHeld) {
            ShowErrorMessage(BoxOwner(0),
                             package.GetText("s7", "Bad CRC!<P>This indicates that your setup file might be corrupted..."),
                             package.GetText("Error", "Error"), request.buttons, request.charset);
        }
    }
    RemoveAltTempFolder();
    return result;
}

bool ConfirmTempSpace(const Text& folder, const TGFileInfo& package) {
    const TempSpaceTexts texts{
        package.GetText("s2", "Vesko will extract files to your Temp Drive (<DRIVE>)<P>"),
        package.GetText("s3", "Limited Free Space on your Temp Drive! (<DRIVE>)<P>"),
        package.GetText("s4", "<P>Estimated space required on your Temp drive is: <T>  <SPACE_REQ> MB<P>"),
        package.GetText("s5", "Free space available on your Temp drive is: <T>  <SPACE_AVAIL> MB<P>"),
        package.GetText("s6", "<P>Continue with Setup?<P>")};
    const Text text = TempSpaceNotice(texts, folder, package.InformTempDrive(), package.GetRequiredSpace(folder),
                                      DiskFreeBytes(folder));
    if (text.empty()) return true;
    return AskYesNo(BoxOwner(0), text, package.GetText("Confirm", "Confirm"), package.GetText("BtnText", ""),
                    package.Charset(), 0);
}

bool TempSpaceOk(const Text& folder, const Text& source) {
    const double need = TGFileInfo(source).GetRequiredSpace(folder);
    return need < DiskFreeBytes(folder) && platform::FolderExists(RemoveBackslash(folder));
}

bool FindAltTempDrive() {
    if (!g_altTempBase.empty()) return true;
    const char letters[] = {'C', 'D', 'E'};
    double free[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        if (IsFixedDrive(letters[i])) free[i] = ProbeFreeSpace(letters[i]);
    }
    const Text temp = TempFolder(false);
    const char current = temp.empty() ? 'C' : UpperText(temp.substr(0, 1))[0];
    char best = current;
    double most = 0;
    for (int i = 0; i < 3; ++i) {
        if (free[i] > most) {
            most = free[i];
            best = letters[i];
        }
    }
    if (best != current) {
        g_altTempBase = Letter(best) + ":\\TEMP";
        if (platform::FolderExists(g_altTempBase)) g_altTempBase += "\\TEMP";
    }
    return !g_altTempBase.empty();
}

Text AltTempFolder() {
    if (g_altTempFolder.empty() && !g_altTempBase.empty()) {
        const Text name = g_altTempBase + "_" + RandomText(10000, 100000);
        if (platform::FolderExists(name)) DeleteTree(name, true);
        MakeFolderTree(name);
        g_altTempFolder = name;
    }
    return g_altTempFolder;
}

void RemoveAltTempFolder() {
    const Text folder = AltTempFolder();
    if (!folder.empty()) DeleteTree(folder, false);
}

bool ForcePromptSet() { return RegReadString(kForcePromptKey, "ForcePrompt", "0") == "1"; }

win::KernelHandle StartProgram(const Text& commandLine, int showMode) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showMode);
    PROCESS_INFORMATION info = {};
    Text command = commandLine;  // CreateProcessA may write into it
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return win::KernelHandle();
    }
    CloseHandle(info.hThread);
    return win::KernelHandle(info.hProcess);
}

void WaitForProgram(HANDLE process) {
    DWORD code = 0;
    do {
        WaitPumping(0, 500);
    } while (GetExitCodeProcess(process, &code) && code == STILL_ACTIVE);
}

void HandOverToCdCopy() {
    const Text own = OwnExePath(false);
    const Text copy = SetBackslash(WorkFolder(), true) + "Y_" + FileNamePart(own);
    CopyFileA(own.c_str(), copy.c_str(), FALSE);
    const Text parameters = CommandTail() + " /SpanCdLvl=2 /SpanDiskFName1=\"" + own + ".001\"" +
                            " /OriginExe=\"" + own + "\"";
    StartProgram(copy + " " + Trim(parameters), SW_HIDE);  // not waited for: this stage ends now
}
