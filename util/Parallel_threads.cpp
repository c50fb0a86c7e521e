// Threaded side of util/Parallel.h: the jobs are handed out through one
// shared counter, so a slow job does not hold back the others.
#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "util/Parallel.h"

namespace parallel {

unsigned HardwareWorkers() {
    return std::max(1u, std::thread::hardware_concurrency());
}

void ForEach(size_t count, unsigned workers, const std::function<void(size_t)>& job) {
    std::atomic<size_t> next{0};
    auto work = [&]() {
        for (size_t i = next++; i < count; i = next++) job(i);
    };
    const size_t helpers = std::min<size_t>(std::max(1u, workers), count) - (count > 0 ? 1 : 0);
    std::vector<std::thread> threads;
    threads.reserve(helpers);
    for (size_t t = 0; t < helpers; ++t) threads.emplace_back(work);
    work();
    for (std::thread& thread : threads) thread.join();
}

}  // namespace parallel
