// Start-up: trace and stub log lines around the run-mode dispatch, the own
// package, the command line and the run-mode tests.
#include "stub/Stub.h"

#include <windows.h>

#include <memory>
#include <utility>
#include <vector>

#include "stub/RunMode.h"
#include "stub/StubWin.h"
#include "stub/Switches.h"
#include "util/Utils.h"
#include "util/VDebug.h"

namespace {

std::unique_ptr<TGFileInfo> g_ownPackage;
bool g_isAutoUpdateProg = false;
int g_exitCode = 0;

Text CommandLineText() { return GetCommandLineA(); }

Text OwnFileName() { return FileNamePart(OwnExePath(false)); }

}  // namespace

const TGFileInfo& OwnPackage() {
    static const TGFileInfo empty{Text()};
    return g_ownPackage ? *g_ownPackage : empty;
}

void SetOwnPackage(std::unique_ptr<TGFileInfo> package) { g_ownPackage = std::move(package); }

bool ThisIs_AutoUpdateProg() { return g_isAutoUpdateProg; }

void SetStubExitCode(int code) { g_exitCode = code; }

Text CommandTail() { return CommandTailOf(CommandLineText(), OwnFileName(), OwnExePath(false)); }

bool HasSwitch(const Text& name) { return HasSwitchIn(CommandTail(), name); }

Text GetSwitchValue(const Text& name) { return SwitchValueIn(CommandTail(), name); }

int64_t GetSwitchInt(const Text& name, int64_t dflt) { return SwitchIntIn(CommandTail(), name, dflt); }

Text FileVersionText(const Text& path) {
    Text file = path.empty() ? OwnExePath(false) : path;
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
    if (size == 0) return Text();
    std::vector<char> data(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoSize = 0;
    if (!GetFileVersionInfoA(file.c_str(), 0, size, data.data()) ||
        !VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &infoSize) ||
        infoSize < sizeof(VS_FIXEDFILEINFO)) {
        return Text();
    }
    char text[64];
    wsprintfA(text, "%d.%d.%d.%d", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
              HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS));
    return text;
}

bool X_ExeIsRunning() {
    return FindWindowA(TransientAgentClass(OwnPackage().AgentExeName()).c_str(), nullptr) != nullptr;
}

bool ThisIs_Plain_AutoUpdate_Exe() {
    return g_isAutoUpdateProg && IsPlainAgentName(OwnFileName(), OwnPackage().AgentExeName());
}

bool ThisIs_X_AutoUpdate_Exe() {
    return g_isAutoUpdateProg && IsTransientAgentName(OwnFileName(), OwnPackage().AgentExeName());
}

bool IsCdSetFirstStage() { return IsCdSetFirstStageFor(OwnPackage().IsCdSet(), GetSwitchInt("/SpanCdLvl=", 1)); }

bool IsCdSetSecondStage() { return IsCdSetSecondStageFor(GetSwitchInt("/SpanCdLvl=", 1)); }

int RunStub() {
    SetUpTrace();
    const Text exePath = OwnExePath(false);
    const DWORD pid = GetCurrentProcessId();
    Trace() << pid << " ==== STUB START ====> " << CommandLineText() << "<" << trace::endl;

    g_ownPackage = std::make_unique<TGFileInfo>(exePath);
    g_isAutoUpdateProg = g_ownPackage->IsAutoUpdateProg();
    EnableStubLog(g_isAutoUpdateProg && g_ownPackage->StubLogBit());
    if (ThisIs_X_AutoUpdate_Exe()) SetStubLogIndent(" X ");
    StubLog("");
    StubLog("");
    StubLog("=== START === " + exePath);
    StubLog("CommandLine=" + CommandLineText());
    StubLog("Agent Version=" + FileVersionText(exePath));
    Trace() << pid << " ==== ThisIs_AutoUpdateProg=" << g_isAutoUpdateProg << trace::endl;

    DoRunStubWin();
    g_ownPackage.reset();
    Trace() << pid << " ==== STUB END ====> " << CommandLineText() << "<" << trace::endl << trace::endl;
    StubLog("=== EXIT === " + exePath);
    StubLog("");
    return g_exitCode;
}
