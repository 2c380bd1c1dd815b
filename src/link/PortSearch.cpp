#include "link/PortSearch.h"

#include "link/PortSink.h"
#include "serial/BlockBuffer.h"
#include "serial/SerialPort.h"

namespace orq {

const char* PortStepText(PortStep step) {
    switch (step) {
        case PortStep::Probing:
            return "probing";
        case PortStep::Opened:
            return "opened";
        case PortStep::NotFound:
            return "not found";
        case PortStep::PermissionDenied:
            return "permission denied";
        case PortStep::InUse:
            return "in use";
        case PortStep::CannotOpen:
            return "cannot open";
        case PortStep::CannotConfigure:
            return "cannot set up the line";
        case PortStep::NoAnswer:
            return "no answer";
        case PortStep::NoValidAnswer:
            return "no valid answer";
        case PortStep::Removed:
            return "gone (unplugged?)";
        case PortStep::Answered:
            return "answered";
    }
    return "?";
}

bool EndsPort(PortStep step) {
    return step != PortStep::Probing && step != PortStep::Opened;
}

Frame PortSearch::PrepareProbe(LinkState& link, const ParameterBlock& block) {
    link.ReplyMode = kReplyModeParameters;
    link.SequenceCounter = 0;
    BuildFrame(link, block, kCommandRequest);
    return link.TransmitFrame;
}

PortStep PortSearch::OpenForProbe(SerialPort& port, const PortInfo& info) {
    if (!port.OpenPort(info.number, info.path)) {
        switch (port.LastOpenError()) {
            case OpenError::NotFound:
                return PortStep::NotFound;
            case OpenError::PermissionDenied:
                return PortStep::PermissionDenied;
            case OpenError::InUse:
                return PortStep::InUse;
            default:
                return PortStep::CannotOpen;
        }
    }
    if (!port.SetState(9600, 0, 8, 1) || !port.SetupPort()) {
        port.ClosePort();
        return PortStep::CannotConfigure;
    }
    // SetupPort has discarded what the device held; what the port still holds came before this
    // probe and must not be taken for its answer.
    port.ReceiveBuffer().Clear();
    if (!port.StartThreads()) {
        port.ClosePort();
        return PortStep::CannotConfigure;
    }
    return PortStep::Opened;
}

void PortSearch::EnterConnected(const SearchParts& p) {
    p.connected = 1;
    p.link.ReplyMode = kReplyModeNone;
    PortSink sink(p.port);
    static_cast<void>(SendRequest(p.link, p.block, &sink));
    // The sliders are the windows' business: they take theirs from the image when they show it.
    SliderValues sliders;
    MirrorFromDevice(p.block, sliders);
}

}  // namespace orq
