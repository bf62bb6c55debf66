#pragma once

#include <string_view>
#include <vector>

// The strings a matcher finds, each found with its place here as its id. They
// must be prefix-free: none empty, none the beginning of another.
using Patterns = std::vector<std::string_view>;
