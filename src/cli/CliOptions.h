#pragma once
// The options orqctl's commands share, each command allowing the ones it has.

#include <initializer_list>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orq {

struct CliOptions {
    std::optional<std::string> path;    // -p PATH: only this port
    std::optional<std::string> output;  // -o FILE
    std::optional<std::string> trace;   // --trace FILE
    std::optional<long> count;          // --count N
    bool raw = false;                   // --raw
    std::vector<std::string> rest;      // what is not an option
};

bool WantsHelp(const std::vector<std::string>& args);
// Takes the options in `allowed` ("-p", "-o", "--trace", "--count", "--raw"); false, with one
// line on `err`, for anything else that looks like an option or an option without its value.
bool ParseOptions(const std::vector<std::string>& args,
                  std::initializer_list<std::string_view> allowed, CliOptions& o,
                  std::ostream& err);

}  // namespace orq
