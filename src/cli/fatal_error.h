#pragma once

#include <initializer_list>
#include <string_view>

// Writes one message to standard error and ends the process with exit status 1.
// Each "%s" in format is replaced by the next argument, written byte for byte, so
// names holding NUL or '%' come out exactly as stored; without arguments the
// message is written as it stands. Allocates nothing, so that it works when
// memory has run out. The driver alone ends a run this way.
[[noreturn]] void fatal_error(std::string_view format,
                              std::initializer_list<std::string_view> args = {});
