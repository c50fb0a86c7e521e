// Tests of the process and window utilities against helper processes (copies
// of this test program, see TestHelper.h) and windows of this process.
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "tests/win/TestHelper.h"
#include "util/Handles.h"
#include "util/Process.h"
#include "util/Utils.h"

namespace {

using testing_support::FolderExists;
using testing_support::Helper;
using testing_support::ScratchFolder;

constexpr DWORD kEndMs = 20000;

Text ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

Text ShortPath(const Text& path) {
    char buffer[MAX_PATH] = {};
    DWORD length = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    return Text(buffer, length < MAX_PATH ? length : 0);
}

// The process ids in each variant's own order, told without the code under test.
std::vector<DWORD> PsapiOrder() {
    std::vector<DWORD> ids(4096);
    DWORD bytes = 0;
    if (!K32EnumProcesses(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &bytes)) return {};
    ids.resize(bytes / sizeof(DWORD));
    return ids;
}

std::vector<DWORD> SnapshotOrder() {
    std::vector<DWORD> ids;
    win::FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry))
        ids.push_back(entry.th32ProcessID);
    return ids;
}

// Of the two ids, the one that comes later in the order.
DWORD LaterOf(const std::vector<DWORD>& order, DWORD a, DWORD b) {
    for (auto id = order.rbegin(); id != order.rend(); ++id) {
        if (*id == a || *id == b) return *id;
    }
    return 0;
}

// A copy of this program in a fresh folder, run as helpers; helpers still
// running are ended and the folder is removed after each test.
class ProcessTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(testing_support::CopyTestProgram(program_)); }
    void TearDown() override {
        helpers_.clear();
        testing_support::RemoveFolderTree(folder_.path());
        EXPECT_FALSE(FolderExists(folder_.path())) << folder_.path();
    }
    Helper& Start(const char* mode) {
        helpers_.push_back(std::make_unique<Helper>(program_, mode));
        return *helpers_.back();
    }

    ScratchFolder folder_{"process"};
    const Text program_ = folder_ / "process helper.exe";
    std::vector<std::unique_ptr<Helper>> helpers_;
};

// A window of this process, of a class of the tests' own.
win::Window MakeWindow(const char* title, DWORD style, HWND owner) {
    static win::WindowClass registered = [] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "ProcessTestWindow";
        return win::WindowClass(windowClass.hInstance, RegisterClassA(&windowClass));
    }();
    return win::Window(CreateWindowExA(0, "ProcessTestWindow", title, style, 0, 0, 100, 80, owner, nullptr,
                                       GetModuleHandleA(nullptr), nullptr));
}

Helper* g_helperToEnd = nullptr;
HWND g_windowToDestroy = nullptr;

void CALLBACK EndHelperOnTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (g_helperToEnd != nullptr) g_helperToEnd->End(9);
    g_helperToEnd = nullptr;
}

void CALLBACK DestroyWindowOnTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (g_windowToDestroy != nullptr) DestroyWindow(g_windowToDestroy);
    g_windowToDestroy = nullptr;
}

}  // namespace

// --- finding a process ------------------------------------------------------------

TEST_F(ProcessTest, FindsAStartedProcessByItsPathNameOrShortForm) {
    Helper& helper = Start("hidden");
    ASSERT_TRUE(helper.ready());
    const Text shortForm = ShortPath(program_);
    ASSERT_FALSE(shortForm.empty());
    const struct {
        Text path;
        bool fullPathOnly;
        bool found;
    } cases[] = {
        {program_, true, true},
        {UpperText(program_), true, true},
        {"  " + program_ + "  ", true, true},
        {shortForm, true, true},
        {"process helper.exe", false, true},
        {"PROCESS HELPER.EXE", false, true},
        {"process helper.exe", true, false},
        {folder_ / "other.exe", false, false},
        {"", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FindProgramProcess(c.path, c.fullPathOnly, ProcessApi::Psapi), c.found ? helper.id() : 0)
            << "[" << c.path << "] " << c.fullPathOnly;
    }
}

TEST_F(ProcessTest, SnapshotVariantFindsAStartedProcessByItsName) {
    Helper& helper = Start("hidden");
    ASSERT_TRUE(helper.ready());
    // The NT family's snapshot names the executable without its folder, so
    // its name is all the path there is.
    for (bool fullPathOnly : {false, true}) {
        EXPECT_EQ(FindProgramProcess("process helper.exe", fullPathOnly, ProcessApi::ToolHelp), helper.id());
        EXPECT_EQ(FindProgramProcess(" Process Helper.EXE ", fullPathOnly, ProcessApi::ToolHelp), helper.id());
        EXPECT_EQ(FindProgramProcess(program_, fullPathOnly, ProcessApi::ToolHelp), 0u);
        EXPECT_EQ(FindProgramProcess(folder_ / "other.exe", fullPathOnly, ProcessApi::ToolHelp), 0u);
    }
}

