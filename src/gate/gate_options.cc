#include "gate/gate_options.h"

#include <string_view>
#include <utility>

#include "gate/path_glob.h"
#include "text/thread_group.h"

const char* const kGateHelp =
    "Usage: tamberlox-gate [OPTION]... FILE...\n"
    "Check the nesting of the listed tag names in each FILE and say where it breaks.\n"
    "A FOLDER is walked; a FILE of '-' is the content of standard input.\n"
    "\n"
    "  -l, --lists=SET     read _tamberlox_opn.txt and _tamberlox_cls.txt, and the\n"
    "                      rules in _tamberlox_rules.txt if there, from folder\n"
    "                      SET, or from the installed set named SET (default:\n"
    "                      the _tamberlox_map.txt or the set found in the current\n"
    "                      folder or the nearest parent holding one)\n"
    "      --map=FILE      check each file with the set FILE's patterns give it\n"
    "      --list-sets     print the names of the installed sets and exit\n"
    "  -x, --exclude=PATTERN\n"
    "                      leave out the files and folders PATTERN matches\n"
    "      --files-from=FILE\n"
    "                      check the files FILE names, one a line ('-': standard\n"
    "                      input)\n"
    "      --stdin-filename=NAME\n"
    "                      the name standard input's content is reported by and\n"
    "                      picks its set by\n"
    "  -f, --format=FORMAT gnu (FILE:LINE:COLUMN: error: ...), github (workflow\n"
    "                      commands), json (one document for the run) or\n"
    "                      sarif (SARIF 2.1.0, for code scanning); default gnu\n"
    "      --column-unit=UNIT\n"
    "                      count columns in UNIT: display (tabs to the next\n"
    "                      multiple of 8, wide characters 2), char (code points)\n"
    "                      or byte; default display\n"
    "  -j, --jobs=N        check N files at a time (default: the cores available)\n"
    "  -s, --strict        fail a file on warnings too\n"
    "  -q, --quiet         print only what fails a file\n"
    "  -m, --max-findings=N\n"
    "                      print at most N findings a file, then how many were\n"
    "                      left out (default 0: all)\n"
    "  -h, --help          print this help and exit\n"
    "  -V, --version       print the version and exit\n"
    "\n"
    "Exit status: 0 when every file passes, 1 when some file fails,\n"
    "2 on a usage error, rejected lists or a file that cannot be read.\n";

