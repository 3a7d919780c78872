// Fibonacci growth of the triangle batch.
#include "growth_rule.h"

#include <cmath>
#include <limits>

double growthValue(std::int64_t angleStep, std::int64_t framesCounted) {
    const double s = std::sqrt(5.0);
    const double phi = (s + 1.0) * 0.5;
    const double psi = (1.0 - s) * 0.5;
    const double n = static_cast<double>(angleStep);
    const double fibonacci = (std::pow(phi, n) - std::pow(psi, n)) * (1.0 / s);
    return fibonacci / static_cast<double>(framesCounted + 1) + static_cast<double>(6 * angleStep);
}

std::int64_t elementCountFor(double growthValue) {
    constexpr double twoTo63 = 9223372036854775808.0;
    if (!(growthValue < twoTo63)) return std::numeric_limits<std::int64_t>::max();
    return static_cast<std::int64_t>(growthValue);
}

std::int64_t trianglesForCount(std::int64_t elementCount) { return elementCount / 6; }
