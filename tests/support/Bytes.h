#pragma once
// Byte runs as tests write and compare them, the same on every system.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orq::test {

using Bytes = std::vector<uint8_t>;

inline std::string Hex(std::span<const uint8_t> bytes) {
    std::string s;
    for (uint8_t b : bytes) s += {"0123456789abcdef"[b >> 4], "0123456789abcdef"[b & 15]};
    return s;
}

}  // namespace orq::test
