#pragma once
// What a window does with WM_SERIAL_RECEIVE: move everything the port has received into its own
// accumulator. The main form and the connection scan share it; nothing is parsed here.

#include <array>
#include <cstdint>

#include "serial/BlockBuffer.h"

namespace orq {

class SerialPort;

class ReceiveHandler {
public:
    static constexpr uint32_t kReadChunk = 1023;

    struct Moved {
        uint32_t bytes = 0;
        uint32_t reads = 0;
    };

    // `portNumber` is the one the notification carries: a late notification from a port that has
    // since been replaced by another is dropped.
    Moved OnSerialReceive(SerialPort& port, int32_t portNumber, BlockBuffer& accumulator);

private:
    std::array<uint8_t, kReadChunk + 1> work_{};
};

}  // namespace orq
