#pragma once
// Configuration files: one parameter set (the SettingsMirror and the main form's seven slider
// values) as an initialisation file with the sections section1, section2 and section3.

#include "config/Profile.h"
#include "protocol/ParameterBlock.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace orq {

// A stored value: decimal text with optional leading white space and sign; reading stops at the
// first non-digit. The byte is the number saturated to -128..127. `valid` is false when the text
// holds no digit at all or a number outside -128..127; empty text is 0 and valid (a key that is
// not there is simply not set).
struct ConfigValue {
    int8_t byte = 0;
    bool valid = true;
};
ConfigValue ParseConfigValue(std::string_view text);

// A key whose text did not hold a signed byte. The value loaded in its place is 0 (no number) or
// the nearer limit, -128 or 127.
struct InvalidValue {
    std::string section;
    std::string key;
    std::string text;
    bool operator==(const InvalidValue&) const = default;
};

struct LoadResult {
    std::error_code error;              // the file exists but could not be read: nothing loaded
    bool found = false;                 // false: no such file, every key loaded as 0
    std::vector<InvalidValue> invalid;  // in file order
};

// Reads every key of the three sections into the mirror, and the seven section1 values into the
// slider values as well. Does not touch the device image. Keys missing from the file load 0.
[[nodiscard]] LoadResult LoadConfig(const std::filesystem::path& path, SettingsMirror& mirror,
                                    SliderValues& sliders);

// The in-memory form of Load, for a document already read.
std::vector<InvalidValue> LoadConfig(const ProfileDocument& doc, SettingsMirror& mirror,
                                     SliderValues& sliders);

// Copies the low byte of each slider value into the mirror's section1 field, then writes the 52
// saved keys (DefaulParameters is never written) into the document in file order. Other sections,
// keys and lines of the document stay as they were.
void StoreConfig(ProfileDocument& doc, SettingsMirror& mirror, const SliderValues& sliders);

// StoreConfig on the file: read once, write once, never half-written (see WriteProfileFile). On a
// failure the mirror has still taken the slider values, as it would have on success. Returns the
// failure, empty on success.
[[nodiscard]] std::error_code SaveConfig(const std::filesystem::path& path, SettingsMirror& mirror,
                                         const SliderValues& sliders);

// The text that saving into an empty (or new) file would produce, without touching any file; for
// writing to standard output. CRLF line ends. The caller's mirror is left alone.
std::string RenderConfig(const SettingsMirror& mirror, const SliderValues& sliders);

// The parameter set the unit holds, as a new configuration file's text: the device image
// copied into a mirror (and the slider values) as a connection shows it. Nothing of `unit`
// changes.
std::string RenderDevice(const ParameterBlock& unit);

}  // namespace orq
