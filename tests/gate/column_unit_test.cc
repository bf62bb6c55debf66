// Columns counted in each unit from the bytes of a line before a name, and
// counted again for a checked file's findings from its lines.

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "check_support.h"
#include "gate/column_unit.h"
#include "gate/findings.h"
#include "gate/gate_engine.h"

namespace {

struct ColumnCase {
    const char* what;
    std::string before;  // the line's bytes before the name
    uint64_t display, character, byte;
};

TEST(ColumnUnit, CountsTheBytesBeforeANameInEachUnit) {
    const ColumnCase cases[] = {
        {"line start", "", 1, 1, 1},
        {"ASCII", "ab c", 5, 5, 5},
        {"tabs to multiples of 8", "\t\t", 17, 3, 3},
        {"a tab after text", "abc\t", 9, 5, 5},
        {"a tab on a tab stop", "12345678\t", 17, 10, 10},
        {"two-byte characters", "<span>\xc3\xa9 \xc3\xbc</span> ", 18, 18, 20},
        {"wide East Asian", "\xe6\x97\xa5\xe6\x9c\xac ", 6, 4, 8},
        {"fullwidth form", "\xef\xbc\xa1", 3, 2, 4},
        {"an emoji", "\xf0\x9f\x98\x80", 3, 2, 5},
        {"combining accent", "e\xcc\x81", 2, 3, 4},
        {"zero width space", "\xe2\x80\x8b", 1, 2, 4},
        {"invalid bytes one each", "\xff\xfe", 3, 3, 3},
        {"a sequence cut short", "\xe6\x97 ", 4, 4, 4},
        {"overlong", "\xc0\xaf", 3, 3, 3},
        {"a surrogate", "\xed\xa0\x80", 4, 4, 4},
        {"beyond U+10FFFF", "\xf4\x90\x80\x80", 5, 5, 5},
        {"a lead byte before a tab", "\xe6\t", 9, 3, 3},
        {"a C1 control", "\xc2\x85", 2, 2, 3},
    };
    for (const ColumnCase& c : cases) {
        for (auto [unit, expected] :
             {std::pair{ColumnUnit::display, c.display},
              std::pair{ColumnUnit::character, c.character}, std::pair{ColumnUnit::byte, c.byte}}) {
            ColumnCount count;
            EXPECT_EQ(count_column(count, c.before, c.before.size(), unit), expected)
                << c.what << ", " << column_unit_name(unit);
        }
    }
}

TEST(ColumnUnit, CountsOnAlongALineAndStopsInsideACharacter) {
    std::string line = "\t\xe6\x97\xa5x\t<b";
    ColumnCount count;
    EXPECT_EQ(count_column(count, line, 1, ColumnUnit::display), 9u);
    EXPECT_EQ(count_column(count, line, 2, ColumnUnit::display), 9u);  // inside the character
    EXPECT_EQ(count_column(count, line, 4, ColumnUnit::display), 11u);
    EXPECT_EQ(count_column(count, line, 6, ColumnUnit::display), 17u);
    EXPECT_EQ(count_column(count, line, 99, ColumnUnit::display), 19u);  // past the line's end
}

TEST(ColumnUnit, WidthsOfSomeCodePoints) {
    const std::pair<uint32_t, int> cases[] = {
        {'a', 1},    {0xe9, 1},   {0x300, 0},  {0x1100, 2},  {0x3000, 2},  {0x4e00, 2},
        {0xac00, 2}, {0xfeff, 0}, {0xff01, 2}, {0x1f600, 2}, {0x20000, 2}, {0x10ffff, 1},
        {0x200d, 0}, {0x20ac, 1}, {0xfe0f, 0}, {0x0591, 0},
    };
    for (auto [code, width] : cases)
        EXPECT_EQ(display_width(code), width) << std::hex << code;
}

// The places of a file's findings and their notes, counted again from the
// file in each unit.
TEST(FindingColumns, CountsTheReportedPlacesAgainFromTheFile) {
    ScratchFile file;
    fill_scratch_file(file, "\t<b>\xc3\xa9<i>\n\xe6\x97\xa5 </b>\n x\t</b>\n");
    GateEngine engine;
    engine.table = make_tag_table({"<b", "<i"}, {"</b", "</i"});
    engine.matcher = build_tag_matcher(engine.table);
    FileReader reader;
    const std::pair<ColumnUnit, std::string> cases[] = {
        {ColumnUnit::byte, "never-closed 1:7 note 2:5 closes-nothing 3:4 "},
        {ColumnUnit::character, "never-closed 1:6 note 2:3 closes-nothing 3:4 "},
        {ColumnUnit::display, "never-closed 1:13 note 2:4 closes-nothing 3:9 "},
    };
    auto place_text = [](const NamePlace& place) {
        return std::to_string(place.line) + ":" + std::to_string(place.column) + " ";
    };
    for (const auto& [unit, expected] : cases) {
        FileCheck check = check_one_file(engine, file.path, reader, unit);
        ASSERT_EQ(check.status, FileStatus::checked);
        std::string places;
        FindingWalk walk{check, false};
        for (Finding finding; next_finding(walk, finding);) {
            if (finding.place.line == 0)
                continue;
            places += std::string(finding_id(finding.kind)) + " " + place_text(finding.place);
            FindingNotes notes = notes_of(check, finding);
            for (size_t n = 0; n < notes.count; ++n)
                places += "note " + place_text(notes.notes[n].place);
        }
        EXPECT_EQ(places, expected) << column_unit_name(unit);
    }
}

}  // namespace
