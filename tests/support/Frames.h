#pragma once
// Frames as they travel, written out byte by byte rather than built by the code under test, the
// same on every system: header 7F 2F, the payload, the XOR of the payload, trailer 7E 0E, zeros
// to 90 bytes. A request's payload is command, sequence, ReplyMode, length 5; a reply's is kind,
// type, the request's sequence echoed, its body and the length.

#include <cstdint>

#include "support/Bytes.h"

namespace orq::test {

inline Bytes Framed(Bytes payload) {
    uint8_t check = 0;
    for (uint8_t b : payload) check ^= b;
    payload.push_back(check);
    payload.insert(payload.begin(), {0x7F, 0x2F});
    payload.insert(payload.end(), {0x7E, 0x0E});
    payload.resize(90, 0);
    return payload;
}

// The length counts the header, kind, type, echo and body.
inline Bytes Reply(uint8_t kind, uint8_t type, uint8_t echo, const Bytes& body = {}) {
    Bytes payload{kind, type, echo};
    payload.insert(payload.end(), body.begin(), body.end());
    payload.push_back(static_cast<uint8_t>(payload.size() + 2));
    return Framed(payload);
}

}  // namespace orq::test
