// Running independent jobs side by side. The native build uses threads; the
// Windows toolchain has no std::thread (win32 thread model), so its side runs
// the jobs one after another. CMake picks the side, as for Platform.h.
#pragma once

#include <cstddef>
#include <functional>

namespace parallel {

// How many jobs can usefully run at once here (at least 1).
unsigned HardwareWorkers();
// Runs job(0) ... job(count - 1), on up to workers threads, the calling one
// included; returns when all have finished. Jobs must not throw.
void ForEach(size_t count, unsigned workers, const std::function<void(size_t)>& job);

}  // namespace parallel
