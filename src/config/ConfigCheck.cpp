#include "config/ConfigCheck.h"

#include "config/ConfigFile.h"

namespace orq {

std::vector<KeyProblem> CheckConfig(const ProfileDocument& doc) {
    std::vector<KeyProblem> problems;
    for (const MirrorKey& k : MirrorKeys()) {
        if (!k.written) continue;
        std::string text = doc.Get(k.section, k.key);
        const ConfigValue v = ParseConfigValue(text);
        if (text.empty() || !v.valid || v.byte < k.min || v.byte > k.max)
            problems.push_back(
                {std::string(k.section), std::string(k.key), std::move(text), k.min, k.max});
    }
    return problems;
}

std::string Describe(const KeyProblem& p) {
    const std::string range = std::to_string(p.min) + ".." + std::to_string(p.max);
    std::string line = "[" + p.section + "] " + p.key;
    if (p.text.empty()) return line + " is missing (it would load as 0; allowed " + range + ")";
    return line + "=" + p.text + " is outside " + range;
}

std::vector<KeyDifference> DiffMirrors(const SettingsMirror& a, const SettingsMirror& b) {
    std::vector<KeyDifference> d;
    for (const MirrorKey& k : MirrorKeys())
        if (k.written && a.*k.field != b.*k.field)
            d.push_back({std::string(k.section), std::string(k.key), a.*k.field, b.*k.field});
    return d;
}

}  // namespace orq
