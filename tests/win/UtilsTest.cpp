// Tests of the Windows system routines: the pumping wait, folders, screen and
// shell helpers, INI files in a fresh folder per test, registry values under a
// key of the tests' own, and the machine and user texts.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "util/Dates.h"
#include "util/Handles.h"
#include "util/Utils.h"

namespace {

const char kFallbackErrorText[] = "Error Reading \"SysUtils.SysErrorMessage(GetLastError)\"";

bool FolderExists(const Text& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The folder the tests put their files in: STUB_TEST_TMP when ctest sets it,
// the user's temporary folder otherwise.
Text ScratchRoot() {
    const char* fromCtest = std::getenv("STUB_TEST_TMP");
    if (fromCtest != nullptr && *fromCtest != 0) {
        Text root = ReplaceChar(fromCtest, '/', '\\');
        CreateDirectoryA(root.c_str(), nullptr);
        if (FolderExists(root)) return root;
    }
    return TempFolder(false);
}

void DeleteFolderWithFiles(const Text& folder) {
    WIN32_FIND_DATAA found;
    win::FindHandle find(FindFirstFileA((folder + "\\*").c_str(), &found));
    if (find.valid()) {
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                DeleteFileA((folder + "\\" + found.cFileName).c_str());
        } while (FindNextFileA(find.get(), &found));
    }
    find.reset();
    RemoveDirectoryA(folder.c_str());
}

bool WriteWholeFile(const Text& path, const std::string& content) {
    win::FileHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file.valid() && WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written,
                                     nullptr) &&
           written == content.size();
}

// A hidden window of the tests' own class that counts the WM_APP messages it
// receives.
class CountingWindow {
public:
    explicit CountingWindow(const char* title = "") {
        received_ = 0;
        window_.reset(CreateWindowExA(0, ClassName(), title, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                      nullptr, GetModuleHandleA(nullptr), nullptr));
    }
    HWND get() const { return window_.get(); }
    static int received() { return received_; }

private:
    static const char* ClassName() {
        static const char kName[] = "UtilsTestCountingWindow";
        static win::WindowClass registered = [] {
            WNDCLASSA windowClass{};
            windowClass.lpfnWndProc = Procedure;
            windowClass.hInstance = GetModuleHandleA(nullptr);
            windowClass.lpszClassName = kName;
            return win::WindowClass(windowClass.hInstance, RegisterClassA(&windowClass));
        }();
        return kName;
    }
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_APP) {
            ++received_;
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
    static int received_;
    win::Window window_;
};
int CountingWindow::received_ = 0;

int64_t IndependentMs() {
    LARGE_INTEGER counter;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return counter.QuadPart * 1000 / frequency.QuadPart;
}

}  // namespace

// --- waiting --------------------------------------------------------------------

TEST(WaitTest, SliceIsATenthLimitedTo1To25UnlessGiven) {
    struct Case {
        DWORD slice;
        int64_t milliseconds;
        DWORD expected;
    } cases[] = {
        {0, 2, 1},   {0, 300, 25},  {0, 100, 10}, {0, 0, 1},    {0, -50, 1},
        {0, 19, 1},  {0, 20, 2},    {0, 259, 25}, {0, int64_t{1} << 40, 25},
        {7, 1000, 7}, {40, 5, 40},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WaitSlice(c.slice, c.milliseconds), c.expected) << c.slice << ", " << c.milliseconds;
    }
}

TEST(WaitTest, MessagesPostedBeforeAWaitAreDispatchedDuringIt) {
    CountingWindow window;
    ASSERT_NE(window.get(), nullptr);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(PostMessageA(window.get(), WM_APP, 0, 0));
    WaitPumping(0, 0);
    EXPECT_EQ(CountingWindow::received(), 3);
}

TEST(WaitTest, PumpMessagesDispatchesTheWholeQueue) {
    CountingWindow window;
    ASSERT_NE(window.get(), nullptr);
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(PostMessageA(window.get(), WM_APP, 0, 0));
    PumpMessages(0);
    EXPECT_EQ(CountingWindow::received(), 5);
}

TEST(WaitTest, AWaitLastsAtLeastItsTime) {
    for (int64_t milliseconds : {0, 1, 60}) {
        int64_t start = IndependentMs();
        WaitPumping(0, milliseconds);
        EXPECT_GE(IndependentMs() - start, milliseconds);
    }
}

