#include "text/thread_group.h"

#include <sched.h>

size_t available_cores() {
    cpu_set_t cpus;
    if (::sched_getaffinity(0, sizeof cpus, &cpus) == 0 && CPU_COUNT(&cpus) > 0)
        return static_cast<size_t>(CPU_COUNT(&cpus));
    unsigned count = std::thread::hardware_concurrency();
    return count > 0 ? count : 1;
}

bool parse_thread_count(std::string_view text, size_t& count) {
    if (text.empty())
        return false;
    size_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<size_t>(c - '0');
        if (value > kMostThreads)
            value = kMostThreads + 1;
    }
    if (value == 0)
        return false;
    count = value < kMostThreads ? value : kMostThreads;
    return true;
}

size_t threads_to_use(size_t wanted) {
    size_t threads = wanted > 0 ? wanted : available_cores();
    return threads < kMostThreads ? threads : kMostThreads;
}
