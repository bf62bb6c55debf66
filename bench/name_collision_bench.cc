// Cost of checking the tag lists: find_first_collision on lists of 1,000 to
// 100,000 pairs, accepted or rejected by their last two names only, and the
// whole load of 100,000 pairs from list files.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "tags/load_tag_table.h"
#include "tags/name_collision.h"

struct NameLists {
    std::vector<std::string> opn_tag;
    std::vector<std::string> cls_tag;
};

// XML-like names "<word>" and "</word>": the closing '>' keeps them prefix-free,
// and a 4-letter index inside each word keeps them distinct.
static std::string make_word(std::mt19937_64& random, size_t index) {
    std::uniform_int_distribution<int> length(3, 12);
    std::uniform_int_distribution<int> letter('a', 'z');
    std::string word;
    for (int i = length(random); i > 0; --i)
        word += static_cast<char>(letter(random));
    for (int digit = 0; digit < 4; ++digit, index /= 26)
        word += static_cast<char>('a' + index % 26);
    return word;
}

// With last_two_collide, the last open name extends the one before it, the
// lists' only collision.
static NameLists make_lists(size_t pairs, bool last_two_collide) {
    std::mt19937_64 random(pairs);
    NameLists lists;
    for (size_t i = 0; i < pairs; ++i) {
        std::string word = make_word(random, i);
        lists.opn_tag.push_back("<" + word + ">");
        lists.cls_tag.push_back("</" + word + ">");
    }
    if (last_two_collide)
        lists.opn_tag[pairs - 1] = lists.opn_tag[pairs - 2] + "x";
    return lists;
}

static void run_first_collision(benchmark::State& state, bool last_two_collide) {
    size_t pairs = static_cast<size_t>(state.range(0));
    NameLists lists = make_lists(pairs, last_two_collide);
    CollisionPlace expected = last_two_collide ? CollisionPlace::in_opn : CollisionPlace::none;
    for (auto _ : state) {
        NameCollision collision = find_first_collision(lists.opn_tag, lists.cls_tag);
        if (collision.place != expected)
            state.SkipWithError("unexpected collision result");
        benchmark::DoNotOptimize(collision);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * pairs));
}

static void BM_first_collision_accepted(benchmark::State& state) {
    run_first_collision(state, false);
}
static void BM_first_collision_last_two(benchmark::State& state) {
    run_first_collision(state, true);
}
BENCHMARK(BM_first_collision_accepted)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_first_collision_last_two)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

static void write_list(const std::string& path, const std::vector<std::string>& names) {
    std::ofstream file(path, std::ios::binary);
    for (const std::string& name : names)
        file << name << '\n';
}

// A temporary directory holding the two list files.
struct ListDir {
    std::string path;
};

static ListDir make_list_dir(const NameLists& lists) {
    char templ[] = "/tmp/tamberlox_bench_XXXXXX";
    if (mkdtemp(templ) == nullptr)
        std::abort();
    ListDir dir{templ};
    write_list(dir.path + "/" + kOpnListFile, lists.opn_tag);
    write_list(dir.path + "/" + kClsListFile, lists.cls_tag);
    return dir;
}

static void remove_list_dir(const ListDir& dir) {
    unlink((dir.path + "/" + kOpnListFile).c_str());
    unlink((dir.path + "/" + kClsListFile).c_str());
    rmdir(dir.path.c_str());
}

static void BM_load_tag_table(benchmark::State& state, bool rejected) {
    size_t pairs = static_cast<size_t>(state.range(0));
    ListDir dir = make_list_dir(make_lists(pairs, rejected));
    for (auto _ : state) {
        TagTableLoad load = load_tag_table(dir.path);
        if (load.ok == rejected || (load.ok && load.table.n != pairs))
            state.SkipWithError("lists loaded wrongly");
        benchmark::DoNotOptimize(load);
    }
    remove_list_dir(dir);
}
BENCHMARK_CAPTURE(BM_load_tag_table, accepted, false)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_load_tag_table, rejected, true)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
