#include "widgets/LevelBarGeometry.h"

#include <algorithm>

namespace orq {

namespace {

// The ratio is a single-precision value, and every length is truncated toward zero.
float Ratio(int value, int maximum) {
    return maximum == 0 ? 0.0f : static_cast<float>(value) / static_cast<float>(maximum);
}

// Where the bar ends along its axis: the far tip of the fill, or the centre line for 0.
int Tip(BarAxis axis, int width, int height, int value, int maximum) {
    const BarRect fill = LevelBarFill(axis, width, height, value, maximum);
    const int length = axis == BarAxis::Vertical ? height : width;
    const int half = (length + 1) / 2;
    if (fill.Empty()) return half;
    if (axis == BarAxis::Vertical) return value > 0 ? fill.top : fill.top + fill.height;
    return value > 0 ? fill.left : fill.left + fill.width;
}

}  // namespace

BarRect LevelBarFill(BarAxis axis, int width, int height, int value, int maximum) {
    const float r = Ratio(value, maximum);
    if (r == 0.0f) return {};
    const bool vertical = axis == BarAxis::Vertical;
    const int half = ((vertical ? height : width) + 1) / 2;
    int start = 0, length = 0;
    if (r > 0) {
        start = static_cast<int>(static_cast<float>(half) * (1 - r));
        length = static_cast<int>(static_cast<float>(half) * r + 1);
    } else {
        start = half;
        // The horizontal bar stops a pixel short on its negative side where the vertical one
        // reaches a pixel past: the meters have always looked so.
        length = static_cast<int>(-r * static_cast<float>(half) + (vertical ? 1 : -1));
    }
    if (vertical) return {1, start, width - 2, length};
    return {start, 1, length, height - 2};
}

BarRect LevelBarInvalid(BarAxis axis, int width, int height, int from, int to, int maximum) {
    const BarRect whole{0, 0, width, height};
    if (to == 0 || (to > 0 && from <= 0)) return whole;
    const int a = Tip(axis, width, height, from, maximum);
    const int b = Tip(axis, width, height, to, maximum);
    const bool vertical = axis == BarAxis::Vertical;
    if (to > 0) {  // from the top (or left) edge to the farther end
        const int end = std::max(a, b);
        return vertical ? BarRect{0, 0, width, end} : BarRect{0, 0, end, height};
    }
    const int begin = std::min(a, b);  // from the nearer-to-centre end to the bottom (or right)
    return vertical ? BarRect{0, begin, width, height - begin}
                    : BarRect{begin, 0, width - begin, height};
}

}  // namespace orq
