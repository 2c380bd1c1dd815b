#include "link/ReceiveHandler.h"

namespace orq {

ReceiveHandler::Moved ReceiveHandler::OnSerialReceive(SerialPort& port, int32_t portNumber,
                                                      BlockBuffer& accumulator) {
    Moved moved;
    if (portNumber != port.PortNumber()) return moved;
    const bool buffered = (port.Options() & SerialPort::kReceiveBuffer) != 0;
    do {
        const uint32_t n = port.Read(work_.data(), kReadChunk, -1);
        work_[n] = 0;
        ++moved.reads;
        accumulator.Append(work_.data(), n);
        moved.bytes += n;
    } while (buffered && port.ReceiveSize() > 0);
    return moved;
}

}  // namespace orq
