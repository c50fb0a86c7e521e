// Tests of the file utilities on real files in a fresh folder per test, and
// of the self-deleting batch file run by the real command interpreter.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>

#include "tests/win/TestHelper.h"
#include "util/Files.h"
#include "util/Handles.h"
#include "util/Utils.h"

namespace {

using testing_support::FileExists;
using testing_support::FolderExists;
using testing_support::ScratchFolder;

constexpr DWORD kBatchEndMs = 60000;

// Bytes that are not all alike, so that a misplaced block shows.
Text Pattern(size_t size) {
    Text text(size, '\0');
    for (size_t i = 0; i < size; ++i) text[i] = static_cast<char>((i * 7 + i / 251) % 256);
    return text;
}

Text WholeFile(const Text& path) { return ReadFilePart(path, 0, 0); }

bool MakeFile(const Text& path, const Text& content, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    win::FileHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    bool ok = file.valid() &&
              WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
              written == content.size();
    file.reset();
    return ok && SetFileAttributesA(path.c_str(), attributes);
}

uint32_t DosDateOf(const Text& path) {
    win::FileHandle file(
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    FILETIME utc, local;
    WORD date = 0, time = 0;
    if (!file.valid() || !GetFileTime(file.get(), nullptr, nullptr, &utc)) return 0;
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToDosDateTime(&local, &date, &time);
    return (static_cast<uint32_t>(date) << 16) | time;
}

// Every test works in a folder of its own, which must be gone afterwards.
class FilesTest : public ::testing::Test {
protected:
    void TearDown() override {
        testing_support::RemoveFolderTree(folder_.path());
        EXPECT_FALSE(FolderExists(folder_.path())) << folder_.path();
    }
    Text At(const Text& name) const { return folder_ / name; }

    ScratchFolder folder_{"files"};
};

}  // namespace

// --- sizes and blocks ------------------------------------------------------------

TEST(FilesBlockTest, TransferBlockIsATenthBetween1KiBAnd1MiB) {
    const struct {
        uint64_t total, largest, divisor, expected;
    } cases[] = {
        {5000, 1048576, 10, 1024},       {500, 1048576, 10, 500},     {20971520, 1048576, 10, 1048576},
        {5242880, 1048576, 10, 524288},  {10240, 1048576, 10, 1024},  {10250, 1048576, 10, 1025},
        {0, 1048576, 10, 0},             {5000, 1048576, 0, 5000},    {3000000, 100000, 3, 100000},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TransferBlockSize(c.total, c.largest, c.divisor), c.expected)
            << c.total << " / " << c.divisor << " up to " << c.largest;
    }
}

TEST(FilesDiskTest, FreeSpaceIsAskedForTheFirstFolderThenTheRoot) {
    const struct {
        const char* path;
        const char* firstFolder;
        const char* root;
    } cases[] = {
        {"C:\\Apps\\Sub", "C:\\Apps", "C:\\"},
        {"c:/apps/sub/deeper", "c:\\apps", "C:\\"},
        {"C:\\Apps", "C:\\Apps", "C:\\"},
        {"C:\\Apps\\", "C:\\Apps", "C:\\"},
        {"C:\\", "C:\\", "C:\\"},
        {"\\\\server\\share\\dir\\sub", "\\\\server\\share\\dir", "\\\\server\\share\\"},
        {"\\\\server\\share", "\\\\server\\share", "\\\\server\\share\\"},
        {"\\Apps\\Sub", "\\Apps", "\\"},
        {"Apps\\Sub", "Apps", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FirstFolderOf(c.path), c.firstFolder) << c.path;
        EXPECT_EQ(DiskRootOf(c.path), c.root) << c.path;
    }
}

TEST(FilesDiskTest, FreeBytesOfRealAndBogusDrives) {
    EXPECT_GT(DiskFreeBytes(TempFolder(false)), 0.0);
    EXPECT_GT(DiskFreeBytes(""), 0.0);  // the current folder's disk
    // A folder that does not exist is answered for its drive.
    EXPECT_GT(DiskFreeBytes(TempFolder(false).substr(0, 3) + "no such folder\\below"), 0.0);
    DWORD drives = GetLogicalDrives();
    char unused = 'Z';
    while (unused > 'D' && (drives & (1u << (unused - 'A'))) != 0) --unused;
    ASSERT_GT(unused, 'D') << "every drive letter is in use";
    EXPECT_EQ(DiskFreeBytes(Text(1, unused) + ":\\Apps\\Sub"), 0.0);
}

