#pragma once

#include <sched.h>

#include <new>
#include <system_error>
#include <thread>
#include <vector>

// Starts up to `count` threads running work(); fewer, maybe none, when the
// system will not start more. The callers do the work on fewer threads then.
template <typename Work>
std::vector<std::thread> start_threads(size_t count, const Work& work) {
    std::vector<std::thread> threads;
    try {
        threads.reserve(count);
        while (threads.size() < count)
            threads.emplace_back(work);
    } catch (const std::system_error&) {
    } catch (const std::bad_alloc&) {
    }
    return threads;
}

inline void join_threads(std::vector<std::thread>& threads) {
    for (std::thread& thread : threads)
        thread.join();
}

// The processors this process may run on, at least 1.
inline size_t available_cores() {
    cpu_set_t cpus;
    if (::sched_getaffinity(0, sizeof cpus, &cpus) == 0 && CPU_COUNT(&cpus) > 0)
        return static_cast<size_t>(CPU_COUNT(&cpus));
    unsigned count = std::thread::hardware_concurrency();
    return count > 0 ? count : 1;
}
