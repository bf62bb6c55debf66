#include "reference_check.h"

#include <cstdint>

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

std::string reference_report(const std::vector<std::string>& opn_tag,
                             const std::vector<std::string>& cls_tag,
                             const std::vector<std::string>& lines) {
    size_t n = opn_tag.size();
    std::vector<uint64_t> opn_num(n), cls_num(n);
    int64_t depth = 0;
    bool ok = true;
    std::string structure;
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
                int64_t lvl = depth;
                if (!is_close)
                    depth++;
                if (depth < 0) {
                    depth = 0;
                    ok = false;
                }
                (is_close ? cls_num : opn_num)[k % n]++;
                if (lvl < 0) {
                    structure += "*    ";
                } else {
                    std::string number = std::to_string(lvl + 1);
                    if (number.size() < 3)
                        structure += std::string(3 - number.size(), ' ');
                    structure += number + std::string(static_cast<size_t>(4 * lvl + 2), ' ');
                }
                structure += name + " : " + std::to_string(l + 1) + "\n";
                break;
            }
        }
    }
    if (depth != 0)
        ok = false;
    std::string numbers;
    for (size_t j = 0; j < n; ++j) {
        if (opn_num[j] == 0 && cls_num[j] == 0)
            continue;
        if (opn_num[j] != cls_num[j])
            ok = false;
        numbers += opn_num[j] == cls_num[j] ? "     " : "*    ";
        numbers += opn_tag[j] + " (" + std::to_string(opn_num[j]) + ") - " + cls_tag[j] + " (" +
                   std::to_string(cls_num[j]) + ")\n";
    }
    return "***** TAG STRUCTURE *****\n" + structure + "\n***** TAG NUMBERS *****\n" + numbers +
           "\n" + (ok ? "Judged OK.\n" : "Errors may exist.\n");
}
