// The forms of the two diagnostic outputs that need no Windows: the trace
// stream with its 128-character buffer and hand-over points, the line-end
// normalisation of the trace file, and the stub log's lines and file name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "util/Text.h"

namespace trace {

constexpr size_t kBufferSize = 128;
constexpr size_t kLargestChunk = 10241;

// Marks the end of a trace line: Trace() << ... << trace::endl.
struct EndLine {};
constexpr EndLine endl{};

// Collects written characters and hands them over as chunks: when the buffer
// is full and after every LF. Not thread-safe by itself; the owner locks.
class TraceBuffer {
public:
    using Sink = std::function<void(const Text& chunk)>;
    explicit TraceBuffer(Sink sink) : sink_(std::move(sink)) {}

    void Write(const char* data, size_t n);
    void Write(const Text& text) { Write(text.data(), text.size()); }
    // Hands over whatever is left (text written without a line end).
    void Flush();

private:
    char buffer_[kBufferSize] = {};
    size_t count_ = 0;
    Sink sink_;
};

// The text a chunk carries to its receivers: at most kLargestChunk
// characters, ending early at an embedded NUL.
Text ChunkText(const char* data, size_t n);
// CR LF line ends for the trace file: CR LF pairs, lone CRs and lone LFs
// each become one CR LF.
Text NormaliseLineEnds(const Text& chunk);

// Writes the pieces of a trace line in their text forms.
class TraceLine {
public:
    explicit TraceLine(TraceBuffer& buffer) : buffer_(buffer) {}
    TraceLine& operator<<(const Text& text) { buffer_.Write(text); return *this; }
    TraceLine& operator<<(const char* text);
    TraceLine& operator<<(char c) { buffer_.Write(&c, 1); return *this; }
    TraceLine& operator<<(bool value);
    TraceLine& operator<<(int value) { return Signed(value); }
    TraceLine& operator<<(long value) { return Signed(value); }
    TraceLine& operator<<(long long value) { return Signed(value); }
    TraceLine& operator<<(unsigned value) { return Unsigned(value); }
    TraceLine& operator<<(unsigned long value) { return Unsigned(value); }
    TraceLine& operator<<(unsigned long long value) { return Unsigned(value); }
    TraceLine& operator<<(EndLine) { return *this << '\n'; }

private:
    TraceLine& Signed(long long value);
    TraceLine& Unsigned(unsigned long long value);
    TraceBuffer& buffer_;
};

// One stub log line: stamp, blank, thread id right-aligned in 5, the
// indentation, the text, CR LF.
Text StubLogLine(const Text& stamp, uint32_t threadId, const Text& indent, const Text& text);
// X_<name>.log beside the executable (no second "X_" for a transient copy).
Text StubLogPathFor(const Text& exePath);

}  // namespace trace
