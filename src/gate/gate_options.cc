#include "gate/gate_options.h"

#include <string_view>

const char* const kGateHelp =
    "Usage: tamberlox-gate [OPTION]... FILE...\n"
    "Check the nesting of the listed tag names in each FILE and say where it breaks.\n"
    "A FILE of '-' reads the names of the files to check from standard input, one a line.\n"
    "\n"
    "  -l, --lists=DIR     read _tamberlox_opn.txt and _tamberlox_cls.txt from DIR\n"
    "                      (default: the current directory)\n"
    "  -f, --format=FORMAT gnu (FILE:LINE: error: ...), github (workflow commands)\n"
    "                      or json (one document for the run); default gnu\n"
    "  -j, --jobs=N        check N files at a time (default: the cores available)\n"
    "  -s, --strict        fail a file on warnings too\n"
    "  -q, --quiet         print only what fails a file\n"
    "  -h, --help          print this help and exit\n"
    "  -V, --version       print the version and exit\n"
    "\n"
    "Exit status: 0 when every file passes, 1 when some file fails,\n"
    "2 on a usage error, rejected lists or a file that cannot be read.\n";

namespace {

enum class OptionId { lists, format, jobs, strict, quiet, help, version };

struct KnownOption {
    std::string_view long_name;
    char short_name;
    bool takes_value;
    OptionId id;
};

constexpr KnownOption kOptions[] = {
    {"lists", 'l', true, OptionId::lists},      {"format", 'f', true, OptionId::format},
    {"jobs", 'j', true, OptionId::jobs},        {"strict", 's', false, OptionId::strict},
    {"quiet", 'q', false, OptionId::quiet},     {"help", 'h', false, OptionId::help},
    {"version", 'V', false, OptionId::version},
};

const KnownOption* find_long(std::string_view name, std::string& error) {
    const KnownOption* found = nullptr;
    for (const KnownOption& known : kOptions) {
        if (known.long_name == name)
            return &known;
        if (known.long_name.substr(0, name.size()) == name) {
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

bool parse_jobs(std::string_view text, size_t& jobs) {
    if (text.empty() || text.size() > 6)
        return false;
    size_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<size_t>(c - '0');
    }
    jobs = value;
    return value > 0;
}

bool apply(const KnownOption& known, std::string_view value, GateOptions& options,
           std::string& error) {
    switch (known.id) {
        case OptionId::lists:
            options.lists_dir = value;
            return true;
        case OptionId::format:
            if (value == "gnu")
                options.format = OutputFormat::gnu;
            else if (value == "github")
                options.format = OutputFormat::github;
            else if (value == "json")
                options.format = OutputFormat::json;
            else
                error = "unknown format '" + std::string(value) + "' (gnu, github or json)";
            return error.empty();
        case OptionId::jobs:
            if (!parse_jobs(value, options.jobs))
                error = "invalid number of jobs '" + std::string(value) + "'";
            return error.empty();
        case OptionId::strict:
            options.strict = true;
            return true;
        case OptionId::quiet:
            options.quiet = true;
            return true;
        case OptionId::help:
        case OptionId::version:
            return true;
    }
    return true;
}

}  // namespace

ParseOutcome parse_gate_options(int argc, const char* const* argv, GateOptions& options,
                                std::string& error) {
    bool help = false, version = false, only_files = false;
    auto note = [&](const KnownOption& known) {
        help |= known.id == OptionId::help;
        version |= known.id == OptionId::version;
    };
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (only_files || arg.size() < 2 || arg[0] != '-') {
            options.files.emplace_back(arg);
        } else if (arg == "--") {
            only_files = true;
        } else if (arg.substr(0, 2) == "--") {
            std::string_view body = arg.substr(2);
            size_t equals = body.find('=');
            const KnownOption* known = find_long(body.substr(0, equals), error);
            if (!known)
                return ParseOutcome::usage_error;
            std::string_view value;
            if (equals != std::string_view::npos) {
                if (!known->takes_value) {
                    error = "option '--" + std::string(known->long_name) +
                            "' doesn't allow an argument";
                    return ParseOutcome::usage_error;
                }
                value = body.substr(equals + 1);
            } else if (known->takes_value) {
                if (i + 1 == argc) {
                    error = "option '--" + std::string(known->long_name) + "' requires an argument";
                    return ParseOutcome::usage_error;
                }
                value = argv[++i];
            }
            note(*known);
            if (!apply(*known, value, options, error))
                return ParseOutcome::usage_error;
        } else {
            for (size_t at = 1; at < arg.size(); ++at) {
                const KnownOption* known = find_short(arg[at], error);
                if (!known)
                    return ParseOutcome::usage_error;
                std::string_view value;
                if (known->takes_value) {
                    if (at + 1 < arg.size()) {
                        value = arg.substr(at + 1);
                    } else if (i + 1 < argc) {
                        value = argv[++i];
                    } else {
                        error = std::string("option requires an argument -- '") + arg[at] + "'";
                        return ParseOutcome::usage_error;
                    }
                    at = arg.size();
                }
                note(*known);
                if (!apply(*known, value, options, error))
                    return ParseOutcome::usage_error;
            }
        }
    }
    if (help)
        return ParseOutcome::help;
    if (version)
        return ParseOutcome::version;
    if (options.files.empty()) {
        error = "no file to check";
        return ParseOutcome::usage_error;
    }
    return ParseOutcome::run;
}
