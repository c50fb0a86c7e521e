// Serial side of util/Parallel.h, for the Windows toolchain without threads.
#include "util/Parallel.h"

namespace parallel {

unsigned HardwareWorkers() {
    return 1;
}

void ForEach(size_t count, unsigned, const std::function<void(size_t)>& job) {
    for (size_t i = 0; i < count; ++i) job(i);
}

}  // namespace parallel
