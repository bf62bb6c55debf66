#pragma once

#include <string>
#include <string_view>

// Shell-style patterns for paths, as the map file and --exclude write them.
// `*` is any run of bytes but `/`, `?` one byte but `/`, `[...]` one byte of a
// class (`[!...]` or `[^...]` of its complement, `a-z` a range, a `]` first
// a member), never `/`; a backslash takes the next byte as it stands. A `**`
// that is a whole segment (`**/x`, `x/**/y`, `x/**`) is any number of whole
// segments, none included. A pattern without a `/` is matched against the
// path's last segment, at any depth; one with a `/` against the whole path,
// a leading `/` only anchoring it. Paths are relative, segments joined by `/`.

// Whether `pattern` matches `path`.
bool glob_matches(std::string_view pattern, std::string_view path);

// Empty when `pattern` is well formed, else why not (an unclosed `[`, a
// trailing backslash, nothing to match).
std::string glob_problem(std::string_view pattern);
