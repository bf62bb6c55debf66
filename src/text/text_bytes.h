#pragma once

#include <cstdint>

// The bytes the text rules turn on: a line ends at LF, a CR ends the text of its
// line, and a 0x1A ends the file. Every other byte, NUL included, is ordinary.
constexpr uint8_t kLf = '\n';
constexpr uint8_t kCr = '\r';
constexpr uint8_t kEndOfFileByte = 0x1a;
