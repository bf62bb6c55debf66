#include "chunked_text.h"

#include "check_support.h"

std::string text_across_chunks(std::mt19937_64& random, const std::vector<std::string>& names,
                               std::string_view filler, size_t chunk, size_t seams,
                               std::string_view near_bytes, bool names_between) {
    std::string text;
    for (size_t seam = 1; seam <= seams; ++seam) {
        const std::string& name = names[random_below(random, names.size())];
        size_t cut = name.size() < 2 ? 0 : 1 + random_below(random, name.size() - 1);
        size_t start = seam * chunk - cut;
        size_t place = random_below(random, 4);  // before, two before, after, none
        char near = near_bytes[random_below(random, near_bytes.size())];
        size_t before = place < 2 ? place + 1 : 0;
        if (text.size() + before < start) {
            size_t length = start - before - text.size();
            std::string fill = names_between ? random_text_with_names(random, names, length, filler)
                                             : random_text(random, length, filler);
            fill.resize(start - before - text.size(), filler[0]);
            text += fill;
        }
        if (before > 0)
            text += near + std::string(before - 1, filler[0]);
        text += name;
        if (place == 2)
            text += near;
    }
    text += random_text(random, chunk / 2, filler);
    return text;
}

std::string lines_without_names(std::mt19937_64& random, const std::vector<std::string>& names,
                                size_t length, std::string_view alphabet) {
    std::string free_bytes;
    for (char byte : alphabet) {
        bool starts_a_name = false;
        for (const std::string& name : names)
            starts_a_name |= name[0] == byte;
        if (!starts_a_name)
            free_bytes += byte;
    }
    std::string text = random_text(random, length, free_bytes + "\n");
    text.back() = '\n';
    return text;
}

std::vector<std::string> random_name_pairs(std::mt19937_64& random, size_t most_pairs,
                                           const NameStyle& style) {
    std::vector<std::string> names =
        random_prefix_free_names(random, 2 + 2 * random_below(random, most_pairs), style);
    if (names.size() % 2)
        names.pop_back();
    return names;
}