TEST_F(ProcessTest, OfTwoRunsOfOneProgramTheLaterInThePlatformsOrderIsFound) {
    Helper& first = Start("hidden");
    Helper& second = Start("hidden");
    ASSERT_TRUE(first.ready() && second.ready());
    EXPECT_EQ(FindProgramProcess(program_, true, ProcessApi::Psapi),
              LaterOf(PsapiOrder(), first.id(), second.id()));
    EXPECT_EQ(FindProgramProcess("process helper.exe", false, ProcessApi::ToolHelp),
              LaterOf(SnapshotOrder(), first.id(), second.id()));
}

TEST_F(ProcessTest, ARenamedProgramIsFoundByItsOldPathText) {
    Helper& helper = Start("hidden");
    ASSERT_TRUE(helper.ready());
    ASSERT_TRUE(MoveFileA(program_.c_str(), (folder_ / "moved.exe").c_str()));
    EXPECT_EQ(FindProgramProcess(program_, true, ProcessApi::Psapi), helper.id());
}

TEST_F(ProcessTest, IsProgramRunningTakesQuotesAndBlanks) {
    Helper& helper = Start("hidden");
    ASSERT_TRUE(helper.ready());
    for (ProcessApi api : {ProcessApi::Psapi, ProcessApi::ToolHelp}) {
        EXPECT_TRUE(IsProgramRunning(" \"process helper.exe\" ", api));
    }
    EXPECT_TRUE(IsProgramRunning("  \"" + program_ + "\"", ProcessApi::Psapi));
    std::vector<DWORD> ids = EnumProcessIds();
    EXPECT_NE(std::find(ids.begin(), ids.end(), GetCurrentProcessId()), ids.end());
    EXPECT_TRUE(ProcessIdExists(helper.id()));

    ASSERT_TRUE(TerminateProgram(program_, true));
    DWORD exitCode = 1;
    ASSERT_TRUE(helper.Ended(kEndMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_FALSE(IsProgramRunning(program_, ProcessApi::Psapi));
    EXPECT_FALSE(ProcessIdExists(helper.id()));
    EXPECT_FALSE(TerminateProgram(program_, true));
}

// --- main windows and messages ----------------------------------------------------

TEST(ProcessWindowTest, AnOwnerOfTwoWindowsOutscoresATitledVisibleWindow) {
    win::Window plain = MakeWindow("Plain", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr);
    win::Window owner = MakeWindow("", WS_OVERLAPPED, nullptr);
    win::Window owned1 = MakeWindow("", WS_OVERLAPPED, owner.get());
    win::Window owned2 = MakeWindow("", WS_OVERLAPPED, owner.get());
    TAnalizer analizer(GetCurrentProcessId());
    analizer.CollectWindows();
    analizer.ScoreWindows();
    const struct {
        HWND window;
        uint16_t score;
    } expected[] = {{plain.get(), 3}, {owner.get(), 8}, {owned1.get(), 0}, {owned2.get(), 0}};
    for (const auto& e : expected) {
        bool seen = false;
        for (uint32_t i = 0; i < analizer.WindowCount(); ++i) {
            if (analizer.WindowAt(i) != e.window) continue;
            seen = true;
            EXPECT_EQ(analizer.ScoreAt(i), e.score) << WindowTextOf(e.window);
        }
        EXPECT_TRUE(seen);
    }
    EXPECT_EQ(analizer.BestWindow(), owner.get());
}

TEST(ProcessWindowTest, TopOwnerFollowsTheWholeChain) {
    win::Window top = MakeWindow("", WS_OVERLAPPED, nullptr);
    win::Window middle = MakeWindow("", WS_POPUP, top.get());
    win::Window bottom = MakeWindow("", WS_POPUP, middle.get());
    EXPECT_EQ(TopOwnerWindow(bottom.get()), top.get());
    EXPECT_EQ(TopOwnerWindow(middle.get()), top.get());
    EXPECT_EQ(TopOwnerWindow(top.get()), nullptr);
}

TEST_F(ProcessTest, MainWindowOfAProgramIsTheOwner) {
    ASSERT_TRUE(Start("owner").ready());
    EXPECT_EQ(ClassOf(FindMainWindow(program_, true)), "OwnerWindow");
    EXPECT_EQ(ClassOf(FindMainWindow("process helper.exe", false)), "OwnerWindow");
    EXPECT_EQ(FindMainWindow("process helper.exe", true), nullptr);
}

TEST_F(ProcessTest, HiddenUntitledUnownedWindowsMakeNoMainWindow) {
    Helper& helper = Start("hidden");
    ASSERT_TRUE(helper.ready());
    EXPECT_EQ(FindMainWindow(program_, true), nullptr);
    EXPECT_FALSE(PostProcessMessage(program_, true, WM_APP, 1, 2));
    EXPECT_TRUE(helper.Running());
}

TEST_F(ProcessTest, PostedMessageReachesTheMainWindow) {
    Helper& helper = Start("owner");
    ASSERT_TRUE(helper.ready());
    EXPECT_TRUE(PostProcessMessage(program_, true, WM_APP, 40, 2));
    DWORD exitCode = 0;
    ASSERT_TRUE(helper.Ended(kEndMs, exitCode));
    EXPECT_EQ(exitCode, 42u);
}

TEST_F(ProcessTest, CloseQuitAndTerminateEndTheProgramEachInItsWay) {
    const struct {
        const char* name;
        bool (*ask)(const Text&, bool);
        DWORD exitCode;
    } cases[] = {
        {"close", CloseProgram, testing_support::kClosedExitCode},
        {"quit", QuitProgram, 15},
        {"terminate", TerminateProgram, 0},
    };
    for (const auto& c : cases) {
        Helper& helper = Start("owner");
        ASSERT_TRUE(helper.ready()) << c.name;
        // A bare name is not enough when the full path is asked for.
        EXPECT_FALSE(c.ask("process helper.exe", true)) << c.name;
        EXPECT_TRUE(helper.Running()) << c.name;
        EXPECT_TRUE(c.ask(program_, true)) << c.name;
        DWORD exitCode = 999;
        ASSERT_TRUE(helper.Ended(kEndMs, exitCode)) << c.name;
        EXPECT_EQ(exitCode, c.exitCode) << c.name;
        EXPECT_FALSE(c.ask(program_, true)) << c.name << " of a program that has ended";
    }
}

// --- waits -------------------------------------------------------------------------------

TEST_F(ProcessTest, WaitForProgramEndServesMessagesUntilTheEnd) {
    for (ProcessApi api : {ProcessApi::Psapi, ProcessApi::ToolHelp}) {
        Helper& helper = Start("hidden");
        ASSERT_TRUE(helper.ready());
        // Only a timer message of this thread ends the helper: the wait must
        // dispatch it.
        g_helperToEnd = &helper;
        UINT_PTR timer = SetTimer(nullptr, 0, 300, EndHelperOnTimer);
        WaitForProgramEnd("\"" + program_ + "\"", 30000, api);
        KillTimer(nullptr, timer);
        DWORD exitCode = 0;
        EXPECT_TRUE(helper.Ended(0, exitCode));
        EXPECT_EQ(exitCode, 9u);
    }
}

TEST_F(ProcessTest, WaitForProgramEndKeepsItsLimit) {
    Helper& helper = Start("hidden");
    ASSERT_TRUE(helper.ready());
    int64_t start = NowMs();
    WaitForProgramEnd(program_, 1000, ProcessApi::Psapi);
    EXPECT_GE(NowMs() - start, 1000);
    EXPECT_TRUE(helper.Running());
}

TEST_F(ProcessTest, WaitForAProgramThatDoesNotRunEnds) {
    WaitForProgramEnd(folder_ / "not running.exe", 0, ProcessApi::Psapi);
}

TEST(ProcessWaitTest, WaitWhileWindowExistsServesMessagesUntilTheWindowGoes) {
    for (const char* title : {"", "Waited"}) {
        win::Window window = MakeWindow("Waited", WS_OVERLAPPED, nullptr);
        g_windowToDestroy = window.get();
        UINT_PTR timer = SetTimer(nullptr, 0, 200, DestroyWindowOnTimer);
        WaitWhileWindowExists("ProcessTestWindow", title);
        KillTimer(nullptr, timer);
        EXPECT_FALSE(IsWindow(window.get())) << title;
        window.release();
    }
    WaitWhileWindowExists("", "");  // would stand for any window
    WaitWhileWindowExists("NoSuchWindowClass", "");
}
