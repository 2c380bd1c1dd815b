#include "protocol/ParameterBlock.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <type_traits>

namespace orq {

// The wire depends on these layouts byte for byte: every field sits at its wire index.
static_assert(std::is_standard_layout_v<SetupBlock> && sizeof(SetupBlock) == SetupBlock::kSize);
static_assert(std::is_standard_layout_v<TuningBlock> && sizeof(TuningBlock) == TuningBlock::kSize);
#define ORQ_CHECK_SETUP(index, name) static_assert(offsetof(SetupBlock, name) == (index));
#define ORQ_CHECK_TUNING(index, name) static_assert(offsetof(TuningBlock, name) == (index));
ORQ_SETUP_BYTES(ORQ_CHECK_SETUP)
ORQ_TUNING_BYTES(ORQ_CHECK_TUNING)
#undef ORQ_CHECK_SETUP
#undef ORQ_CHECK_TUNING
static_assert(offsetof(SettingsMirror, TailGainP) - offsetof(SettingsMirror, Acc1) ==
              SettingsMirror::kSection3Count - 1);

namespace {

#define ORQ_NAME(index, name) #name,
constexpr std::array<std::string_view, SetupBlock::kSize> kSetupNames = {ORQ_SETUP_BYTES(ORQ_NAME)};
constexpr std::array<std::string_view, TuningBlock::kSize> kTuningNames = {
    ORQ_TUNING_BYTES(ORQ_NAME)};
#undef ORQ_NAME

// Where the device byte a key names lies: its block and index, and whether the key keeps it.
#define ORQ_INDEX_Setup(byte) offsetof(SetupBlock, byte)
#define ORQ_INDEX_Tuning(byte) offsetof(TuningBlock, byte)
#define ORQ_INDEX_None(byte) 0
#define ORQ_ROW(section, key, initial, min, max, block, byte)                 \
    MirrorKey{"section" #section,                                             \
              #key,                                                           \
              &SettingsMirror::key,                                           \
              initial,                                                        \
              min,                                                            \
              max,                                                            \
              Block::block,                                                   \
              static_cast<uint8_t>(ORQ_INDEX_##block(byte)),                  \
              Block::block != Block::None && std::string_view(#key) == #byte, \
              Block::block != Block::None},
constexpr MirrorKey kKeys[] = {ORQ_MIRROR_KEYS(ORQ_ROW)};
#undef ORQ_ROW
#undef ORQ_INDEX_Setup
#undef ORQ_INDEX_Tuning
#undef ORQ_INDEX_None

// Two keepers of one byte would make the file's value depend on the copy order: a slip in the
// table shows here, at compile time.
constexpr bool OneKeeperPerByte() {
    for (const MirrorKey& a : kKeys)
        for (const MirrorKey& b : kKeys)
            if (&a != &b && a.keeper && b.keeper && a.block == b.block && a.index == b.index)
                return false;
    return true;
}
static_assert(OneKeeperPerByte());
static_assert(std::size(kKeys) == 53);

}  // namespace

std::span<const MirrorKey> MirrorKeys() {
    return kKeys;
}

const MirrorKey& MirrorKeyOf(int8_t SettingsMirror::*field) {
    const auto it = std::find_if(std::begin(kKeys), std::end(kKeys),
                                 [field](const MirrorKey& k) { return k.field == field; });
    return *it;  // every field of the mirror is a row of the table
}

std::string_view SetupByteName(std::size_t index) {
    return index < kSetupNames.size() ? kSetupNames[index] : std::string_view();
}
std::string_view TuningByteName(std::size_t index) {
    return index < kTuningNames.size() ? kTuningNames[index] : std::string_view();
}

namespace {
template <class Image>
auto ByteOf(Image& b, const MirrorKey& key) -> decltype(&b.Setup.bytes()[0]) {
    switch (key.block) {
        case Block::Setup:
            return &b.Setup.bytes()[key.index];
        case Block::Tuning:
            return &b.Tuning.bytes()[key.index];
        case Block::None:
            break;
    }
    return nullptr;
}
}  // namespace

int8_t* DeviceByte(ParameterBlock& b, const MirrorKey& key) {
    return ByteOf(b, key);
}
const int8_t* DeviceByte(const ParameterBlock& b, const MirrorKey& key) {
    return ByteOf(b, key);
}

void MirrorFromTuning(const TuningBlock& t, SettingsMirror& m) {
    for (const MirrorKey& k : kKeys)
        if (k.block == Block::Tuning) m.*k.field = t.bytes()[k.index];
}

void MirrorFromDevice(ParameterBlock& b, SliderValues& s) {
    for (const SliderBinding& k : kSliderBindings)
        s.*k.slider = *DeviceByte(b, MirrorKeyOf(k.mirror));
    for (const MirrorKey& k : kKeys)
        if (const int8_t* byte = DeviceByte(b, k)) b.Mirror.*k.field = *byte;
}

void DeviceFromMirror(ParameterBlock& b) {
    for (const MirrorKey& k : kKeys)
        if (k.keeper) *DeviceByte(b, k) = b.Mirror.*k.field;
}

std::vector<ByteDifference> CompareWritten(const SetupBlock& sentSetup,
                                           const TuningBlock& sentTuning,
                                           const SetupBlock& heldSetup,
                                           const TuningBlock& heldTuning) {
    std::vector<ByteDifference> d;
    for (std::size_t i = 0; i < SetupBlock::kSentSize; ++i) {
        if (sentSetup.bytes()[i] != heldSetup.bytes()[i]) {
            d.push_back(
                {std::string(SetupByteName(i)), sentSetup.bytes()[i], heldSetup.bytes()[i]});
        }
    }
    for (std::size_t i = 0; i < TuningBlock::kSize; ++i) {
        if (sentTuning.bytes()[i] != heldTuning.bytes()[i]) {
            d.push_back(
                {std::string(TuningByteName(i)), sentTuning.bytes()[i], heldTuning.bytes()[i]});
        }
    }
    return d;
}

}  // namespace orq
