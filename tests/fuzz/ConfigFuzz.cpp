// Configuration files of any content: loading names every key whose text is not a byte, and a
// set saved and loaded again comes back as it was.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "config/ConfigFile.h"
#include "config/Profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const orq::ProfileDocument doc(text);
    if (doc.Text() != text) std::abort();  // every byte of a file stays as it was

    orq::SettingsMirror mirror;
    orq::SliderValues sliders;
    const auto invalid = orq::LoadConfig(doc, mirror, sliders);
    std::size_t bad = 0;
    for (const orq::MirrorKey& k : orq::MirrorKeys())
        if (!orq::ParseConfigValue(doc.Get(k.section, k.key)).valid) ++bad;
    if (bad != invalid.size()) std::abort();

    orq::ProfileDocument saved(text);
    orq::SettingsMirror stored = mirror;
    orq::StoreConfig(saved, stored, sliders);
    orq::SettingsMirror again;
    orq::SliderValues againSliders;
    const auto invalidAgain =
        orq::LoadConfig(orq::ProfileDocument(saved.Text()), again, againSliders);
    // DefaulParameters is read but never written: it keeps what the file had.
    again.DefaulParameters = stored.DefaulParameters;
    for (const orq::InvalidValue& v : invalidAgain)
        if (v.key != "DefaulParameters") std::abort();
    if (!(again == stored)) std::abort();
    return 0;
}
