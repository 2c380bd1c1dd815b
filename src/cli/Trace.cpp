#include "cli/Trace.h"

#include "config/Paths.h"
#include "protocol/LinkFrame.h"

namespace orq {

TraceFile::TraceFile(const std::string& path) : file_(PathFromUtf8(path), std::ios::trunc) {}

TraceFile::~TraceFile() {
    if (Ok()) FlushStray();
}

void TraceFile::Line(const char* direction, std::span<const uint8_t> bytes) {
    const double t =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    std::string hex;
    hex.reserve(2 * bytes.size());
    for (uint8_t b : bytes) hex += {"0123456789abcdef"[b >> 4], "0123456789abcdef"[b & 15]};
    char head[32];
    std::snprintf(head, sizeof head, "%.6f %-3s ", t, direction);
    file_ << head << hex << '\n';
    file_.flush();  // a session that crashes still leaves what it did
}

void TraceFile::FlushStray() {
    if (!stray_.empty()) Line("in?", stray_);
    stray_.clear();
}

void TraceFile::Sent(std::span<const uint8_t> bytes) {
    std::lock_guard g(lock_);
    if (Ok()) Line("out", bytes);
}

void TraceFile::Received(std::span<const uint8_t> bytes) {
    std::lock_guard g(lock_);
    if (!Ok()) return;
    for (uint8_t b : bytes) {
        const bool header = prev_ == kHeader0 && b == kHeader1;
        const bool trailer = prev_ == kTrailer0 && b == kTrailer1;
        prev_ = b;
        if (header) {
            // The 0x7F just taken belongs to this header: it went into the unfinished frame, or
            // among the stray bytes.
            if (!frame_.empty())
                stray_.insert(stray_.end(), frame_.begin(), frame_.end() - 1);
            else if (!stray_.empty())
                stray_.pop_back();
            FlushStray();
            frame_.assign({kHeader0, kHeader1});
        } else if (!frame_.empty()) {
            frame_.push_back(b);
            if (trailer) {
                Line("in", frame_);
                frame_.clear();
            } else if (frame_.size() > kReceivePayloadSize + 4) {
                stray_.insert(stray_.end(), frame_.begin(), frame_.end());
                frame_.clear();
            }
        } else if (b != 0 || !stray_.empty()) {
            stray_.push_back(b);  // padding zeros after a frame are not worth a line
        }
    }
}

}  // namespace orq
