#pragma once
// A serial port as the place built frames go. The port itself knows nothing of frames.

#include "protocol/LinkFrame.h"
#include "serial/SerialPort.h"

namespace orq {

class PortSink final : public ByteSink {
public:
    explicit PortSink(SerialPort& port) : port_(port) {}
    bool IsOpen() const override { return port_.IsOpen(); }
    uint32_t Write(const uint8_t* data, uint32_t count) override {
        return port_.Write(data, count);
    }

private:
    SerialPort& port_;
};

}  // namespace orq
