#pragma once

#include "AmplitudeSpectrum.h"

#include <QDialog>

#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QwtPlot;
class QwtPlotCurve;
class QwtPlotMarker;

// "Spectrum": the amplitude spectrum of one curve over the visible range, or between the two
// cursors when both are placed, with its window and scale to choose and its largest peaks
// read out and marked. It asks its scope for the spectrum (`Compute`) when opened, when a
// choice changes and on Refresh; a stretch that cannot be analysed is said in place of the
// spectrum. A window of its own beside the scope, which owns it (a Qt child); GUI thread.
class SpectrumView : public QDialog
{
    Q_OBJECT

public:
    using Compute = std::function<std::optional<AmplitudeSpectrum>(
        const QString &title, const SpectrumOptions &options, QString *error)>;

    // What the operator chose, as a set-up keeps it; a curve not offered yet is chosen once
    // it is.
    struct Choices
    {
        QString curve;
        SpectrumWindow window = SpectrumWindow::FlatTop;
        SpectrumScale scale = SpectrumScale::Linear;
    };

    SpectrumView(Compute compute, QWidget *parent);

    Choices choices() const;
    void setChoices(const Choices &choices);

    // The curves offered, keeping the one chosen where it is still there.
    void setChannels(const QStringList &titles);
    void refresh();
    // The peak read-out as shown: "50.00 Hz: 2.000" per line.
    QString peaksText() const;

private:
    SpectrumOptions options() const;
    void showSpectrum(const AmplitudeSpectrum &spectrum);
    void showRefusal(const QString &reason);
    void markPeaks(const std::vector<SpectrumPeak> &peaks);

    Compute m_compute;
    QString m_wantedCurve;
    QComboBox *m_channel;
    QComboBox *m_window;
    QComboBox *m_scale;
    QLabel *m_summary;
    QLabel *m_peaks;
    QwtPlot *m_plot;
    QwtPlotCurve *m_curve;                // owned by the plot
    std::vector<QwtPlotMarker *> m_marks; // owned by the plot
};
