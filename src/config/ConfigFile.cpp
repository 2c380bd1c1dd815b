#include "config/ConfigFile.h"

namespace orq {
namespace {

bool IsCSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

ConfigValue ParseConfigValue(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) ++i;
    if (i == text.size()) return {0, true};
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
    if (i == text.size() || !IsDigit(text[i])) return {0, false};

    // Only whether the magnitude exceeds 128 matters, so stop growing it there: no overflow
    // however many digits follow.
    int magnitude = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        if (magnitude <= 128) magnitude = magnitude * 10 + (text[i] - '0');
    }
    const int value = negative ? -magnitude : magnitude;
    if (value > 127) return {127, false};
    if (value < -128) return {-128, false};
    return {static_cast<int8_t>(value), true};
}

std::vector<InvalidValue> LoadConfig(const ProfileDocument& doc, SettingsMirror& mirror,
                                     SliderValues& sliders) {
    std::vector<InvalidValue> invalid;
    for (const MirrorKey& k : MirrorKeys()) {
        std::string text = doc.Get(k.section, k.key);
        const ConfigValue v = ParseConfigValue(text);
        mirror.*k.field = v.byte;
        if (!v.valid)
            invalid.push_back({std::string(k.section), std::string(k.key), std::move(text)});
    }
    for (const SliderBinding& s : kSliderBindings) sliders.*s.slider = mirror.*s.mirror;
    return invalid;
}

LoadResult LoadConfig(const std::filesystem::path& path, SettingsMirror& mirror,
                      SliderValues& sliders) {
    ProfileReadResult file = ReadProfileFile(path);
    LoadResult result{file.error, file.found, {}};
    if (!file.error) result.invalid = LoadConfig(file.document, mirror, sliders);
    return result;
}

void StoreConfig(ProfileDocument& doc, SettingsMirror& mirror, const SliderValues& sliders) {
    for (const SliderBinding& s : kSliderBindings) mirror.*s.mirror = LowByte(sliders.*s.slider);
    for (const MirrorKey& k : MirrorKeys()) {
        // Constant ASCII names and decimal numbers: Set cannot refuse them.
        if (k.written) doc.Set(k.section, k.key, std::to_string(int{mirror.*k.field}));
    }
}

std::error_code SaveConfig(const std::filesystem::path& path, SettingsMirror& mirror,
                           const SliderValues& sliders) {
    // A stream (a device, a pipe, standard output) gets the text of a new file: reading it
    // first would take what someone else is writing into it, or wait for ever.
    ProfileReadResult file = IsWrittenThrough(path) ? ProfileReadResult{} : ReadProfileFile(path);
    StoreConfig(file.document, mirror, sliders);
    // A file we could not read must not be replaced: its other sections would be lost.
    if (file.error) return file.error;
    return WriteProfileFile(path, file.document);
}

std::string RenderConfig(const SettingsMirror& mirror, const SliderValues& sliders) {
    ProfileDocument doc;
    SettingsMirror copy = mirror;
    StoreConfig(doc, copy, sliders);
    return doc.Text();
}

std::string RenderDevice(const ParameterBlock& unit) {
    ParameterBlock copy = unit;
    SliderValues sliders;
    MirrorFromDevice(copy, sliders);
    return RenderConfig(copy.Mirror, sliders);
}

}  // namespace orq