TEST(FilesDiskTest, EjectOfAFixedDiskOrNoDriveFailsWithoutTrace) {
    testing_support::TraceCollector viewer;
    ASSERT_TRUE(viewer.valid());
    for (const Text& path : {TempFolder(false), Text("1:\\x"), Text("")}) {
        EXPECT_FALSE(EjectCD(path)) << path;
    }
    EXPECT_EQ(viewer.text(), "");
}

TEST_F(FilesTest, SizesAndPositions) {
    const Text path = At("three hundred.bin");
    ASSERT_TRUE(MakeFile(path, Pattern(300)));
    EXPECT_EQ(FileSizeByName(path), 300u);
    EXPECT_EQ(FileSizeByName(At("*.bin")), 300u);
    EXPECT_EQ(FileSizeByName(At("missing.bin")), 0u);

    win::FileHandle file(
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file.valid());
    EXPECT_EQ(FileSizeOfHandle(file.get()), 300u);
    EXPECT_EQ(SeekFile(file.get(), 0, FILE_END), 300u);
    EXPECT_EQ(SeekFile(file.get(), 10, FILE_BEGIN), 10u);
    EXPECT_EQ(SeekFile(file.get(), -4, FILE_CURRENT), 6u);
    EXPECT_EQ(SeekFile(file.get(), -7, FILE_CURRENT), kSeekFailed);
    EXPECT_EQ(SeekFile(file.get(), 5000, FILE_BEGIN), 5000u);  // past the end is allowed
}

// --- reading and writing ------------------------------------------------------------

TEST_F(FilesTest, ReadFilePartKeepsToOffsetAndLimit) {
    const Text path = At("part.bin");
    const Text content = Pattern(300);
    ASSERT_TRUE(MakeFile(path, content));
    const struct {
        uint32_t largest;
        uint64_t offset;
        size_t from, length;
    } cases[] = {
        {1000, 0, 0, 300}, {0, 0, 0, 300},    {100, 0, 0, 100},  {0, 250, 250, 50}, {100, 250, 250, 50},
        {10, 295, 295, 5}, {1, 299, 299, 1},  {0, 300, 0, 0},    {0, 301, 0, 0},    {5, uint64_t{1} << 40, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadFilePart(path, c.largest, c.offset), content.substr(c.from, c.length))
            << "largest " << c.largest << ", offset " << c.offset;
    }
    EXPECT_EQ(ReadFilePart(At("missing.bin"), 0, 0), "");
}

