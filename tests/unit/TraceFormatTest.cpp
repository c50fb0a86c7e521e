// Trace buffering, trace-file line ends and the stub log's forms.
#include <gtest/gtest.h>

#include <vector>

#include "util/TraceFormat.h"

namespace {

struct Collect {
    std::vector<Text> chunks;
    trace::TraceBuffer buffer{[this](const Text& c) { chunks.push_back(c); }};
};

TEST(TraceBuffer, HandsOverAfterEveryLineEnd) {
    Collect out;
    trace::TraceLine(out.buffer) << 1234 << " ==== ThisIs_AutoUpdateProg=" << false << trace::endl;
    trace::TraceLine(out.buffer) << -5 << ' ' << true << trace::endl << trace::endl;
    ASSERT_EQ(out.chunks.size(), 3u);
    EXPECT_EQ(out.chunks[0], "1234 ==== ThisIs_AutoUpdateProg=FALSE\n");
    EXPECT_EQ(out.chunks[1], "-5 TRUE\n");
    EXPECT_EQ(out.chunks[2], "\n");
}

TEST(TraceBuffer, LongLinesTravelIn128CharacterChunks) {
    struct Case {
        size_t length;
        std::vector<size_t> chunkSizes;
    };
    const Case cases[] = {
        {300, {128, 128, 45}},  // the last chunk carries the LF
        {127, {128}},
        {128, {128, 1}},        // a chunk of 128 and one that holds only the LF
        {0, {1}},
    };
    for (const Case& c : cases) {
        Collect out;
        trace::TraceLine(out.buffer) << Text(c.length, 'a') << trace::endl;
        std::vector<size_t> sizes;
        for (const Text& chunk : out.chunks) sizes.push_back(chunk.size());
        EXPECT_EQ(sizes, c.chunkSizes) << c.length;
        EXPECT_EQ(out.chunks.back().back(), '\n');
    }
}

TEST(TraceBuffer, TextWithoutLineEndWaitsForFlush) {
    Collect out;
    trace::TraceLine(out.buffer) << "pending";
    EXPECT_TRUE(out.chunks.empty());
    out.buffer.Flush();
    out.buffer.Flush();  // nothing left: no second chunk
    ASSERT_EQ(out.chunks.size(), 1u);
    EXPECT_EQ(out.chunks[0], "pending");
}

TEST(TraceBuffer, ChunkEndsAtEmbeddedNul) {
    Collect out;
    const char text[] = {'a', 'b', '\0', 'c', '\n'};
    out.buffer.Write(text, sizeof(text));
    ASSERT_EQ(out.chunks.size(), 1u);
    EXPECT_EQ(out.chunks[0], "ab");
    // The buffer was emptied all the same: the next line starts clean.
    out.buffer.Write("z\n");
    EXPECT_EQ(out.chunks.back(), "z\n");
}

TEST(TraceFile, LineEndsBecomeCrLf) {
    EXPECT_EQ(trace::NormaliseLineEnds("a\rb\nc\r\n"), "a\r\nb\r\nc\r\n");
    EXPECT_EQ(trace::NormaliseLineEnds(Text(300, 'x') + "\n"), Text(300, 'x') + "\r\n");
    EXPECT_EQ(trace::NormaliseLineEnds("\n\r\r\n"), "\r\n\r\n\r\n");
    EXPECT_EQ(trace::NormaliseLineEnds(""), "");
}

TEST(StubLog, LineForm) {
    EXPECT_EQ(trace::StubLogLine("24/12/12 14:05:09", 4567, "   ", "CommandLine=/hide"),
              "24/12/12 14:05:09  4567   CommandLine=/hide\r\n");
    EXPECT_EQ(trace::StubLogLine("24/12/12 14:05:09", 7, " X ", ""), "24/12/12 14:05:09     7 X \r\n");
    EXPECT_EQ(trace::StubLogLine("s", 123456, "   ", "t"), "s 123456   t\r\n");  // never cut
}

TEST(StubLog, FileBesideTheExecutable) {
    const struct {
        const char* exe;
        const char* log;
    } cases[] = {
        {"C:\\p\\Setup.exe", "C:\\p\\X_Setup.log"},
        {"C:\\p\\X_Setup.exe", "C:\\p\\X_Setup.log"},
        {"C:\\p\\x_setup.exe", "C:\\p\\X_x_setup.log"},  // the prefix test is case-sensitive
        {"C:\\p\\Setup", "C:\\p\\X_Setup.log"},
        {"C:\\Setup.exe", "C:\\X_Setup.log"},
        {"C:\\a.b\\Setup.v2.exe", "C:\\a.b\\X_Setup.v2.log"},
    };
    for (const auto& c : cases) EXPECT_EQ(trace::StubLogPathFor(c.exe), c.log) << c.exe;
}

}  // namespace
