// Cost of checking the tag lists: find_first_collision on lists of 1,000 to
// 100,000 pairs, accepted or rejected by their last two names only, and the
// whole load of 100,000 pairs from list files.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "cli/phases.h"
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

// A temporary directory holding the two list files, made the current directory
// while it lives.
struct ListDir {
    std::string path;
    std::string previous;
};

static ListDir enter_list_dir(const NameLists& lists) {
    char templ[] = "/tmp/tamberlox_bench_XXXXXX";
    char cwd[PATH_MAX];
    if (mkdtemp(templ) == nullptr || getcwd(cwd, sizeof cwd) == nullptr)
        std::abort();
    ListDir dir{templ, cwd};
    write_list(dir.path + "/" + kOpnListFile, lists.opn_tag);
    write_list(dir.path + "/" + kClsListFile, lists.cls_tag);
    if (chdir(dir.path.c_str()) != 0)
        std::abort();
    return dir;
}

static void leave_list_dir(const ListDir& dir) {
    if (chdir(dir.previous.c_str()) != 0)
        std::abort();
    unlink((dir.path + "/" + kOpnListFile).c_str());
    unlink((dir.path + "/" + kClsListFile).c_str());
    rmdir(dir.path.c_str());
}

static void BM_load_tag_table_accepted(benchmark::State& state) {
    size_t pairs = static_cast<size_t>(state.range(0));
    ListDir dir = enter_list_dir(make_lists(pairs, false));
    for (auto _ : state) {
        TagTable table = load_tag_table();
        if (table.n != pairs)
            state.SkipWithError("wrong number of pairs loaded");
        benchmark::DoNotOptimize(table);
    }
    leave_list_dir(dir);
}
BENCHMARK(BM_load_tag_table_accepted)->Arg(100000)->Unit(benchmark::kMillisecond);

// A rejected list ends the process, so each load runs in a child; the fork
// costs well under a millisecond.
static void BM_load_tag_table_rejected(benchmark::State& state) {
    size_t pairs = static_cast<size_t>(state.range(0));
    ListDir dir = enter_list_dir(make_lists(pairs, true));
    for (auto _ : state) {
        pid_t child = fork();
        if (child == 0) {
            int null_fd = ::open("/dev/null", O_WRONLY);
            dup2(null_fd, STDERR_FILENO);
            load_tag_table();
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 1)
            state.SkipWithError("list accepted");
    }
    leave_list_dir(dir);
}
BENCHMARK(BM_load_tag_table_rejected)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
