#include "CurveColours.h"

#include <algorithm>
#include <cmath>

namespace {

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

} // namespace

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableColour(const QColor &canvas, const std::function<int()> &nextComponent,
                      double minimumRatio, int maxDraws)
{
    for (int draw = 0; draw < maxDraws; ++draw) {
        const int red = nextComponent();
        const int green = nextComponent();
        const int blue = nextComponent();
        const QColor colour(red, green, blue, 255);
        if (contrastRatio(colour, canvas) >= minimumRatio)
            return colour;
    }
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    return contrastRatio(black, canvas) >= contrastRatio(white, canvas) ? black : white;
}
