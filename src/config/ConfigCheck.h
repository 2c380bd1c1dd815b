#pragma once
// What orqctl says about configuration files: the keys a file gives values the windows would
// never let the user choose, and the keys in which two parameter sets differ.

#include <string>
#include <vector>

#include "config/Profile.h"
#include "protocol/ParameterBlock.h"

namespace orq {

struct KeyProblem {
    std::string section, key;
    std::string text;  // as the file has it; empty when the key is missing
    int min, max;      // the range the key allows
    bool operator==(const KeyProblem&) const = default;
};

// Every saved key against the range of its row in the parameter table, in file order: a key
// that is missing, holds no number, or holds one outside its range. DefaulParameters, which is
// never saved, is not asked for.
std::vector<KeyProblem> CheckConfig(const ProfileDocument& doc);
// "[section2] SwashPlateType=0 is outside 1..5" and the like.
std::string Describe(const KeyProblem& problem);

struct KeyDifference {
    std::string section, key;
    int a, b;
    bool operator==(const KeyDifference&) const = default;
};

// The saved keys whose values differ, in file order (and so grouped by section).
std::vector<KeyDifference> DiffMirrors(const SettingsMirror& a, const SettingsMirror& b);

}  // namespace orq
