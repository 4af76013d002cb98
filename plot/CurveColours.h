#pragma once

#include <QColor>
#include <QVector>

#include <functional>

// Curve colours stay random but readable and apart: a colour too close to the canvas, or to
// a colour already used, is drawn again. Pure functions; any thread.

// Colours at least this far apart (CIE76 ΔE, Euclidean distance in CIELAB) read as
// different at a glance; 2.3 is about the least difference an eye notices.
constexpr double kMinCurveDeltaE = 20.0;
// Contrast a curve needs with the canvas to read at a glance (WCAG's figure for graphics).
constexpr double kMinCurveContrast = 3.0;

// WCAG 2 contrast ratio of two opaque colours, from 1 (same luminance) to 21.
double contrastRatio(const QColor &a, const QColor &b);

// CIE76 colour difference of two opaque sRGB colours, in CIELAB under D65 white.
double deltaE76(const QColor &a, const QColor &b);

// The least deltaE76 of `colour` to any of `others`; infinite when there are none.
double leastDeltaE(const QColor &colour, const QVector<QColor> &others);

// Black or white, whichever reads better on `background`: at least 4.5:1 on any colour.
QColor readableTextColour(const QColor &background);

// Draws red, green and blue from `nextComponent` (0..254 each) until the colour has at least
// `minimumRatio` contrast with `canvas`; after `maxDraws` tries it falls back to black or
// white, whichever reads better.
QColor readableColour(const QColor &canvas, const std::function<int()> &nextComponent,
                      double minimumRatio = kMinCurveContrast, int maxDraws = 1000);

// As readableColour, but a draw closer than `minimumDeltaE` to one of `used` is drawn again
// too. After `maxDraws` tries it takes the readable draw farthest from the used colours.
QColor distinctReadableColour(const QColor &canvas, const QVector<QColor> &used,
                              const std::function<int()> &nextComponent,
                              double minimumDeltaE = kMinCurveDeltaE,
                              double minimumRatio = kMinCurveContrast, int maxDraws = 1000);
