// Trace buffering and the text forms of the trace and the stub log.
#include "util/TraceFormat.h"

#include <cstring>

#include "util/Numbers.h"

namespace trace {

void TraceBuffer::Write(const char* data, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        buffer_[count_++] = data[i];
        if (count_ == kBufferSize || data[i] == '\n') Flush();
    }
}

void TraceBuffer::Flush() {
    if (count_ > 0) {
        Text chunk = ChunkText(buffer_, count_);
        count_ = 0;  // emptied whatever the sink does, so the next line starts clean
        if (sink_) sink_(chunk);
    }
}

Text ChunkText(const char* data, size_t n) {
    size_t limit = n < kLargestChunk ? n : kLargestChunk;
    const void* nul = std::memchr(data, '\0', limit);
    size_t length = nul ? static_cast<size_t>(static_cast<const char*>(nul) - data) : limit;
    return Text(data, length);
}

Text NormaliseLineEnds(const Text& chunk) {
    Text out;
    out.reserve(chunk.size() + chunk.size() / 8);
    for (size_t i = 0; i < chunk.size(); ++i) {
        char c = chunk[i];
        if (c == '\r' || c == '\n' || c == '\0') {
            if (c == '\r' && i + 1 < chunk.size() && chunk[i + 1] == '\n') ++i;
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

TraceLine& TraceLine::operator<<(const char* text) {
    if (text) buffer_.Write(text, std::strlen(text));
    return *this;
}

TraceLine& TraceLine::operator<<(bool value) { return *this << BoolText(value); }

TraceLine& TraceLine::Signed(long long value) { return *this << IntText(value); }

TraceLine& TraceLine::Unsigned(unsigned long long value) { return *this << std::to_string(value); }

Text StubLogLine(const Text& stamp, uint32_t threadId, const Text& indent, const Text& text) {
    return stamp + " " + PadLeft(std::to_string(threadId), 5, ' ') + indent + text + "\r\n";
}

Text StubLogPathFor(const Text& exePath) {
    Text name = FileNamePart(exePath);
    if (name.compare(0, 2, "X_") != 0) name = "X_" + name;
    return SetBackslash(FolderPart(exePath), true) + ChangeFileExt(name, ".log");
}

}  // namespace trace
