#pragma once
// Where a level bar fills and what a new value makes it repaint, in the bar's client pixels.
// Plain arithmetic on purpose: it is tested without a window.
//
// A bar shows a signed value growing from a centre line: a vertical bar upward for a positive
// value and downward for a negative one, a horizontal bar to the left for a positive value and
// to the right for a negative one. The fill keeps a one-pixel border across the bar.

namespace orq {

enum class BarAxis { Vertical, Horizontal };

struct BarRect {
    int left = 0, top = 0, width = 0, height = 0;
    bool Empty() const { return width <= 0 || height <= 0; }
    bool operator==(const BarRect&) const = default;
};

// The filled part for `value` on a range whose upper end is `maximum` (the ratio is always
// taken against it), in a client area of width x height pixels. Empty for 0.
BarRect LevelBarFill(BarAxis axis, int width, int height, int value, int maximum);

// What must be repainted when the value goes from `from` to `to`: the whole bar when the new
// value is 0 or turns positive; otherwise the strip from the outer edge on the new bar's side
// to whichever bar end, old or new, lies farther from that edge.
BarRect LevelBarInvalid(BarAxis axis, int width, int height, int from, int to, int maximum);

}  // namespace orq