TEST(WaitTest, NowMsFollowsThePerformanceCounter) {
    int64_t before = IndependentMs();
    int64_t now = NowMs();
    int64_t after = IndependentMs();
    EXPECT_GE(now, before - 1);
    EXPECT_LE(now, after + 1);
}

// --- folders -----------------------------------------------------------------------

TEST(FoldersTest, EachFolderExistsWithExactlyOneOrNoTrailingBackslash) {
    struct Case {
        const char* name;
        Text (*folder)(bool);
    } cases[] = {
        {"temp", TempFolder}, {"windows", WindowsFolder}, {"system", SystemFolder}, {"own", OwnFolder},
    };
    for (const Case& c : cases) {
        Text with = c.folder(true);
        Text without = c.folder(false);
        ASSERT_GT(without.size(), 2u) << c.name;
        EXPECT_NE(without.back(), '\\') << c.name;
        EXPECT_EQ(with, without + "\\") << c.name;
        EXPECT_TRUE(FolderExists(with)) << c.name;
    }
}

TEST(FoldersTest, OwnExePathNamesThisProgram) {
    EXPECT_EQ(OwnExePath(true), "win_tests");
    EXPECT_TRUE(SameText(OwnExePath(false), OwnFolder(true) + "win_tests.exe")) << OwnExePath(false);
}

// --- screen, shell and windows ---------------------------------------------------

TEST(UtilsTest, PointsToPixelsRoundsToTheNearestPixel) {
    int dpi = ScreenDpi();
    ASSERT_GT(dpi, 0);
    for (int points : {0, 1, 2, 8, 9, 10, 11, 72, -72, 144}) {
        EXPECT_EQ(PointsToPixels(points), std::lround(points * dpi / 72.0)) << points << " at " << dpi;
    }
}

TEST(UtilsTest, CentreInWorkAreaCutsHalvesTowardZero) {
    RECT area;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0));
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    struct Case {
        int width, height, left, top;
    } cases[] = {
        {width, height, area.left, area.top},
        {0, 0, area.left + width / 2, area.top + height / 2},
        {width - 101, height - 3, area.left + 50, area.top + 1},
        {width + 101, height + 3, area.left - 50, area.top - 1},
    };
    for (const Case& c : cases) {
        int left = -1;
        int top = -1;
        CentreInWorkArea(c.width, c.height, left, top);
        EXPECT_EQ(left, c.left) << c.width;
        EXPECT_EQ(top, c.top) << c.height;
    }
}

TEST(UtilsTest, WindowTextOfIsTheTitleUpTo1023Characters) {
    EXPECT_EQ(WindowTextOf(nullptr), "");
    CountingWindow titled("Caption of a window");
    EXPECT_EQ(WindowTextOf(titled.get()), "Caption of a window");
    Text longTitle(2000, 'w');
    CountingWindow longWindow(longTitle.c_str());
    EXPECT_EQ(WindowTextOf(longWindow.get()), Text(1023, 'w'));
}

TEST(UtilsTest, LoadProcFindsEntryPointsAndReportsFailures) {
    HMODULE module = reinterpret_cast<HMODULE>(1);
    EXPECT_NE(LoadProc("kernel32.dll", "GetTickCount", &module), nullptr);
    EXPECT_EQ(module, GetModuleHandleA("kernel32.dll"));

    EXPECT_EQ(LoadProc("kernel32.dll", "NoSuchFunctionAnywhere", &module), nullptr);
    EXPECT_EQ(module, GetModuleHandleA("kernel32.dll"));

    EXPECT_EQ(LoadProc("no-such-library-here.dll", "GetTickCount", &module), nullptr);
    EXPECT_EQ(module, nullptr);
    EXPECT_EQ(LoadProc("no-such-library-here.dll", "GetTickCount"), nullptr);
}

TEST(UtilsTest, OpenDocumentReportsWhetherTheShellStartedIt) {
    EXPECT_FALSE(OpenDocument(TempFolder(true) + "no-such-document-here.txt", "", SW_HIDE));
    EXPECT_TRUE(OpenDocument(SystemFolder(true) + "cmd.exe", "/c exit", SW_HIDE));
}

