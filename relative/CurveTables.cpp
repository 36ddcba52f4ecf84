// The per-render curve tables of the integer depths: every curve in use sampled at max + 1 positions, and
// the cosine and sine of every hue amount the hue table can give.
#include "relative/RgbaCurvesFilter.h"

#include "relative/ChangeSteps.h"

#include <cmath>

namespace korvane::relative {

namespace {

// Table building asks the host whether the user aborted after every so many entries.
constexpr std::int32_t kTableProgressInterval = 1000;

} // namespace

template <class Pixel>
std::int32_t RgbaCurvesFilter<Pixel>::buildTables(ScratchBuffer& block, ScratchBuffer& hueBlock) {
    tables_.fill(nullptr);
    hueCosine_ = nullptr;
    hueSine_ = nullptr;
    if constexpr (Pixel::kIsFloat) {
        return noError();
    } else {
        tableLast_ = Pixel::kMaxValue;
        const std::size_t entries = std::size_t(tableLast_) + 1;
        std::array<bool, kPropertyCount> used{};
        std::size_t count = 0;
        for (std::size_t k = 0; k < kPropertyCount; ++k) {
            const auto u = std::size_t(plan_.usedCurve[k]);
            if (plan_.active[k] && !used[u]) {
                used[u] = true;
                ++count;
            }
        }
        if (count == 0) {
            return noError();
        }
        if (!block.allocate(count * entries * sizeof(float))) {
            return outOfMemoryError();
        }
        if (plan_.active[kHue] && !hueBlock.allocate(2 * entries * sizeof(double))) {
            return outOfMemoryError();
        }
        auto* next = static_cast<float*>(block.data());
        const double last = double(tableLast_);
        for (std::size_t u = 0; u < kPropertyCount; ++u) {
            if (!used[u]) {
                continue;
            }
            float* table = next;
            next += entries;
            for (std::int32_t j = 0; j <= tableLast_; ++j) {
                table[j] = float(knots_[u].evaluate(double(j) / last));
                if (j % kTableProgressInterval == 0) {
                    if (const std::int32_t status = host().progress(0, 1); status != noError()) {
                        return status;
                    }
                }
            }
            tables_[u] = table;
        }
        if (plan_.active[kHue]) {
            // The hue change needs the angle's cosine and sine of every amount the table can give.
            auto* cosine = static_cast<double*>(hueBlock.data());
            double* sine = cosine + entries;
            const float* table = tables_[std::size_t(plan_.usedCurve[kHue])];
            for (std::size_t j = 0; j < entries; ++j) {
                const double angle = kTwoPi * (factors_[kHue] * double(table[j]));
                cosine[j] = std::cos(angle);
                sine[j] = std::sin(angle);
            }
            hueCosine_ = cosine;
            hueSine_ = sine;
        }
        return noError();
    }
}

template std::int32_t RgbaCurvesFilter<Pixel8>::buildTables(ScratchBuffer&, ScratchBuffer&);
template std::int32_t RgbaCurvesFilter<Pixel16>::buildTables(ScratchBuffer&, ScratchBuffer&);
template std::int32_t RgbaCurvesFilter<PixelFloat>::buildTables(ScratchBuffer&, ScratchBuffer&);

} // namespace korvane::relative
