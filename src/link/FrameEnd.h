#pragma once
// A receive pass that ends as soon as a frame's trailer has come, for a reader that looks through
// every byte itself (orqctl): its answer then arrives without waiting for the line to fall
// silent. The desktop program keeps the silence, as its windows expect.

#include <memory>
#include <span>

#include "protocol/LinkFrame.h"
#include "serial/SerialPort.h"

namespace orq {

class FrameEnd final : public PassEnd {
public:
    void Begin() override { previous_ = 0; }
    bool Complete(std::span<const uint8_t> fresh) override {
        for (const uint8_t b : fresh) {
            if (previous_ == kTrailer0 && b == kTrailer1) return true;
            previous_ = b;
        }
        return false;
    }
    std::unique_ptr<PassEnd> Clone() const override { return std::make_unique<FrameEnd>(); }

private:
    uint8_t previous_ = 0;
};

}  // namespace orq
