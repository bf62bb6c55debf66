#pragma once

#include <cstddef>
#include <new>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

// Starts up to `count` threads running work(); fewer, maybe none, when the
// system will not start more or memory runs out. The callers do the work on
// fewer threads then.
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

// Each thread holds a read buffer: more than this would only take memory.
constexpr size_t kMostThreads = 256;

// The processors this process may run on, at least 1.
size_t available_cores();

// A thread count as given by a user: decimal digits only, at least 1; a value
// too large for any machine counts as kMostThreads.
bool parse_thread_count(std::string_view text, size_t& count);

// `wanted` threads, or the available cores for 0, at most kMostThreads.
size_t threads_to_use(size_t wanted);
