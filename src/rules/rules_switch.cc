#include "rules/rules_switch.h"

#include <string_view>

#include "rules/case_fold.h"

namespace {

constexpr std::string_view kSwitchPrefix = "tamberlox-gate:";

// Where a read stands among the bytes after the comment's start.
struct SwitchRead {
    const uint8_t* bytes;
    size_t size;
    size_t at = 0;
};

// A letter, digit or '_' after the word makes it another word; "off-->" is off.
bool continues_word(uint8_t byte) {
    return is_ascii_letter(byte) || (byte >= '0' && byte <= '9') || byte == '_';
}

void skip_blanks(SwitchRead& read) {
    while (read.at < read.size && (read.bytes[read.at] == ' ' || read.bytes[read.at] == '\t'))
        ++read.at;
}

bool take_word(SwitchRead& read, std::string_view word) {
    if (read.size - read.at < word.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i) {
        if (fold_case(read.bytes[read.at + i]) != static_cast<uint8_t>(word[i]))
            return false;
    }
    read.at += word.size();
    return true;
}

}  // namespace

Switch read_switch(const uint8_t* bytes, size_t size) {
    SwitchRead read{bytes, size};
    skip_blanks(read);
    if (!take_word(read, kSwitchPrefix))
        return Switch::none;
    skip_blanks(read);
    constexpr struct {
        std::string_view word;
        Switch marker;
    } kWords[] = {{"off-file", Switch::off_file}, {"off", Switch::off}, {"on", Switch::on}};
    for (const auto& known : kWords) {
        SwitchRead word = read;
        if (!take_word(word, known.word))
            continue;
        if (word.at > kSwitchReach)
            return Switch::none;
        if (word.at < size && continues_word(bytes[word.at]))
            continue;
        return known.marker;
    }
    return Switch::none;
}

void apply_switch(Checking& checking, Switch marker) {
    if (marker == Switch::none)
        return;
    checking.off = checking.off_file || marker != Switch::on;
    checking.off_file = checking.off_file || marker == Switch::off_file;
    checking.switched = checking.switched || marker != Switch::on;
}