namespace {

enum class OptionId {
    lists,
    format,
    jobs,
    strict,
    quiet,
    max_findings,
    help,
    version,
    map,
    list_sets,
    exclude,
    files_from,
    stdin_filename,
    column_unit,
};

struct KnownOption {
    std::string_view long_name;
    char short_name;
    bool takes_value;
    OptionId id;
};

constexpr KnownOption kOptions[] = {
    {"lists", 'l', true, OptionId::lists},
    {"format", 'f', true, OptionId::format},
    {"jobs", 'j', true, OptionId::jobs},
    {"strict", 's', false, OptionId::strict},
    {"quiet", 'q', false, OptionId::quiet},
    {"max-findings", 'm', true, OptionId::max_findings},
    {"help", 'h', false, OptionId::help},
    {"version", 'V', false, OptionId::version},
    {"map", 0, true, OptionId::map},
    {"list-sets", 0, false, OptionId::list_sets},
    {"exclude", 'x', true, OptionId::exclude},
    {"files-from", 0, true, OptionId::files_from},
    {"stdin-filename", 0, true, OptionId::stdin_filename},
    {"column-unit", 0, true, OptionId::column_unit},
};

// An abbreviation given a value ("--lis=d") stands only for options that take one.
const KnownOption* find_long(std::string_view name, bool has_value, std::string& error) {
    const KnownOption* found = nullptr;
    for (const KnownOption& known : kOptions) {
        if (known.long_name == name)
            return &known;
        if (known.long_name.substr(0, name.size()) == name && (known.takes_value || !has_value)) {
            if (found) {
                error = "option '--" + std::string(name) + "' is ambiguous";
                return nullptr;
            }
            found = &known;
        }
    }
    if (!found)
        error = "unrecognized option '--" + std::string(name) + "'";
    return found;
}

const KnownOption* find_short(char name, std::string& error) {
    for (const KnownOption& known : kOptions) {
        if (known.short_name == name)
            return &known;
    }
    error = std::string("invalid option -- '") + name + "'";
    return nullptr;
}

// Decimal digits only, and no more than 64 bits hold.
bool parse_count(std::string_view text, uint64_t& count) {
    if (text.empty())
        return false;
    uint64_t value = 0;
    for (char digit : text) {
        if (digit < '0' || digit > '9' || value > (UINT64_MAX - (digit - '0')) / 10)
            return false;
        value = value * 10 + static_cast<uint64_t>(digit - '0');
    }
    count = value;
    return true;
}

// A value among the names an option takes.
template <typename Value>
struct ValueName {
    std::string_view name;
    Value value;
};

template <typename Value, size_t N>
bool parse_named(const ValueName<Value> (&names)[N], std::string_view text, Value& value) {
    for (const ValueName<Value>& known : names) {
        if (known.name == text) {
            value = known.value;
            return true;
        }
    }
    return false;
}

constexpr ValueName<OutputFormat> kFormatNames[] = {
    {"gnu", OutputFormat::gnu},
    {"github", OutputFormat::github},
    {"json", OutputFormat::json},
    {"sarif", OutputFormat::sarif},
};

constexpr ValueName<ColumnUnit> kColumnUnitNames[] = {
    {"display", ColumnUnit::display},
    {"char", ColumnUnit::character},
    {"byte", ColumnUnit::byte},
};

bool parse_format(std::string_view value, OutputFormat& format, std::string& error) {
    if (parse_named(kFormatNames, value, format))
        return true;
    error = "unknown format '" + std::string(value) + "' (gnu, github, json or sarif)";
    return false;
}

bool parse_column_unit(std::string_view value, ColumnUnit& unit, std::string& error) {
    if (parse_named(kColumnUnitNames, value, unit))
        return true;
    error = "unknown column unit '" + std::string(value) + "' (display, char or byte)";
    return false;
}

bool apply(const KnownOption& known, std::string_view value, GateOptions& options,
           std::string& error) {
    switch (known.id) {
        case OptionId::lists:
            options.lists_dir = value;
            return true;
        case OptionId::format:
            return parse_format(value, options.format, error);
        case OptionId::jobs:
            if (!parse_thread_count(value, options.jobs))
                error = "invalid number of jobs '" + std::string(value) + "'";
            return error.empty();
        case OptionId::strict:
            options.strict = true;
            return true;
        case OptionId::quiet:
            options.quiet = true;
            return true;
        case OptionId::max_findings:
            if (!parse_count(value, options.max_findings))
                error = "invalid number of findings '" + std::string(value) + "'";
            return error.empty();
        case OptionId::map:
            options.map_file = value;
            return true;
        case OptionId::list_sets:
            options.list_sets = true;
            return true;
        case OptionId::exclude:
            error = glob_problem(value);
            if (!error.empty())
                error = "--exclude: " + error;
            options.excludes.emplace_back(value);
            return error.empty();
        case OptionId::files_from:
            options.files_from.emplace_back(value);
            return true;
        case OptionId::stdin_filename:
            options.stdin_filename = value;
            return true;
        case OptionId::column_unit:
            return parse_column_unit(value, options.column_unit, error);
        case OptionId::help:
        case OptionId::version:
            return true;
    }
    return true;
}

// Where a parse stands: the arguments, the next one, and what was asked for.
struct ArgumentParse {
    int argc;
    const char* const* argv;
    int next;
    GateOptions& options;
    std::string error;
};

// The argument after the current one, as an option's value; false when there is none.
bool take_next_argument(ArgumentParse& parse, std::string_view& value) {
    if (parse.next == parse.argc)
        return false;
    value = parse.argv[parse.next++];
    return true;
}

bool take_option(ArgumentParse& parse, const KnownOption& known, std::string_view value) {
    parse.options.help |= known.id == OptionId::help;
    parse.options.version |= known.id == OptionId::version;
    return apply(known, value, parse.options, parse.error);
}

// "--name", "--name=value" or "--name value", `body` being what follows "--".
bool parse_long_option(ArgumentParse& parse, std::string_view body) {
    size_t equals = body.find('=');
    const KnownOption* known =
        find_long(body.substr(0, equals), equals != std::string_view::npos, parse.error);
    if (!known)
        return false;
    std::string name(known->long_name);
    std::string_view value;
    if (equals != std::string_view::npos) {
        if (!known->takes_value) {
            parse.error = "option '--" + name + "' doesn't allow an argument";
            return false;
        }
        value = body.substr(equals + 1);
    } else if (known->takes_value && !take_next_argument(parse, value)) {
        parse.error = "option '--" + name + "' requires an argument";
        return false;
    }
    return take_option(parse, *known, value);
}

// "-abc": options bundled, the first that takes a value taking the rest or the
// next argument.
bool parse_short_options(ArgumentParse& parse, std::string_view arg) {
    for (size_t at = 1; at < arg.size(); ++at) {
        const KnownOption* known = find_short(arg[at], parse.error);
        if (!known)
            return false;
        if (!known->takes_value) {
            if (!take_option(parse, *known, {}))
                return false;
            continue;
        }
        std::string_view value = arg.substr(at + 1);
        if (value.empty() && !take_next_argument(parse, value)) {
            parse.error = std::string("option requires an argument -- '") + arg[at] + "'";
            return false;
        }
        return take_option(parse, *known, value);
    }
    return true;
}

SetupError usage_error(std::string why) {
    SetupError error;
    error.kind = SetupErrorKind::usage;
    error.usage = std::move(why);
    return error;
}

}  // namespace

SetupError parse_gate_options(int argc, const char* const* argv, GateOptions& options) {
    ArgumentParse parse{argc, argv, 1, options, {}};
    bool only_files = false;
    while (parse.next < argc) {
        std::string_view arg = argv[parse.next++];
        bool parsed = true;
        if (only_files || arg.size() < 2 || arg[0] != '-')
            options.files.emplace_back(arg);
        else if (arg == "--")
            only_files = true;
        else if (arg.starts_with("--"))
            parsed = parse_long_option(parse, arg.substr(2));
        else
            parsed = parse_short_options(parse, arg);
        if (!parsed)
            return usage_error(parse.error);
    }
    bool names_input =
        !options.files.empty() || !options.files_from.empty() || !options.stdin_filename.empty();
    if (!options.help && !options.version && !options.list_sets && !names_input)
        return usage_error("no file to check");
    return {};
}