TEST(UtilsTest, PreloadLibrariesLoadsWhatExistsAndRestoresTheErrorMode) {
    UINT before = SetErrorMode(SEM_FAILCRITICALERRORS);
    PreloadLibraries();
    UINT after = SetErrorMode(before);
    EXPECT_EQ(after, static_cast<UINT>(SEM_FAILCRITICALERRORS));
    EXPECT_NE(GetModuleHandleA("shell32.dll"), nullptr);
    EXPECT_NE(GetModuleHandleA("RICHED32.DLL"), nullptr);
}

TEST(UtilsTest, LocalNowIsTodaysLocalDate) {
    SYSTEMTIME today;
    GetLocalTime(&today);
    CivilTime now = CivilFromDateTime(LocalNow());
    EXPECT_EQ(now.year, today.wYear);
    EXPECT_EQ(now.month, today.wMonth);
    EXPECT_EQ(now.day, today.wDay);
}

TEST(UtilsTest, LastErrorTextGivesTheSystemTextOrTheFallback) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    Text known = LastErrorText();
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(known.empty());
    EXPECT_NE(known, kFallbackErrorText);
    EXPECT_NE(known.back(), '\n');

    for (DWORD code : {0x80000000u, 0x80070002u, 0xFFFFFFFFu, 0x1FFFFFFFu}) {
        SetLastError(code);
        Text text = LastErrorText();
        DWORD after = GetLastError();
        EXPECT_EQ(text, kFallbackErrorText) << std::hex << code;
        EXPECT_EQ(after, code);
    }
}

// --- INI files ---------------------------------------------------------------------

class IniTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = ScratchRoot() + "\\UtilsIni-" + std::to_string(GetCurrentProcessId()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name();
        DeleteFolderWithFiles(folder_);
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr)) << folder_;
        file_ = folder_ + "\\test.ini";
    }
    void TearDown() override {
        DeleteFolderWithFiles(folder_);
        EXPECT_FALSE(FolderExists(folder_)) << folder_;
    }
    void WriteIni(const std::string& content) { ASSERT_TRUE(WriteWholeFile(file_, content)); }

    Text folder_;
    Text file_;
};

TEST_F(IniTest, ReadIniStringGivesTheValueOrTheDefault) {
    // Keys before the first section are what the platform finds for an
    // empty section name.
    WriteIni("Orphan=there\r\nValue=orphan\r\n[Main]\r\nValue=hello\r\nEmpty=\r\n[]\r\nOrphan=there\r\n");
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    } cases[] = {
        {"Main", "Value", "hello"},  {"Main", "Empty", "dflt"}, {"Main", "Missing", "dflt"},
        {"Other", "Value", "dflt"},  {"", "Orphan", "dflt"},    {"", "Value", "dflt"},
        {"Main", "", "dflt"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadIniString(file_, c.section, c.key, "dflt"), c.expected) << c.section << "/" << c.key;
    }
    EXPECT_EQ(ReadIniString(folder_ + "\\missing.ini", "Main", "Value", "dflt"), "dflt");
}

TEST_F(IniTest, ReadIniIntTakesOnlyDecimalIntegers) {
    WriteIni(
        "[N]\r\nMixed=12abc\r\nNegative=-17\r\nMax=9223372036854775807\r\nMin=-9223372036854775808\r\n"
        "Over=9223372036854775808\r\nHex=0x10\r\nEmpty=\r\nPlus=+5\r\n");
    struct Case {
        const char* key;
        int64_t expected;
    } cases[] = {
        {"Mixed", 99},
        {"Negative", -17},
        {"Max", std::numeric_limits<int64_t>::max()},
        {"Min", std::numeric_limits<int64_t>::min()},
        {"Over", 99},
        {"Hex", 99},
        {"Empty", 99},
        {"Missing", 99},
        {"Plus", 5},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadIniInt(file_, "N", c.key, 99), c.expected) << c.key;
}

TEST_F(IniTest, WrittenValuesReadBack) {
    const int64_t values[] = {0, -1, 1, int64_t{1} << 40, std::numeric_limits<int64_t>::min(),
                              std::numeric_limits<int64_t>::max()};
    int index = 0;
    for (int64_t value : values) {
        Text key = "K" + std::to_string(index++);
        ASSERT_TRUE(WriteIniInt(file_, "Numbers", key, value));
        EXPECT_EQ(ReadIniInt(file_, "Numbers", key, 7), value) << key;
    }
    Text longValue(10240, 'v');
    ASSERT_TRUE(WriteIniString(file_, "Texts", "Long", longValue));
    ASSERT_TRUE(WriteIniString(file_, "Texts", "Short", "s"));
    EXPECT_EQ(ReadIniString(file_, "Texts", "Long", ""), longValue);
    EXPECT_EQ(ReadIniString(file_, "Texts", "Short", ""), "s");
    EXPECT_EQ(ReadIniInt(file_, "Numbers", "K1", 7), -1);
}

