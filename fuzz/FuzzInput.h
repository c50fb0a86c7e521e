// Helpers shared by the fuzz targets: split one input into several texts,
// and a scratch file for readers that take a path.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

// Consumes the input as texts separated by NUL bytes.
class Splitter {
public:
    Splitter(const uint8_t* data, size_t size) : text_(reinterpret_cast<const char*>(data), size) {}
    std::string Next() {
        if (at_ > text_.size()) return std::string();
        size_t nul = text_.find('\0', at_);
        if (nul == std::string::npos) nul = text_.size();
        std::string part = text_.substr(at_, nul - at_);
        at_ = nul + 1;
        return part;
    }
    int NextInt(int modulo) {
        std::string part = Next();
        unsigned value = 0;
        for (unsigned char c : part) value = value * 31 + c;
        return modulo > 0 ? static_cast<int>(value % static_cast<unsigned>(modulo)) : 0;
    }

private:
    std::string text_;
    size_t at_ = 0;
};

// A file in memory-backed temp space, per process; removed when the
// process exits.
inline const std::string& ScratchPath() {
    static const std::string& path = *[] {
        auto* name = new std::string("/dev/shm/stubfuzz." + std::to_string(getpid()));
        std::atexit([] { std::remove(ScratchPath().c_str()); });
        return name;
    }();
    return path;
}

// The scratch file holding the input.
inline std::string WriteScratchFile(const uint8_t* data, size_t size) {
    const std::string& path = ScratchPath();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return std::string();
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
    return path;
}

}  // namespace fuzz
