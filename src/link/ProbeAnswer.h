#pragma once
// The one rule by which every search decides that a unit answered its probe: among everything a
// port sends, however the line slices it and whatever noise comes before, a valid reply whose
// sequence echo is the probe's. Each reply found is tried on copies of the link state and the
// image, so that only the answer itself changes them: a stray reply with another echo must not
// overwrite the image.

#include <cstdint>
#include <span>
#include <vector>

#include "protocol/LinkFrame.h"
#include "protocol/ParameterBlock.h"

namespace orq {

class ProbeAnswer {
public:
    // What is kept of a line that brings no reply: enough for a frame split across passes.
    static constexpr std::size_t kKeep = 1023;

    // Adds what the port has sent; true once it holds the answer, which is then accepted into
    // `link` (AwaitingReply clear) and `block`.
    bool Feed(std::span<const uint8_t> bytes, LinkState& link, ParameterBlock& block);
    // Whether any byte came at all: a port that sent something but no answer is not silent.
    bool Heard() const { return heard_; }
    void Clear();

private:
    std::vector<uint8_t> pending_;
    bool heard_ = false;
};

}  // namespace orq
