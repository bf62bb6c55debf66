#pragma once

// The checker done the plain way, as an oracle for tests, fuzzing and benchmarks:
// every name tried at every position of every line, the text rules applied byte
// by byte, every pair of names compared.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "tags/name_collision.h"

std::vector<std::string> reference_lines(std::string_view file_bytes);

NameCollision reference_first_collision(const std::vector<std::string>& opn_tag,
                                        const std::vector<std::string>& cls_tag);

// The report for lists free of collisions.
void write_reference_report(FILE* out, const std::vector<std::string>& opn_tag,
                            const std::vector<std::string>& cls_tag,
                            const std::vector<std::string>& lines);

std::string reference_report(const std::vector<std::string>& opn_tag,
                             const std::vector<std::string>& cls_tag,
                             const std::vector<std::string>& lines);
