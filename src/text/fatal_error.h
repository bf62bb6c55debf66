#pragma once

#include <initializer_list>
#include <string_view>

// Both programs end a run this way when it cannot go on.

constexpr std::string_view kAllocationError = "ERROR : Allocation error.\n";

// Writes one message to standard error and ends the process with `status`.
// Each "%s" in format is replaced by the next argument, written byte for byte, so
// names holding NUL or '%' come out exactly as stored; without arguments the
// message is written as it stands. Allocates nothing, so that it works when
// memory has run out. Only a driver ends a run this way.
[[noreturn]] void exit_with_message(int status, std::string_view format,
                                    std::initializer_list<std::string_view> args = {});

// The checker's fatal errors end with status 1.
[[noreturn]] inline void fatal_error(std::string_view format,
                                     std::initializer_list<std::string_view> args = {}) {
    exit_with_message(1, format, args);
}
