#include "CurveColours.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

namespace {

using Lab = std::array<double, 3>;

double linearChannel(double c8)
{
    const double c = c8 / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double relativeLuminance(const QColor &colour)
{
    return 0.2126 * linearChannel(colour.red()) + 0.7152 * linearChannel(colour.green()) +
           0.0722 * linearChannel(colour.blue());
}

double labCurve(double t)
{
    constexpr double epsilon = 216.0 / 24389.0;
    constexpr double kappa = 24389.0 / 27.0;
    return t > epsilon ? std::cbrt(t) : (kappa * t + 16.0) / 116.0;
}

// L*, a*, b* of an sRGB colour, D65 white.
Lab lab(const QColor &colour)
{
    const double r = linearChannel(colour.red());
    const double g = linearChannel(colour.green());
    const double b = linearChannel(colour.blue());
    const double fx = labCurve((0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047);
    const double fy = labCurve(0.2126 * r + 0.7152 * g + 0.0722 * b);
    const double fz = labCurve((0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883);
    return {116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)};
}

double distance(const Lab &p, const Lab &q)
{
    return std::hypot(p[0] - q[0], p[1] - q[1], p[2] - q[2]);
}

// The used colours are converted once for all draws: with many of them, converting each again
// for every draw would make choosing a colour take noticeable time.
std::vector<Lab> labsOf(const QVector<QColor> &colours)
{
    std::vector<Lab> labs;
    labs.reserve(static_cast<std::size_t>(colours.size()));
    for (const QColor &colour : colours)
        labs.push_back(lab(colour));
    return labs;
}

double leastDistance(const Lab &colour, const std::vector<Lab> &used)
{
    double least = std::numeric_limits<double>::infinity();
    for (const Lab &other : used)
        least = std::min(least, distance(colour, other));
    return least;
}

QColor drawColour(const std::function<int()> &nextComponent)
{
    const int red = nextComponent();
    const int green = nextComponent();
    const int blue = nextComponent();
    return QColor(red, green, blue, 255);
}

} // namespace

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

double deltaE76(const QColor &a, const QColor &b)
{
    return distance(lab(a), lab(b));
}

double leastDeltaE(const QColor &colour, const QVector<QColor> &others)
{
    return leastDistance(lab(colour), labsOf(others));
}

QColor readableColour(const QColor &canvas, const std::function<int()> &nextComponent,
                      double minimumRatio, int maxDraws)
{
    return distinctReadableColour(canvas, {}, nextComponent, 0.0, minimumRatio, maxDraws);
}

QColor distinctReadableColour(const QColor &canvas, const QVector<QColor> &used,
                              const std::function<int()> &nextComponent, double minimumDeltaE,
                              double minimumRatio, int maxDraws)
{
    const std::vector<Lab> usedLabs = labsOf(used);
    std::optional<QColor> farthest;
    double farthestDeltaE = -1.0;
    for (int draw = 0; draw < maxDraws; ++draw) {
        const QColor colour = drawColour(nextComponent);
        if (contrastRatio(colour, canvas) < minimumRatio)
            continue;
        const double apart = leastDistance(lab(colour), usedLabs);
        if (apart >= minimumDeltaE)
            return colour;
        if (apart > farthestDeltaE) {
            farthest = colour;
            farthestDeltaE = apart;
        }
    }
    return farthest ? *farthest : readableTextColour(canvas);
}

QColor readableTextColour(const QColor &background)
{
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    return contrastRatio(black, background) >= contrastRatio(white, background) ? black : white;
}