TEST_F(IniTest, WritingIntoAMissingFolderFails) {
    EXPECT_FALSE(WriteIniString(folder_ + "\\no\\such\\folder\\x.ini", "S", "K", "v"));
}

// --- registry ------------------------------------------------------------------------

class RegTest : public ::testing::Test {
protected:
    static constexpr const char* kSubkey = "Software\\UtilsRegTest";
    static constexpr const char* kPath = "HKCU\\Software\\UtilsRegTest";

    void SetUp() override {
        DeleteTestKey();
        HKEY created = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSubkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created,
                                  nullptr),
                  ERROR_SUCCESS);
        key_.reset(created);
    }
    void TearDown() override {
        key_.reset();
        DeleteTestKey();
        HKEY opened = nullptr;
        EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, kSubkey, 0, KEY_READ, &opened), ERROR_SUCCESS);
        win::RegKey leftover(opened);
    }
    static void DeleteTestKey() {
        RegDeleteTreeA(HKEY_CURRENT_USER, kSubkey);
        RegDeleteKeyA(HKEY_CURRENT_USER, kSubkey);
    }
    void SetValue(const char* name, DWORD type, const std::string& data) {
        ASSERT_EQ(RegSetValueExA(key_.get(), name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                 static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS)
            << name;
    }
    // Through the wide call, which stores exactly the given characters: the
    // ANSI call adds a terminating zero to a string that lacks one.
    void SetWideValue(const char* name, DWORD type, const std::string& ascii) {
        std::wstring wideName(name, name + std::strlen(name));
        std::wstring data(ascii.begin(), ascii.end());
        ASSERT_EQ(RegSetValueExW(key_.get(), wideName.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                 static_cast<DWORD>(data.size() * sizeof(wchar_t))),
                  ERROR_SUCCESS)
            << name;
    }

    win::RegKey key_;
};

TEST_F(RegTest, ValuesReadByTheirType) {
    using namespace std::string_literals;
    struct Case {
        const char* name;
        DWORD type;
        bool wide;
        std::string data;
        std::string expected;
    } cases[] = {
        {"Sz", REG_SZ, false, "hello\0"s, "hello"},
        {"SzWithoutZero", REG_SZ, true, "abc"s, "abc"},
        {"Expand", REG_EXPAND_SZ, false, "%WINDIR%\\x\0"s, "%WINDIR%\\x"},
        {"DwordAllBits", REG_DWORD, false, "\xFF\xFF\xFF\xFF"s, "4294967295"},
        {"Dword", REG_DWORD, false, "\x2A\0\0\0"s, "42"},
        {"DwordShort", REG_DWORD, false, "xyz"s, "xyz"},
        {"MultiTwo", REG_MULTI_SZ, false, "A\0B\0\0"s, "A<0>B"},
        {"MultiOne", REG_MULTI_SZ, false, "A\0\0"s, "A"},
        {"MultiShort", REG_MULTI_SZ, false, "A\0"s, "A"},
        {"MultiInnerEmpty", REG_MULTI_SZ, false, "A\0\0B\0\0"s, "A<0><0>B"},
        {"Binary", REG_BINARY, false, "ab\0cd"s, "ab"},
        // Wine asks room for a zero it adds to a string stored without one,
        // so a string that fills the buffer exactly is tried as raw data.
        {"LongSzWithoutZero", REG_SZ, true, std::string(10240, 's'), std::string(10240, 's')},
        {"BinaryFillsTheBuffer", REG_BINARY, false, std::string(10241, 'b'), std::string(10241, 'b')},
        {"SzOneTooLong", REG_SZ, false, std::string(10241, 's') + "\0"s, "dflt"},
        {"BinaryOneTooLong", REG_BINARY, false, std::string(10242, 'b'), "dflt"},
    };
    for (const Case& c : cases) {
        if (c.wide) {
            SetWideValue(c.name, c.type, c.data);
        } else {
            SetValue(c.name, c.type, c.data);
        }
    }
    for (const Case& c : cases) EXPECT_EQ(RegReadString(kPath, c.name, "dflt"), c.expected) << c.name;
}

