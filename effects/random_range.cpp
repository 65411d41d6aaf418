#include "effects/random_range.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "common/random.h"

namespace {
// Spans up to this many steps are drawn step by step. Wider ones are drawn in coarser
// units (still whole steps) so the number of generator calls stays bounded.
constexpr double kMaxSpanSteps = 2147483647.0;

// The inputs are f32, so their sums and products are rounded as f32 ones would be
// (0.7f x 10 must give 7, not 6.99999...); past the f32 range double carries on.
double RoundAsF32(double v) {
    if (std::fabs(v) <= FLT_MAX) return static_cast<float>(v);
    return v;
}
}  // namespace

float RandomInRange(float lo, float hi, uint32_t steps) {
    // Double and 64-bit integers: steps x hi easily exceeds 32 bits.
    double low = lo, high = hi, shift = 0.0;
    if (low < 0.0) {
        shift = -low;
        low = 0.0;
        high = RoundAsF32(high + shift);
    }
    double a = std::trunc(RoundAsF32(static_cast<double>(steps) * low));
    double b = std::trunc(RoundAsF32(static_cast<double>(steps) * high));
    double span = b - a;
    if (steps == 0 || !std::isfinite(span)) return lo;
    // Narrower than one step: the low end on the grid.
    if (!(span >= 1.0)) return static_cast<float>(a / steps - shift);

    double unit = 1.0;
    if (span > kMaxSpanSteps) unit = std::ceil(span / kMaxSpanSteps);
    uint64_t remaining = static_cast<uint64_t>(std::floor(span / unit));

    uint64_t sum = 0;
    while (remaining > 0) {
        uint64_t piece = std::min<uint64_t>(remaining, RANDOM_MAX);
        sum += static_cast<uint64_t>(Random()) % (piece + 1);
        remaining -= piece;
    }

    double value = (a + static_cast<double>(sum) * unit) / steps - shift;
    // Rounding of very large products may land a hair above hi.
    return static_cast<float>(std::min(value, static_cast<double>(hi)));
}
