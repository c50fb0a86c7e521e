// The trace output's viewer protocol, file appends and the stub log, against
// a real viewer window and real files.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "util/Files.h"
#include "util/Utils.h"
#include "util/VDebug.h"

namespace {

std::vector<std::pair<WPARAM, Text>>* g_received = nullptr;
UINT g_traceMessage = 0;

LRESULT CALLBACK FakeViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == g_traceMessage && g_received) {
        char text[256] = {};
        GlobalGetAtomNameA(static_cast<ATOM>(lParam), text, sizeof(text));
        g_received->emplace_back(wParam, text);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A viewer window of class ".VDebug." in this process; SendMessage from the
// same thread reaches its procedure directly.
class ViewerTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetUpTrace();
        g_traceMessage = RegisterWindowMessageA(trace::kViewerMessage);
        g_received = &received_;
        WNDCLASSA wc = {};
        wc.lpfnWndProc = FakeViewerProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = trace::kViewerClass;
        ASSERT_NE(RegisterClassA(&wc), 0);
        window_ = CreateWindowA(trace::kViewerClass, "", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                                wc.hInstance, nullptr);
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override {
        DestroyWindow(window_);
        UnregisterClassA(trace::kViewerClass, GetModuleHandleA(nullptr));
        g_received = nullptr;
    }
    std::vector<std::pair<WPARAM, Text>> received_;
    HWND window_ = nullptr;
};

TEST_F(ViewerTest, EachChunkArrivesAsAnAtomWithTheSourceNumber) {
    Trace() << 42 << " ==== STUB START ====> " << "cmd" << "<" << trace::endl;
    ASSERT_EQ(received_.size(), 1u);
    EXPECT_EQ(received_[0].first, 1u);
    EXPECT_EQ(received_[0].second, "42 ==== STUB START ====> cmd<\n");
    // The atom is gone once the send has returned.
    EXPECT_EQ(GlobalFindAtomA("42 ==== STUB START ====> cmd<\n"), 0);
}

TEST_F(ViewerTest, LongLineArrivesAsThreeMessages) {
    Trace() << Text(300, 'q') << trace::endl;
    ASSERT_EQ(received_.size(), 3u);
    EXPECT_EQ(received_[0].second.size(), 128u);
    EXPECT_EQ(received_[1].second.size(), 128u);
    EXPECT_EQ(received_[2].second, Text(44, 'q') + "\n");
}

TEST(TraceWithoutViewer, ChunksAreDroppedQuietly) {
    ASSERT_EQ(FindWindowA(trace::kViewerClass, nullptr), nullptr);
    Trace() << "nobody listens" << trace::endl;  // must neither block nor fail
}

class FileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char name[MAX_PATH];
        GetTempFileNameA(TempFolder(false).c_str(), "vdt", 0, name);
        path_ = name;
        DeleteFileA(path_.c_str());
    }
    void TearDown() override { DeleteFileA(path_.c_str()); }
    Text Read() const {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    Text path_;
};

TEST_F(FileTest, AppendCreatesThenAppends) {
    EXPECT_TRUE(AppendTextToFile(path_, "one\r\n", 0));
    EXPECT_TRUE(AppendTextToFile(path_, "two\r\n", 0));
    EXPECT_EQ(Read(), "one\r\ntwo\r\n");
}

TEST_F(FileTest, AppendSetsTheDosDate) {
    ASSERT_TRUE(AppendTextToFile(path_, "x", 1087210874u));  // 13 June 2012 16:43:52
    HANDLE file = CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME utc, local;
    GetFileTime(file, nullptr, nullptr, &utc);
    CloseHandle(file);
    FileTimeToLocalFileTime(&utc, &local);
    WORD date = 0, time = 0;
    FileTimeToDosDateTime(&local, &date, &time);
    EXPECT_EQ((static_cast<uint32_t>(date) << 16) | time, 1087210874u);
}

TEST_F(FileTest, AppendToAFolderThatDoesNotExistFails) {
    EXPECT_FALSE(AppendTextToFile(path_ + "\\missing\\file.txt", "x", 0));
}

TEST_F(FileTest, AppendWhileAnotherHolderLocksTheFileLosesNothing) {
    ASSERT_TRUE(AppendTextToFile(path_, "kept", 0));
    HANDLE exclusive = CreateFileA(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(AppendTextToFile(path_, "lost", 0));
    CloseHandle(exclusive);
    EXPECT_EQ(Read(), "kept");  // never truncated by a failed open
}

TEST(StubLogTest, WritesOnlyWhenEnabled) {
    const Text log = StubLogFileName();
    EXPECT_EQ(log, OwnFolder(true) + "X_" + OwnExePath(true) + ".log");
    DeleteFileA(log.c_str());
    StubLog("not written");
    EXPECT_EQ(GetFileAttributesA(log.c_str()), INVALID_FILE_ATTRIBUTES);
    EnableStubLog(true);
    SetStubLogIndent(" X ");
    StubLog("hello");
    EnableStubLog(false);
    SetStubLogIndent("   ");
    std::ifstream in(log, std::ios::binary);
    std::string line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    DeleteFileA(log.c_str());
    ASSERT_GE(line.size(), 26u);
    const std::string tail = " X hello\r\n";
    EXPECT_EQ(line.substr(line.size() - tail.size()), tail);
    EXPECT_EQ(line[2], DateSeparator());
    EXPECT_EQ(line[11], TimeSeparator());
    EXPECT_EQ(line.size(), 17 + 1 + 5 + tail.size()) << line;  // stamp, blank, thread id in 5
}

}  // namespace
