// The rules reference as a program, to try a list set on real files before the
// gate reads rules: tamberlox_rules_reference [-v] LISTS_DIR FILE...
// prints "FILE<TAB>OK" or "FILE<TAB>FAIL" a file; with -v, each file's kept
// names and verdict as write_rules_check gives them. Exit status 0 when every
// file is OK, 1 when some file fails, 2 for bad lists or rules or an unreadable
// file.

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "reference_check.h"
#include "reference_rules.h"
#include "tags/load_tag_table.h"

static bool read_file(const std::string& name, std::string& bytes) {
    std::ifstream file(name, std::ios::binary);
    if (!file)
        return false;
    std::ostringstream text;
    text << file.rdbuf();
    bytes = text.str();
    return !file.bad();
}

static int fail(const std::string& message) {
    std::fputs(message.c_str(), stderr);
    return 2;
}

int main(int argc, char** argv) {
    bool verbose = argc > 1 && std::strcmp(argv[1], "-v") == 0;
    int first = verbose ? 2 : 1;
    if (argc - first < 1)
        return fail("usage: tamberlox_rules_reference [-v] LISTS_DIR FILE...\n");
    std::string dir = argv[first];
    std::string opn_bytes, cls_bytes;
    if (!read_file(list_file_path(dir, kOpnListFile), opn_bytes) ||
        !read_file(list_file_path(dir, kClsListFile), cls_bytes))
        return fail("ERROR : can't read the lists in " + dir + ".\n");
    TagTable table;
    table.opn_tag = reference_lines(opn_bytes);
    table.cls_tag = reference_lines(cls_bytes);
    table.n = table.opn_tag.size();
    if (table.n == 0 || table.cls_tag.size() != table.n)
        return fail("ERROR : the lists in " + dir + " are not valid.\n");
    RulesLoad rules = load_rules(dir, table);
    if (!rules.ok)
        return fail("ERROR : the rules in " + dir + " are rejected (line " +
                    std::to_string(rules.rejection.line) + ").\n");
    NameCollision collision = reference_rules_collision(table, rules.rules);
    if (collision.place != CollisionPlace::none)
        return fail("ERROR : names " + std::to_string(collision.first) + " and " +
                    std::to_string(collision.second) + " can meet in " + dir + ".\n");
    int status = 0;
    for (int a = first + 1; a < argc; ++a) {
        std::string bytes;
        if (!read_file(argv[a], bytes))
            return fail(std::string("ERROR : can't read ") + argv[a] + ".\n");
        RulesCheck check = reference_rules_check(bytes, table, rules.rules);
        if (verbose)
            write_rules_check(stdout, table, check);
        std::printf("%s\t%s\n", argv[a], check.ok ? "OK" : "FAIL");
        if (!check.ok)
            status = 1;
    }
    return std::fflush(stdout) == 0 ? status : 2;
}
