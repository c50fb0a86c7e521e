// DecompressText on any stream and limit, against zlib's one-shot inflate:
// it must succeed exactly when the stream is whole and inflates to at most
// the limit, give the same bytes, and never hold more than the limit.
//
// Input: byte 0 (low 4 bits) a shift, bytes 1..2 a little-endian mantissa;
// the limit is mantissa << shift, at most the largest piece. The rest is
// the stream.
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "package/PackFormat.h"
#include "package/UnPack.h"

namespace {

class CountingEvents : public unpack::TExtractEvents {
public:
    void Pump() override { ++pumps; }
    size_t pumps = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const size_t mantissa = data[1] | (static_cast<size_t>(data[2]) << 8);
    const size_t limit = std::min<size_t>(mantissa << (data[0] & 15), pack::kMaxPieceContent);
    const std::string stream(reinterpret_cast<const char*>(data) + 3, size - 3);

    std::string out;
    Text error;
    CountingEvents events;
    const bool ok = unpack::DecompressText(stream, limit, out, error, &events);
    if (ok ? out.size() > limit : error.empty()) __builtin_trap();

    // zlib's reference, one byte beyond the limit to tell "too large"; no
    // stream inflates more than 1032 times its size, which bounds the buffer.
    const size_t room = std::min(limit, 1040 * stream.size() + 64) + 1;
    std::unique_ptr<Bytef[]> reference(new Bytef[room]);
    uLongf produced = room;
    uLong consumed = stream.size();
    const int rc = uncompress2(reference.get(), &produced, reinterpret_cast<const Bytef*>(stream.data()), &consumed);
    const bool whole = rc == Z_OK && produced <= limit;
    if (ok != whole) __builtin_trap();
    if (ok && out.compare(0, std::string::npos, reinterpret_cast<const char*>(reference.get()), produced) != 0)
        __builtin_trap();

    // The extraction reuses its output buffer: a second run over a used one
    // must give the same answer.
    Text again;
    const bool okAgain = unpack::DecompressText(stream, limit, out, again, nullptr);
    if (okAgain != ok || (ok && out.compare(0, std::string::npos, reinterpret_cast<const char*>(reference.get()),
                                            produced) != 0))
        __builtin_trap();
    return 0;
}