TEST_F(RegTest, EveryFormOfThePathReadsTheSameKey) {
    SetValue("Name", REG_SZ, std::string("found", 6));
    for (const char* path : {"HKCU\\Software\\UtilsRegTest", "hkey_current_user\\Software\\UtilsRegTest",
                             "Software\\UtilsRegTest", "  HKCU\\Software\\UtilsRegTest  ",
                             "HKXX\\Software\\UtilsRegTest"}) {
        EXPECT_EQ(RegReadString(path, "Name", "dflt"), "found") << path;
    }
    EXPECT_EQ(RegReadString(kPath, "Name", "dflt", true), "found");
}

TEST_F(RegTest, MissingValueOrKeyGivesTheDefault) {
    EXPECT_EQ(RegReadString(kPath, "Missing", "dflt"), "dflt");
    EXPECT_EQ(RegReadString(Text(kPath) + "\\NoSuchSubkey", "Name", "dflt"), "dflt");
    EXPECT_EQ(RegReadString("HKLM\\Software\\NoSuchUtilsRegTestKey", "Name", "dflt"), "dflt");
}

TEST(RegPathTest, RootNamesInLongAndShortFormAnyCase) {
    struct Case {
        const char* name;
        HKEY root;
    } cases[] = {
        {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},   {"hkcr", HKEY_CLASSES_ROOT},
        {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},   {"HKCU", HKEY_CURRENT_USER},
        {"Hkey_Local_Machine", HKEY_LOCAL_MACHINE}, {"HKLM", HKEY_LOCAL_MACHINE},
        {"HKEY_USERS", HKEY_USERS},                 {"hku", HKEY_USERS},
        {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG}, {"HKCC", HKEY_CURRENT_CONFIG},
        {"HKEY_DYN_DATA", HKEY_DYN_DATA},           {"HKDD", HKEY_DYN_DATA},
        {"HKXX", HKEY_CURRENT_USER},                {"", HKEY_CURRENT_USER},
        {"HKLM ", HKEY_CURRENT_USER},
    };
    for (const Case& c : cases) EXPECT_EQ(RegRootKey(c.name), c.root) << "'" << c.name << "'";
}

TEST(RegPathTest, SplitRegPathSeparatesRootAndSubkey) {
    struct Case {
        const char* path;
        HKEY root;
        const char* subkey;
    } cases[] = {
        {"hklm\\Software\\X", HKEY_LOCAL_MACHINE, "Software\\X"},
        {"HKLM", HKEY_LOCAL_MACHINE, ""},
        {"Software\\X", HKEY_CURRENT_USER, "Software\\X"},
        {"HKXX\\Software", HKEY_CURRENT_USER, "Software"},
        {"  HKEY_USERS\\.DEFAULT\\Y  ", HKEY_USERS, ".DEFAULT\\Y"},
        {" \tHKCC ", HKEY_CURRENT_CONFIG, ""},
        {"  Software\\Z ", HKEY_CURRENT_USER, "Software\\Z"},
        {"hkcr\\", HKEY_CLASSES_ROOT, ""},
        {"", HKEY_CURRENT_USER, ""},
    };
    for (const Case& c : cases) {
        HKEY root = nullptr;
        Text subkey = "before";
        SplitRegPath(c.path, root, subkey);
        EXPECT_EQ(root, c.root) << "'" << c.path << "'";
        EXPECT_EQ(subkey, c.subkey) << "'" << c.path << "'";
    }
}

// --- machine and user ----------------------------------------------------------------

TEST(MachineTest, UserComputerAndDomainNamesAreKnownAndTrimmed) {
    for (const Text& name : {UserNameText(), ComputerNameText(), UserDomainText()}) {
        ASSERT_FALSE(name.empty());
        EXPECT_EQ(name, Trim(name));
    }
}

TEST(MachineTest, CurrentVersionKeyIsUnderWindowsNt) {
    ASSERT_TRUE(IsWinNT());
    EXPECT_EQ(CurrentVersionKey(), "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
    EXPECT_EQ(GetRegisteredOrganization(), Trim(GetRegisteredOrganization()));
}
