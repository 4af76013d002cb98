#pragma once

#include <QColor>

#include <functional>

// Curve colours stay random but readable: a colour too close to the canvas is drawn again.
// Pure functions; any thread.

// WCAG 2 contrast ratio of two opaque colours, from 1 (same luminance) to 21.
double contrastRatio(const QColor &a, const QColor &b);

// Draws red, green and blue from `nextComponent` (0..254 each) until the colour has at least
// `minimumRatio` contrast with `canvas`; after `maxDraws` tries it falls back to black or
// white, whichever reads better.
QColor readableColour(const QColor &canvas, const std::function<int()> &nextComponent,
                      double minimumRatio = 3.0, int maxDraws = 1000);
