#include "reference_check.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

std::vector<std::string> reference_lines(std::string_view file_bytes) {
    std::vector<std::string> lines;
    std::string text;
    bool pending = false;
    bool cut = false;
    for (char byte : file_bytes) {
        if (byte == '\x1a')
            break;
        if (byte == '\n') {
            lines.push_back(text);
            text.clear();
            pending = cut = false;
            continue;
        }
        pending = true;
        if (byte == '\r')
            cut = true;
        if (!cut)
            text += byte;
    }
    if (pending)
        lines.push_back(text);
    return lines;
}

static bool is_prefix(const std::string& a, const std::string& b) {
    if (b.size() < a.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i])
            return false;
    }
    return true;
}

static bool collide(const std::string& a, const std::string& b) {
    return is_prefix(a, b) || is_prefix(b, a);
}

NameCollision reference_first_collision(const std::vector<std::string>& opn_tag,
                                        const std::vector<std::string>& cls_tag) {
    size_t n = opn_tag.size();
    for (size_t i = 0; i + 1 < n; ++i) {
        for (size_t j = i + 1; j < n; ++j) {
            if (collide(opn_tag[i], opn_tag[j]))
                return {CollisionPlace::in_opn, i, j};
            if (collide(cls_tag[i], cls_tag[j]))
                return {CollisionPlace::in_cls, i, j};
        }
    }
    for (size_t j = 0; j < n; ++j) {
        for (size_t k = 0; k < n; ++k) {
            if (collide(opn_tag[j], cls_tag[k]))
                return {CollisionPlace::across, j, k};
        }
    }
    return {};
}

static bool matches_at(const std::string& line, size_t p, const std::string& name) {
    if (line.size() - p < name.size())
        return false;
    return line.compare(p, name.size(), name) == 0;
}

struct ReferenceOccurrence {
    int64_t lvl;
    size_t line;
    const std::string* name;
};

// Prints the way the report is described: "%3d" and one blank at a time.
static void print_occurrence(FILE* out, const ReferenceOccurrence& occurrence) {
    if (occurrence.lvl < 0) {
        std::fputs("*    ", out);
    } else {
        std::fprintf(out, "%3lld", static_cast<long long>(occurrence.lvl + 1));
        for (int64_t blank = 0; blank < 4 * occurrence.lvl + 2; ++blank)
            std::putc(' ', out);
    }
    std::fwrite(occurrence.name->data(), 1, occurrence.name->size(), out);
    std::fprintf(out, " : %zu\n", occurrence.line);
}

void write_reference_report(FILE* out, const std::vector<std::string>& opn_tag,
                            const std::vector<std::string>& cls_tag,
                            const std::vector<std::string>& lines) {
    size_t n = opn_tag.size();
    std::vector<uint64_t> opn_num(n), cls_num(n);
    int64_t depth = 0;
    bool ok = true;
    std::vector<ReferenceOccurrence> occurrences;
    for (size_t l = 0; l < lines.size(); ++l) {
        const std::string& line = lines[l];
        for (size_t p = 0; p < line.size(); ++p) {
            for (size_t k = 0; k < 2 * n; ++k) {
                bool is_close = k >= n;
                const std::string& name = is_close ? cls_tag[k - n] : opn_tag[k];
                if (!matches_at(line, p, name))
                    continue;
                if (is_close)
                    depth--;
                occurrences.push_back({depth, l + 1, &name});
                if (!is_close)
                    depth++;
                if (depth < 0) {
                    depth = 0;
                    ok = false;
                }
                (is_close ? cls_num : opn_num)[k % n]++;
                break;
            }
        }
    }
    if (depth != 0)
        ok = false;
    std::fputs("***** TAG STRUCTURE *****\n", out);
    for (const ReferenceOccurrence& occurrence : occurrences)
        print_occurrence(out, occurrence);
    std::fputs("\n***** TAG NUMBERS *****\n", out);
    for (size_t j = 0; j < n; ++j) {
        if (opn_num[j] == 0 && cls_num[j] == 0)
            continue;
        if (opn_num[j] != cls_num[j])
            ok = false;
        std::fputs(opn_num[j] == cls_num[j] ? "     " : "*    ", out);
        std::fwrite(opn_tag[j].data(), 1, opn_tag[j].size(), out);
        std::fprintf(out, " (%llu) - ", static_cast<unsigned long long>(opn_num[j]));
        std::fwrite(cls_tag[j].data(), 1, cls_tag[j].size(), out);
        std::fprintf(out, " (%llu)\n", static_cast<unsigned long long>(cls_num[j]));
    }
    std::fputs(ok ? "\nJudged OK.\n" : "\nErrors may exist.\n", out);
}

std::string reference_report(const std::vector<std::string>& opn_tag,
                             const std::vector<std::string>& cls_tag,
                             const std::vector<std::string>& lines) {
    char* text = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&text, &size);
    write_reference_report(out, opn_tag, cls_tag, lines);
    std::fclose(out);
    std::string report(text, size);
    std::free(text);
    return report;
}