TEST_F(FilesTest, ReadFilePartReadsAFileThatAnotherWriterHolds) {
    const Text path = At("held.bin");
    ASSERT_TRUE(MakeFile(path, "held open"));
    win::FileHandle writer(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(writer.valid());
    EXPECT_EQ(ReadFilePart(path, 4, 5), "open");
}

TEST_F(FilesTest, LargeTextsAreWrittenWholeInBlocks) {
    // Sizes around the 1 MiB threshold and ones whose last block is short.
    for (size_t size : {size_t{1048576}, size_t{1048577}, size_t{3 * 1048576 + 3}, size_t{12 * 1048576 + 5}}) {
        const Text path = At("large.bin");
        const Text text = Pattern(size);
        ASSERT_TRUE(WriteTextToFile(path, text, 0, false)) << size;
        EXPECT_EQ(FileSizeByName(path), size);
        EXPECT_TRUE(WholeFile(path) == text) << size;
    }
}

TEST_F(FilesTest, WriteReplacesAndAppendExtends) {
    const Text path = At("text.txt");
    ASSERT_TRUE(WriteTextToFile(path, "a much longer old content", 0, false));
    EXPECT_TRUE(WriteTextToFile(path, "new", 0, false));
    EXPECT_EQ(WholeFile(path), "new");
    EXPECT_TRUE(WriteTextToFile(path, " and more", 0, true));
    EXPECT_EQ(WholeFile(path), "new and more");
    const Text fresh = At("fresh.txt");
    EXPECT_TRUE(WriteTextToFile(fresh, "made by append", 0, true));
    EXPECT_EQ(WholeFile(fresh), "made by append");
    const Text large = Pattern(2 * 1048576 + 17);
    EXPECT_TRUE(WriteTextToFile(fresh, large, 0, true));
    EXPECT_TRUE(WholeFile(fresh) == "made by append" + large);
}

TEST_F(FilesTest, WriteSetsTheDosDateWhenGiven) {
    const uint32_t date = 1087210874u;  // 13 June 2012 16:43:52
    const Text path = At("dated.txt");
    ASSERT_TRUE(WriteTextToFile(path, "x", date, false));
    EXPECT_EQ(DosDateOf(path), date);
    ASSERT_TRUE(WriteTextToFile(path, Pattern(1048576 * 2), date, true));
    EXPECT_EQ(DosDateOf(path), date);
    ASSERT_TRUE(WriteTextToFile(path, "y", 0, false));
    EXPECT_NE(DosDateOf(path), date);
}

TEST_F(FilesTest, WriteWhereTheFileCannotBeOpenedFailsAndKeepsTheOld) {
    EXPECT_FALSE(WriteTextToFile(At("missing folder\\file.txt"), "x", 0, false));
    EXPECT_FALSE(WriteTextToFile(At("missing folder\\file.txt"), "x", 0, true));
    const Text path = At("locked.txt");
    ASSERT_TRUE(MakeFile(path, "kept"));
    {
        win::FileHandle exclusive(
            CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(exclusive.valid());
        EXPECT_FALSE(WriteTextToFile(path, "lost", 0, true));
        EXPECT_FALSE(WriteTextToFile(path, "lost", 0, false));
    }
    EXPECT_EQ(WholeFile(path), "kept");
}

// --- deleting ------------------------------------------------------------------------

TEST_F(FilesTest, DeleteFilesTakesEveryMatchAndClearsAttributesWhenAsked) {
    ASSERT_TRUE(MakeFile(At("a.tmp"), "a"));
    ASSERT_TRUE(MakeFile(At("hidden.tmp"), "h", FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(MakeFile(At("system.tmp"), "s", FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(MakeFile(At("readonly.tmp"), "r", FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(MakeFile(At("keep.txt"), "k"));

    EXPECT_TRUE(DeleteFiles(At("*.tmp"), false));
    EXPECT_FALSE(FileExists(At("a.tmp")));
    EXPECT_FALSE(FileExists(At("hidden.tmp")));
    EXPECT_FALSE(FileExists(At("system.tmp")));
    EXPECT_TRUE(FileExists(At("readonly.tmp")));  // not asked to clear its attribute

    EXPECT_TRUE(DeleteFiles(At("*.tmp"), true));
    EXPECT_FALSE(FileExists(At("readonly.tmp")));
    EXPECT_TRUE(FileExists(At("keep.txt")));
    EXPECT_FALSE(DeleteFiles(At("*.tmp"), true));  // nothing matches any more
}

TEST_F(FilesTest, DeleteTreeRemovesNestedFoldersWithReadOnlyFiles) {
    const Text tree = At("tree");
    ASSERT_TRUE(CreateDirectoryA(tree.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((tree + "\\sub").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((tree + "\\sub\\deeper").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((tree + "\\hidden").c_str(), nullptr));
    SetFileAttributesA((tree + "\\hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(MakeFile(tree + "\\top.txt", "t"));
    ASSERT_TRUE(MakeFile(tree + "\\sub\\deeper\\readonly.txt", "r", FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(MakeFile(tree + "\\hidden\\file.txt", "h", FILE_ATTRIBUTE_HIDDEN));

    EXPECT_FALSE(DeleteTree(tree, false));  // the read-only file holds its folder
    EXPECT_TRUE(FileExists(tree + "\\sub\\deeper\\readonly.txt"));
    EXPECT_FALSE(FileExists(tree + "\\top.txt"));
    EXPECT_TRUE(DeleteTree(tree + "\\", true));
    EXPECT_FALSE(FolderExists(tree));
}

TEST_F(FilesTest, DeleteTreeOfNothingIsFalse) {
    EXPECT_FALSE(DeleteTree(At("never made"), true));
    EXPECT_FALSE(DeleteTree("", true));
}

TEST_F(FilesTest, DeleteTreeKeepsAFolderWithAFileHeldOpen) {
    const Text tree = At("held");
    ASSERT_TRUE(CreateDirectoryA(tree.c_str(), nullptr));
    ASSERT_TRUE(MakeFile(tree + "\\held.txt", "h"));
    ASSERT_TRUE(MakeFile(tree + "\\free.txt", "f"));
    {
        win::FileHandle held(
            CreateFileA((tree + "\\held.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.valid());
        EXPECT_FALSE(DeleteTree(tree, true));
        EXPECT_TRUE(FolderExists(tree));
        EXPECT_TRUE(FileExists(tree + "\\held.txt"));
        EXPECT_FALSE(FileExists(tree + "\\free.txt"));
    }
    EXPECT_TRUE(DeleteTree(tree, true));
}

// --- the self-deleting batch file -------------------------------------------------

TEST(DeleteMySelfBatchTest, LinesWithAndWithoutFolderRemoval) {
    const Text loop =
        "@ECHO OFF\r\n"
        "SET TRIES=0\r\n"
        ":START\r\n"
        "DEL \"C:\\Prog Files\\100%%\\setup.exe\"\r\n"
        "IF NOT exist \"C:\\Prog Files\\100%%\\setup.exe\" GOTO GONE\r\n"
        "SET /A TRIES+=1\r\n"
        "IF %TRIES% GEQ 7 GOTO GONE\r\n"
        "ping -n 2 127.0.0.1 >nul\r\n"
        "GOTO START\r\n"
        ":GONE\r\n";
    const Text removeFolder = "RD \"C:\\Prog Files\\100%%\"\r\n";
    const Text removeBatch = "DEL \"C:\\Temp\\_DEL_ME_.BAT\"\r\n";
    const Text exe = "C:\\Prog Files\\100%\\setup.exe";
    EXPECT_EQ(SelfDeleteBatchText(exe, "C:\\Temp\\_DEL_ME_.BAT", true, 7), loop + removeFolder + removeBatch);
    EXPECT_EQ(SelfDeleteBatchText(exe, "C:\\Temp\\_DEL_ME_.BAT", false, 7), loop + removeBatch);
}

// The batch file run by the command interpreter, on a file that stands for
// the executable.
class DeleteMySelfRunTest : public FilesTest {
protected:
    // Runs the batch file and waits for its end; false when it did not end.
    static bool RunBatch(const Text& batch) {
        Text commandLine = "cmd.exe /c \"" + batch + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                            nullptr, &startup, &started))
            return false;
        win::KernelHandle process(started.hProcess);
        win::KernelHandle thread(started.hThread);
        return WaitForSingleObject(process.get(), kBatchEndMs) == WAIT_OBJECT_0;
    }
};

TEST_F(DeleteMySelfRunTest, GivesUpOnAFileThatStaysAndStillRemovesItself) {
    const Text target = At("running.exe");
    const Text batch = At(kSelfDeleteBatchName);
    ASSERT_TRUE(MakeFile(target, "still running"));
    win::FileHandle held(CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.valid());
    ASSERT_TRUE(WriteSelfDeleteBatch(batch, target, true, 3));
    EXPECT_TRUE(RunBatch(batch));
    EXPECT_TRUE(FileExists(target));
    EXPECT_TRUE(FolderExists(folder_.path()));  // the folder still holds the file
    EXPECT_FALSE(FileExists(batch));
}

TEST_F(DeleteMySelfRunTest, DeletesTheFileItsFolderAndItself) {
    // A folder name with blanks, a percent sign and a character outside ASCII
    // (o with diaeresis in the ANSI code page).
    const Text programFolder = At("100% sch\xF6n");
    const Text target = programFolder + "\\ended.exe";
    const Text batch = At(kSelfDeleteBatchName);
    ASSERT_TRUE(CreateDirectoryA(programFolder.c_str(), nullptr));
    ASSERT_TRUE(MakeFile(target, "ended"));
    ASSERT_TRUE(WriteSelfDeleteBatch(batch, target, true, 3));
    EXPECT_TRUE(RunBatch(batch));
    EXPECT_FALSE(FileExists(target));
    EXPECT_FALSE(FolderExists(programFolder));
    EXPECT_FALSE(FileExists(batch));
}

TEST_F(DeleteMySelfRunTest, AProgramDeletesItselfAndItsFolderAfterItsEnd) {
    const Text programFolder = At("self deleting");
    const Text program = programFolder + "\\helper.exe";
    ASSERT_TRUE(CreateDirectoryA(programFolder.c_str(), nullptr));
    ASSERT_TRUE(testing_support::CopyTestProgram(program));
    testing_support::Helper helper(program, "deleteme");
    DWORD exitCode = 1;
    ASSERT_TRUE(helper.Ended(kBatchEndMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
    const Text batch = TempFolder(true) + kSelfDeleteBatchName;
    // The batch file ends on its own: poll until everything it deletes is gone.
    for (int tries = 0; tries < 600 && (FolderExists(programFolder) || FileExists(batch)); ++tries) Sleep(100);
    EXPECT_FALSE(FileExists(program));
    EXPECT_FALSE(FolderExists(programFolder));
    EXPECT_FALSE(FileExists(batch));
}
