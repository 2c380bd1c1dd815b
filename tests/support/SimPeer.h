#pragma once
// A simulated unit on its own pseudo-terminal that logs every frame it hears, for the tests that
// drive a window and check what reached the unit. Counts are taken from a mark, so a test step
// checks what it sent and nothing before it.
//
//     SimPeer unit;
//     unit.Mark();
//     h.Click(IDC_RESET_MAIN);
//     QTRY_COMPARE(unit.CountSince(), std::size_t{1});
//     const Frame f = unit.Since().at(0);

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "protocol/LinkFrame.h"
#include "sim/SimUnit.h"

namespace orq::test {

class SimPeer {
public:
    explicit SimPeer(UnitImage image = FactoryImage(), bool reply = true, SimOptions extra = {})
        : dir_(MakeDir()), sim_(Options(image, reply, std::move(extra), dir_)) {
        std::string error;
        started_ = sim_.Start(error);
    }
    ~SimPeer() {
        sim_.Stop();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    SimPeer(const SimPeer&) = delete;

    bool Started() const { return started_; }
    const std::string& Path() const { return sim_.DevicePath(); }
    SimUnit& Unit() { return sim_; }
    void Unplug() { sim_.Stop(); }

    // Every frame heard so far, as the 90 bytes of its slot.
    std::vector<Frame> Frames() const {
        std::vector<Frame> frames;
        std::ifstream in(dir_ / "frames.log");
        for (std::string line; std::getline(in, line);) {
            Frame& f = frames.emplace_back();
            for (std::size_t i = 0; i < f.size() && 2 * i + 1 < line.size(); ++i)
                f[i] = static_cast<uint8_t>(std::stoi(line.substr(2 * i, 2), nullptr, 16));
        }
        return frames;
    }
    std::size_t FrameCount() const { return Frames().size(); }

    void Mark() { mark_ = FrameCount(); }
    std::size_t CountSince() const { return FrameCount() - mark_; }
    std::vector<Frame> Since() const {
        std::vector<Frame> f = Frames();
        f.erase(f.begin(), f.begin() + static_cast<std::ptrdiff_t>(std::min(mark_, f.size())));
        return f;
    }

private:
    static std::filesystem::path MakeDir() {
        std::string name = std::filesystem::temp_directory_path() / "orq-peer-XXXXXX";
        return ::mkdtemp(name.data()) ? name : std::string();
    }
    static SimOptions Options(UnitImage image, bool reply, SimOptions o,
                              const std::filesystem::path& dir) {
        o.image = image;
        o.reply = reply;
        o.logPath = dir / "frames.log";
        return o;
    }

    std::filesystem::path dir_;
    SimUnit sim_;
    bool started_ = false;
    std::size_t mark_ = 0;
};

}  // namespace orq::test
