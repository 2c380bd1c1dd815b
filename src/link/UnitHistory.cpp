#include "link/UnitHistory.h"

#include <utility>

#include "link/UnitSession.h"
#include "protocol/LinkFrame.h"

namespace orq {

namespace {

// Two differences still read as a name; more become a count.
constexpr std::size_t kNamedDifferences = 2;

template <class Visit>
void ForEachSentByte(const ParameterBlock& a, const ParameterBlock& b, Visit visit) {
    for (std::size_t i = 0; i < SetupBlock::kSentSize; ++i)
        visit(SetupByteName(i), a.Setup.bytes()[i], b.Setup.bytes()[i]);
    for (std::size_t i = 0; i < TuningBlock::kSize; ++i)
        visit(TuningByteName(i), a.Tuning.bytes()[i], b.Tuning.bytes()[i]);
}

}  // namespace

UnitHistory::Change::Change(UnitHistory& history, std::string name, bool withValues)
    : history_(&history),
      name_(std::move(name)),
      withValues_(withValues),
      connected_(history.UnitHere()),
      before_(history.session_.Block()) {}

const UnitHistory::Step* UnitHistory::Change::End() {
    UnitHistory* const h = std::exchange(history_, nullptr);
    // A change that began or ended without the unit was not sent to it: nothing to undo there.
    if (!h || !connected_ || !h->UnitHere()) return kept_;
    const ParameterBlock& now = h->session_.Block();
    if (!UnitDiffers(before_, now)) return kept_;
    std::string name = name_;
    if (withValues_ || name.empty()) {
        const std::string what = Describe(before_, now);
        name = name.empty() ? what : name + " " + what;
    }
    kept_ = h->Keep(std::move(name), before_);
    return kept_;
}

bool UnitHistory::UnitHere() const {
    return session_.Connected() && !session_.Searching();
}

const UnitHistory::Step* UnitHistory::Keep(std::string name, const ParameterBlock& before) {
    undo_.push_back({nextId_++, std::move(name), before, session_.Block()});
    redo_.clear();
    Changed();
    return &undo_.back();
}

bool UnitHistory::Apply(const ParameterBlock& from, const ParameterBlock& to) {
    ParameterBlock& image = session_.Block();
    const ParameterBlock saved = image;
    // The unit's bytes as they were; DeviceState is the unit's own and never sent.
    for (std::size_t i = 0; i < SetupBlock::kSentSize; ++i)
        image.Setup.bytes()[i] = to.Setup.bytes()[i];
    image.Tuning = to.Tuning;
    // Only the keys the step itself changed: a file opened since keeps the rest.
    for (const MirrorKey& key : MirrorKeys())
        if (from.Mirror.*key.field != to.Mirror.*key.field)
            image.Mirror.*key.field = to.Mirror.*key.field;
    if (session_.SendParameters() != kFrameSize) {
        image = saved;
        return false;
    }
    return true;
}

bool UnitHistory::Undo() {
    if (!CanUndo() || !Apply(undo_.back().after, undo_.back().before)) return false;
    redo_.push_back(std::move(undo_.back()));
    undo_.pop_back();
    Changed();
    return true;
}

bool UnitHistory::Redo() {
    if (!CanRedo() || !Apply(redo_.back().before, redo_.back().after)) return false;
    undo_.push_back(std::move(redo_.back()));
    redo_.pop_back();
    Changed();
    return true;
}

void UnitHistory::Clear() {
    if (undo_.empty() && redo_.empty()) return;
    undo_.clear();
    redo_.clear();
    Changed();
}

bool UnitHistory::UnitDiffers(const ParameterBlock& a, const ParameterBlock& b) {
    bool differs = false;
    ForEachSentByte(a, b, [&](std::string_view, int8_t x, int8_t y) { differs |= x != y; });
    return differs;
}

std::string UnitHistory::Describe(const ParameterBlock& before, const ParameterBlock& after) {
    std::vector<std::string> changes;
    ForEachSentByte(before, after, [&](std::string_view name, int8_t a, int8_t b) {
        if (a != b)
            changes.push_back(std::string(name) + " " + std::to_string(a) + " \u2192 " +
                              std::to_string(b));
    });
    if (changes.size() > kNamedDifferences) return std::to_string(changes.size()) + " values";
    std::string text;
    for (const std::string& c : changes) text += (text.empty() ? "" : ", ") + c;
    return text;
}

}  // namespace orq
