// The scan and the report as a check run does them, on files read in chunks of
// every size, against the plain reference checker.

#include <gtest/gtest.h>

#include <random>
#include <span>
#include <string>
#include <vector>

#include "check_support.h"
#include "chunked_text.h"
#include "reference_check.h"

namespace {

using Names = std::vector<std::string>;

// Read buffers from one byte up: names and CRs cut by every kind of chunk boundary.
const size_t kBufferSizes[] = {1, 3, 16, 64, kReadBufferSize};

void expect_report_as_reference(const Names& opn_tag, const Names& cls_tag,
                                const std::string& bytes, const std::string& what,
                                std::span<const size_t> buffer_sizes = kBufferSizes) {
    ScratchFile file;
    fill_scratch_file(file, bytes);
    std::string expected = reference_report(opn_tag, cls_tag, reference_lines(bytes));
    for (size_t buffer_size : buffer_sizes) {
        ASSERT_EQ(check_in_process(opn_tag, cls_tag, file.path, buffer_size), expected)
            << what << ", buffer " << buffer_size;
    }
}

TEST(CheckPipeline, ReportEqualsTheReference) {
    std::mt19937_64 random(1234);
    const NameStyle style{"{}<ab", std::string("ab/>\0", 5), 4};
    for (int round = 0; round < 200; ++round) {
        Names opn_tag, cls_tag;
        random_tag_pairs(random, style, opn_tag, cls_tag);
        Names names = opn_tag;
        names.insert(names.end(), cls_tag.begin(), cls_tag.end());
        expect_report_as_reference(opn_tag, cls_tag, random_checked_file(random, names),
                                   "round " + std::to_string(round));
        if (HasFatalFailure())
            return;
    }
}

struct FileCase {
    const char* what;
    std::string bytes;
};

TEST(CheckPipeline, ChosenFilesGiveTheReferenceReport) {
    const Names opn_tag{"{", "[["};
    const Names cls_tag{"}", "]]"};
    const std::string deep(1000, '{');
    const FileCase cases[] = {
        {"empty file", ""},
        {"no name at all", "text\n"},
        {"close name before any open name", "}\n}{\n"},
        {"unclosed at the end", "{ [[\n"},
        {"crossed pairs", "{ [[ } ]]\n"},
        {"levels past the three-digit field", deep + "\n" + std::string(1000, '}')},
        {"names cut by a CR", "{\r}\n[[\r\n]]\r]]\n"},
        {"a name broken by a line end", "[\n[}\n"},
        {"the end-of-file byte", "{\n}\x1a}}\n"},
        {"NUL bytes inside and between names", std::string("{\0}\0[\0[\n", 8)},
        {"many names on one line", repeat_text("{}", 2600)},
        {"long line cut by a CR", std::string(300, '{') + "\r" + std::string(300, '}') + "\n}"},
    };
    for (const FileCase& c : cases) {
        expect_report_as_reference(opn_tag, cls_tag, c.bytes, c.what);
    }
}

struct ListsCase {
    const char* what;
    Names opn_tag;
    Names cls_tag;
    std::string bytes;
};

// Each list set takes a different way of skipping text: one first byte, three
// first bytes, and more first bytes than the block compares take (skipping by
// the hash of the start bytes).
TEST(CheckPipeline, SkippingKeepsLinesAndNames) {
    const std::string tag_free = repeat_text("no names on this line\n", kReadBufferSize / 16);
    const ListsCase cases[] = {
        {"one first byte, a first read of tag-free lines", {"<a"}, {"<b"}, tag_free + "<a <b\n"},
        {"three first bytes, a first read of tag-free lines",
         {"<a", "{"},
         {"<b", "}"},
         tag_free + "{ <a <b }\n"},
        {"hashed starts, more names than one batch",
         {"ab", "ef", "ij"},
         {"cd", "gh", "kl"},
         repeat_text("ab cd\n", 513)},
    };
    for (const ListsCase& c : cases) {
        ScratchFile file;
        fill_scratch_file(file, c.bytes);
        EXPECT_EQ(check_in_process(c.opn_tag, c.cls_tag, file.path),
                  reference_report(c.opn_tag, c.cls_tag, reference_lines(c.bytes)))
            << c.what;
    }
}

struct StyleCase {
    const char* what;
    NameStyle style;
};

// Files of three full reads: a first read of lines without any name, whose line
// ends the skips must count as the read ends, then names cut by every seam of
// 4 KiB reads, the normal reads' seams among them, with a CR or an LF beside them;
// a 0x1A just past a read's seam ends the file early.
TEST(CheckPipeline, FilesOfSeveralReadsGiveTheReferenceReport) {
    std::mt19937_64 random(99);
    const StyleCase cases[] = {
        {"one first byte", {"<", "ab/<", 6}},
        {"three first bytes", {"<{[", "ab/", 5}},
        {"names hashed by their first bytes", {"abcdefgh", "ab", 6, 2}},
        {"many first bytes, one-byte names", {"abcdefghij", "xy", 3}},
    };
    const size_t seam = 4096;
    const size_t buffer_sizes[] = {seam, kReadBufferSize};
    for (const StyleCase& c : cases) {
        for (int round = 0; round < 2; ++round) {
            Names names = random_name_pairs(random, 4, c.style);
            if (names.empty())
                continue;
            // Few names, so that the report's indentation stays short.
            const std::string filler = " .,;-=\n";
            std::string bytes = lines_without_names(random, names, kReadBufferSize, " .=xyz\r") +
                                text_across_chunks(random, names, filler, seam,
                                                   2 * kReadBufferSize / seam + 6, "\r\n", false);
            if (round == 1)
                bytes.insert(2 * kReadBufferSize + 2, 1, '\x1a');
            Names opn_tag(names.begin(), names.begin() + static_cast<ptrdiff_t>(names.size() / 2));
            Names cls_tag(names.begin() + static_cast<ptrdiff_t>(names.size() / 2), names.end());
            expect_report_as_reference(opn_tag, cls_tag, bytes,
                                       std::string(c.what) + ", round " + std::to_string(round),
                                       buffer_sizes);
            if (HasFatalFailure())
                return;
        }
    }
}

}  // namespace
