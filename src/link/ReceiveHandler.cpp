#include "link/ReceiveHandler.h"

#include "serial/SerialPort.h"

namespace orq {

ReceiveHandler::Moved ReceiveHandler::OnSerialReceive(SerialPort& port, int32_t portNumber,
                                                      BlockBuffer& accumulator) {
    Moved moved;
    if (portNumber != port.PortNumber()) return moved;
    do {
        const uint32_t n = port.Read(work_.data(), kReadChunk);
        work_[n] = 0;
        ++moved.reads;
        accumulator.Append(work_.data(), n);
        moved.bytes += n;
    } while (port.ReceiveSize() > 0);
    return moved;
}

}  // namespace orq
