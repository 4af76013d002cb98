#pragma once

#include <QString>

class QWidget;

// The scope's analysis driven as an operator drives it, through its menu's actions and its
// windows, for the documentation's screenshots: a robot preset before the run, the Spectrum
// and XY windows after it. Reaches the widget through its object tree only. GUI thread.
namespace AnalysisShots {

// "following-error", "velocity-error", "mechanical-power" or "tcp-speed".
bool addPreset(QWidget *scope, const QString &preset, QString &error);
// Hides, through the legend as a click does, every curve but the preset's, and scales the
// values to those left.
void showOnlyPreset(QWidget *scope, const QString &preset);
// Opens "Spectrum…" on `channel`, in dB, and writes the window to `file`.
bool writeSpectrum(QWidget *scope, const QString &channel, const QString &file, QString &error);
// Opens "XY view…" with `x` against `y`, equal scales, and writes the window to `file`.
bool writeXy(QWidget *scope, const QString &x, const QString &y, const QString &file,
             QString &error);

} // namespace AnalysisShots
