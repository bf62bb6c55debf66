#include "match/tag_matcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "check_support.h"
#include "chunked_text.h"
#include "text/file_reader.h"
#include "text/text_bytes.h"

namespace {

using Names = std::vector<std::string>;

// Every byte a name can hold: all but LF and CR.
std::string every_byte() {
    std::string bytes;
    for (int b = 0; b < 256; ++b) {
        if (b != '\n' && b != '\r')
            bytes += static_cast<char>(b);
    }
    return bytes;
}

struct StyleCase {
    const char* what;
    NameStyle style;
    bool hashes_starts = false;  // many sets skip by the hash of their first bytes
};

std::vector<StyleCase> style_cases() {
    const std::string nul_high("\0\x80\xff", 3);
    return {
        {"two letters", {"ab", "ab", 4}},
        {"one first byte", {"<", "ab/<", 6}},
        {"four first bytes", {"abcd", "abcd", 5}},
        {"many first bytes", {every_byte(), "xy", 3}},
        {"NUL and high bytes", {nul_high, nul_high + "a", 4}},
        {"long names", {"ab", "ab", 300}},
        {"many first bytes, two or more", {"abcdefgh", "ab", 6, 2}, true},
        {"many first bytes, four or more", {"abcdefgh", "ab", 9, 4}, true},
        {"many first bytes, 14 to 22", {"abcdefgh", "ab", 22, 14}, true},
    };
}

// Texts made of the names themselves, names cut short, filler bytes and line ends.
std::vector<std::string> texts_for(std::mt19937_64& random, const Names& names,
                                   const NameStyle& style) {
    std::vector<std::string> texts{""};
    std::string filler = style.body_bytes + style.first_bytes.substr(0, 4) + "\n\n\r";
    for (size_t length : {1, 7, 40, 300}) {
        texts.push_back(random_text_with_names(random, names, length, filler));
    }
    return texts;
}

// Each text as views into it and as a file read in the reader's own buffer,
// where the bytes behind a chunk are none of the next; the file's text ends at
// its first 0x1A.
struct TextFile {
    std::string_view text;
    ScratchFile file;
    std::vector<FoundName> expected;
    std::vector<FoundName> expected_read;
};

// Every way of walking and skipping that the names allow must find exactly what
// trying every name at every position of every line finds, in the same order,
// whatever the chunks the text comes in.
void expect_all_modes_naive(const TagTable& table, const std::vector<std::string>& texts,
                            const std::string& what, std::vector<size_t> chunk_sizes = {1, 7}) {
    struct Mode {
        const char* what;
        MatcherOptions options;
    };
    // Skipping judged over a few bytes at a time, so that it gives way and comes
    // back again and again, names cut where it does.
    const GiveWayRule often{.tally_bytes = 8, .shortest = 5, .longest = 40};
    const Mode modes[] = {
        {"dense table", {}},
        {"trie", {.dense_entry_limit = 0}},
        {"16-byte blocks", {.wide_blocks = false}},
        {"tails", {.tail_states = 0}},
        {"giving way often", {.give_way = often}},
        {"trie giving way often", {.dense_entry_limit = 0, .give_way = often}},
    };
    std::vector<TextFile> files(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        files[i].text = texts[i];
        fill_scratch_file(files[i].file, texts[i]);
        files[i].expected = naive_names(table, texts[i]);
        files[i].expected_read = naive_names(
            table, texts[i].substr(0, texts[i].find(static_cast<char>(kEndOfFileByte))));
    }
    for (const Mode& mode : modes) {
        TagMatcher matcher = build_tag_matcher(table, mode.options);
        if (mode.options.dense_entry_limit == 0) {
            ASSERT_EQ(matcher.walk, WalkKind::trie) << what;
        }
        if (mode.options.tail_states == 0 && matcher.trie.longest_name >= kTailMinDepth) {
            ASSERT_GT(state_count(matcher.trie), matcher.trie.node_count) << what;
            ASSERT_EQ(matcher.walk, WalkKind::trie) << what << ": a dense table takes no tails";
        }
        for (const TextFile& f : files) {
            chunk_sizes.push_back(f.text.size() + 1);
            for (size_t chunk_size : chunk_sizes) {
                ASSERT_EQ(matcher_names(matcher, f.text, chunk_size), f.expected)
                    << what << ", " << mode.what << ", chunks of " << chunk_size;
                // Reads of a byte or two cost a call each and leave no block to read past.
                if (chunk_size < 7)
                    continue;
                ASSERT_EQ(matcher_names_read(matcher, f.file.path, chunk_size), f.expected_read)
                    << what << ", " << mode.what << ", reads of " << chunk_size;
            }
            chunk_sizes.pop_back();
        }
    }
}

TagTable table_of(const Names& names) {
    Names opn_tag;
    Names cls_tag;
    for (size_t i = 0; i + 1 < names.size(); i += 2) {
        opn_tag.push_back(names[i]);
        cls_tag.push_back(names[i + 1]);
    }
    return make_tag_table(opn_tag, cls_tag);
}

TEST(TagMatcher, FindsWhatTheNaiveScanFinds) {
    std::mt19937_64 random(77);
    std::set<SkipKind> skips;
    for (const StyleCase& c : style_cases()) {
        size_t out_of_order_sets = 0;
        size_t hashing_sets = 0;
        for (int round = 0; round < 150; ++round) {
            size_t pairs = 1 + random_below(random, 6);
            Names names = random_prefix_free_names(random, 2 * pairs, c.style);
            if (names.size() < 2)
                continue;
            TagTable table = table_of(names);
            TagMatcher matcher = build_tag_matcher(table);
            out_of_order_sets += matcher.trie.needs_reorder;
            hashing_sets += matcher.skip == SkipKind::hashed_starts;
            skips.insert(matcher.skip);
            expect_all_modes_naive(table, texts_for(random, names, c.style),
                                   std::string(c.what) + ", round " + std::to_string(round));
            if (HasFatalFailure())
                return;
        }
        // Sets with a name inside another must come up, or the reordering goes untested.
        EXPECT_GT(out_of_order_sets, 5u) << c.what;
        if (c.hashes_starts) {
            EXPECT_GT(hashing_sets, 20u) << c.what;
        }
    }
    EXPECT_EQ(skips.size(), 3u) << "every way of skipping, and none";
}

// Long names whose tails repeat their own starts, hold other names or end with
// them, so that the failure links inside long tails are taken; one list of each
// kind of skip (the hashed one wants five or more first bytes).
TEST(TagMatcher, FindsLongNamesWithRepeatingTails) {
    std::mt19937_64 random(16);
    const std::string a(700, 'a');
    const std::string y(500, 'y');
    const std::vector<std::pair<const char*, Names>> lists = {
        {"tails repeating their start", {a + "b", a.substr(0, 350) + "c", "aab", "ab"}},
        {"names inside tails", {"x" + y + "zq", "yz", "yyy", "x" + y + "w"}},
        {"periodic tails",
         {repeat_text("abc", 300) + "d", repeat_text("abc", 200) + "e", "cab", "bcabcabd"}},
        {"parting at every depth",
         {"A" + y, "aB" + y, "abC" + y, "abcD" + y, "abcdE" + y, "abcdeF" + y, "abcdefG" + y,
          "abcdefgH" + y, "yyyyy", "yyyyB"}},
        {"names far inside a name", {"x" + repeat_text("ab", 40000) + "z", "ba", "bz", "xb"}},
        {"hashed starts",
         {"qa" + a + "b", "ra" + y + "yz", "sa" + y, "taaa", "uyyy",
          "vv" + repeat_text("ab", 300) + "c"}},
    };
    for (const auto& [what, names] : lists) {
        std::vector<std::string> texts;
        for (size_t length : {40, 2000, 6000}) {
            texts.push_back(random_text_with_names(random, names, length, "aybc\n"));
        }
        texts.push_back(a + a + "b" + y + y + "zq");
        texts.push_back(names[0] + "\n" + names[0] + names[0]);
        expect_all_modes_naive(table_of(names), texts, what, {1, 333});
        if (HasFatalFailure())
            return;
    }
}

struct BatchCase {
    const char* what;
    Names opn_tag;
    Names cls_tag;
    std::string text;
};

// More matches in one text than one call of find_names hands out.
TEST(TagMatcher, ResumesAcrossBatches) {
    const BatchCase cases[] = {
        {"one-byte names", {"a"}, {"b"}, repeat_text("ab", 3000)},
        {"overlapping matches", {"aa"}, {"b"}, std::string(9000, 'a')},
        {"name inside a name", {"xaby", "c"}, {"ab", "d"}, repeat_text("xaby", 2500)},
        {"name at the end of a name", {"cab"}, {"ab"}, repeat_text("cab-ab", 2100)},
        {"long name holding short ones",
         {repeat_text("ab", 40) + "z"},
         {"b"},
         repeat_text("ab", 5000) + "z"},
        // Skipped by the hash of the starts: the batch fills in the last bytes of
        // the text, which are looked at one by one.
        {"hashed starts, full in the last bytes",
         {"Aaaa", "Bbbb", "Cccc"},
         {"Dddd", "Eeee", "Ffff"},
         repeat_text("Aaaa", kFoundBatch)},
        {"hashed starts, full and one more",
         {"Aaaa", "Bbbb"},
         {"Dddd", "Eeee"},
         repeat_text("Aaaa", kFoundBatch - 1) + "\nEeee"},
    };
    for (const BatchCase& c : cases) {
        TagTable table = make_tag_table(c.opn_tag, c.cls_tag);
        ASSERT_GE(naive_names(table, c.text).size(), kFoundBatch) << c.what;
        expect_all_modes_naive(table, {c.text, "ab", c.text}, c.what);
    }
}

// Texts of several chunks: names cut by every seam with a CR, an LF or a 0x1A
// beside them, and a first chunk or two without any name, whose line ends the
// skips must count as the chunks end.
TEST(TagMatcher, FindsNamesAcrossChunks) {
    std::mt19937_64 random(2024);
    const size_t chunk = 1000;
    for (const StyleCase& c : style_cases()) {
        for (int round = 0; round < 6; ++round) {
            Names names = random_name_pairs(random, 5, c.style);
            if (names.empty())
                continue;
            TagTable table = table_of(names);
            std::string filler = c.style.body_bytes + c.style.first_bytes.substr(0, 4) + "\n ";
            std::string quiet = lines_without_names(random, names, chunk * (1 + round % 3) - round,
                                                    " .,;-=abcdefgh\x1a");
            std::string text = text_across_chunks(random, names, filler, chunk, 5, "\r\n\x1a");
            expect_all_modes_naive(table, {text, quiet + text}, c.what, {chunk, chunk - 1, 4096});
            if (HasFatalFailure())
                return;
        }
    }
}

// A name cut by the seam of two reads of the reader's buffer, its start three,
// two or one bytes before the seam, the skip's blocks at every alignment to it
// (a CR and its LF put the skip's start where they end). The bytes past the
// buffer are none of the text: a block that reads them loses the name.
TEST(TagMatcher, FindsNamesAcrossTheReadersSeams) {
    const TagTable table = make_tag_table({"Aaaa", "Bbbb", "Cccc"}, {"Dddd", "Eeee", "Ffff"});
    const std::string filler = repeat_text("xy.-z ", kReadBufferSize / 6);
    ScratchFile file;
    for (const MatcherOptions& options : {MatcherOptions{}, MatcherOptions{.wide_blocks = false}}) {
        TagMatcher matcher = build_tag_matcher(table, options);
        ASSERT_EQ(matcher.skip, SkipKind::hashed_starts);
        for (size_t before_seam : {3, 2, 1}) {
            for (size_t lf_at = 100; lf_at < 132; ++lf_at) {
                std::string text = filler.substr(0, lf_at - 1) + "\r\n";
                text += filler.substr(0, kReadBufferSize - before_seam - text.size());
                text += "Aaaa\nDddd\n";
                fill_scratch_file(file, text);
                ASSERT_EQ(matcher_names_read(matcher, file.path, kReadBufferSize),
                          naive_names(table, text))
                    << "start " << before_seam << " bytes before the seam, LF at " << lf_at
                    << (options.wide_blocks ? "" : ", 16-byte blocks");
            }
        }
    }
}

// Four-byte names whose keys all go to slot `target` of a table of `slots` with
// the hash's `factor`: `count` of them, none holding an LF or a CR. Found by
// running the hash backwards from the products that give that slot.
Names keys_of_one_slot(std::mt19937_64& random, uint32_t factor, uint32_t slots, uint32_t target,
                       size_t count) {
    uint32_t inverse = factor;
    for (int i = 0; i < 5; ++i)
        inverse *= 2 - factor * inverse;
    const unsigned shift = 32 - static_cast<unsigned>(std::countr_zero(slots));
    Names names;
    while (names.size() < count) {
        uint32_t product = static_cast<uint32_t>(random()) & ~((slots - 1) << shift);
        uint32_t key = (product | target << shift) * inverse;
        std::string name(4, '\0');
        std::memcpy(name.data(), &key, 4);
        if (name.find_first_of("\r\n") == std::string::npos &&
            std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    }
    return names;
}

// Lists made to crowd the start slots: aimed at one slot of the first hash, and
// at one slot of every hash, so that some starts cannot have a slot of their
// own and are left to the walk. Texts of the names, other keys of those slots,
// and line ends.
TEST(TagMatcher, FindsNamesThatCrowdTheStartSlots) {
    std::mt19937_64 random(16);
    const uint32_t slots = 512;  // for 129 to 256 starts
    Names one_slot = keys_of_one_slot(random, kStartHashFactors[0], slots, 77, 2 * 100);
    Names every_slot;
    for (uint32_t factor : kStartHashFactors) {
        Names aimed = keys_of_one_slot(random, factor, slots, 300, 2 * 20);
        every_slot.insert(every_slot.end(), aimed.begin(), aimed.end());
    }
    for (const Names& names : {one_slot, every_slot}) {
        TagTable table = table_of(names);
        TagMatcher matcher = build_tag_matcher(table);
        ASSERT_EQ(matcher.starts.slots.size(), slots + 1);
        Names keys = names;
        for (uint32_t factor : kStartHashFactors) {
            Names others = keys_of_one_slot(random, factor, slots, 300, 100);
            keys.insert(keys.end(), others.begin(), others.end());
        }
        keys.push_back("\n");
        keys.push_back("\r");
        std::string text;
        while (text.size() < 6000)
            text += keys[random_below(random, keys.size())];
        expect_all_modes_naive(table, {text}, "crowded slots", {1, 7, 1000});
    }
    // The list aimed at the first hash spreads over the slots of another; the one
    // aimed at every hash leaves some starts crowded out.
    EXPECT_NE(build_tag_matcher(table_of(one_slot)).starts.factor, kStartHashFactors[0]);
    TagMatcher crowded = build_tag_matcher(table_of(every_slot));
    EXPECT_TRUE(std::any_of(every_slot.begin(), every_slot.end(), [&](const std::string& name) {
        return start_slot(crowded.starts, start_key(reinterpret_cast<const uint8_t*>(name.data()),
                                                    UINT32_MAX)) == slots;
    }));
}

// Which walk and which skip a list gets: the dense table wherever it fits,
// block compares for up to four first bytes, the hash of the starts for more
// when no name is shorter than two bytes.
TEST(TagMatcher, ChoosesTheWalkAndTheSkip) {
    const struct {
        const char* what;
        Names opn_tag;
        Names cls_tag;
        MatcherOptions options;
        WalkKind walk;
        SkipKind skip;
    } cases[] = {
        {"four first bytes",
         {"{", "[["},
         {"}", "]]"},
         {},
         WalkKind::dense_table,
         SkipKind::first_bytes},
        {"six first bytes",
         {"Aaaa", "Bbbb", "Cccc"},
         {"Dddd", "Eeee", "Ffff"},
         {},
         WalkKind::dense_table,
         SkipKind::hashed_starts},
        {"six first bytes, a name of one",
         {"A", "Bbbb", "Cccc"},
         {"Dddd", "Eeee", "Ffff"},
         {},
         WalkKind::dense_table,
         SkipKind::none},
        {"a table too large",
         {"<a>", "<b>"},
         {"</a>", "</b>"},
         {.dense_entry_limit = 64},
         WalkKind::trie,
         SkipKind::first_bytes},
    };
    for (const auto& c : cases) {
        TagMatcher matcher = build_tag_matcher(make_tag_table(c.opn_tag, c.cls_tag), c.options);
        EXPECT_EQ(matcher.walk, c.walk) << c.what;
        EXPECT_EQ(matcher.skip, c.skip) << c.what;
    }
}

// A factor drawn for the run is tried first: a list aimed at a fixed factor
// keeps the drawn one, and one aimed at the drawn factor spreads over a fixed one.
TEST(TagMatcher, TriesTheDrawnStartHashFactorFirst) {
    std::mt19937_64 random(23);
    const uint32_t slots = 512;
    const uint32_t drawn = 0x2545f491u;
    const struct {
        uint32_t aimed_at;
        bool keeps_drawn;
    } cases[] = {{kStartHashFactors[0], true}, {drawn, false}};
    for (const auto& one : cases) {
        Names names = keys_of_one_slot(random, one.aimed_at, slots, 77, 2 * 100);
        TagMatcher matcher = build_tag_matcher(table_of(names), {.start_hash_factor = drawn});
        ASSERT_EQ(matcher.skip, SkipKind::hashed_starts);
        EXPECT_EQ(matcher.starts.factor == drawn, one.keeps_drawn) << std::hex << one.aimed_at;
    }
    EXPECT_EQ(drawn_matcher_options().start_hash_factor % 2, 1u);
}

// Texts that flood the skip (keys crowded out of their slots, which every one
// costs all the probes and a walk) between stretches where it pays: skipping
// must give way in the floods and come back after them.
TEST(TagMatcher, SkippingGivesWayToFloodsAndComesBack) {
    std::mt19937_64 random(5);
    const uint32_t slots = 512;
    Names names;
    for (uint32_t factor : kStartHashFactors) {
        Names aimed = keys_of_one_slot(random, factor, slots, 300, 2 * 20);
        names.insert(names.end(), aimed.begin(), aimed.end());
    }
    TagTable table = table_of(names);
    const GiveWayRule shorter{.tally_bytes = 256, .shortest = 300, .longest = 2000};
    for (const MatcherOptions& options :
         {MatcherOptions{.give_way = shorter},
          MatcherOptions{.dense_entry_limit = 0, .give_way = shorter}}) {
        TagMatcher matcher = build_tag_matcher(table, options);
        ASSERT_EQ(matcher.skip, SkipKind::hashed_starts);
        uint32_t factor = matcher.starts.factor;
        Names flood = keys_of_one_slot(random, factor, slots, 300, 50);
        std::string text;
        for (int stretch = 0; stretch < 8; ++stretch) {
            const Names& keys = stretch % 2 ? flood : names;
            for (int i = 0; i < 700; ++i)
                text += stretch % 2 || i % 8 ? keys[random_below(random, keys.size())] : "\n..";
        }
        // Between calls, the walk must now and then have text ahead of it to
        // take alone.
        TextScan scan;
        start_text_scan(matcher, scan);
        std::vector<FoundName> found;
        bool walked_alone = false;
        for (size_t at = 0; at < text.size(); at += 97) {
            std::string_view chunk = std::string_view(text).substr(at, 97);
            while (!find_names(matcher, chunk, scan, found)) {
                found.clear();
                walked_alone |= scan.tally.walk_alone_until > scan.offset + scan.pos;
            }
            walked_alone |= scan.tally.walk_alone_until > scan.offset;
        }
        EXPECT_TRUE(walked_alone) << "skipping never gave way";
        expect_all_modes_naive(table, {text}, "floods between names", {1, 97, 1000});
    }
}

}  // namespace
