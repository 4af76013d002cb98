#pragma once

#include "ColumnSnapshot.h"

#include <QString>

#include <optional>
#include <vector>

// Periodic (DFT-even) windows, so that a sine on a bin falls in that bin alone.
enum class SpectrumWindow
{
    None,
    Hann,
    // The 5-term SRS flat-top (HFT): within 0.01 dB of a sine's amplitude wherever it lies
    // between bins, for a main lobe ten bins wide.
    FlatTop
};

enum class SpectrumScale
{
    Linear,
    // 20 log10(amplitude / 1 unit of the curve), never below kDecibelFloor.
    Decibel
};

// How a peak is placed between bins. Parabolic takes the frequency at the top of a parabola
// through the logarithms of the peak bin's amplitude and its two neighbours', and divides
// the bin's amplitude by the window's response at that offset. For a lone sine that is
// within 0.02 bins and 1 % with Hann, 0.15 bins and 0.1 % on the flat top, and coarse
// without a window (0.2 bins, 16 %), whose lobe a parabola fits worst. None keeps the bin.
enum class PeakInterpolation
{
    None,
    Parabolic
};

struct SpectrumPeak
{
    double frequency = 0.0; // Hz
    double amplitude = 0.0; // on the spectrum's scale
};

struct SpectrumOptions
{
    SpectrumWindow window = SpectrumWindow::FlatTop;
    SpectrumScale scale = SpectrumScale::Linear;
    int peakCount = 5;
    PeakInterpolation interpolation = PeakInterpolation::Parabolic;
};

// The single-sided amplitude spectrum of an evenly sampled stretch of one curve: a sine of
// amplitude A reads A at its frequency (the window's coherent gain is divided out; 0 Hz and
// the Nyquist bin are not doubled), a constant reads itself at 0 Hz. A value made by whoever
// asks for it, on that thread; several threads may compute at once.
class AmplitudeSpectrum
{
public:
    static constexpr int kMinimumSamples = 8;
    static constexpr double kDecibelFloor = -300.0;
    // A step in time further than this from the median step makes the stretch uneven.
    static constexpr double kStepTolerance = 0.01;

    // The spectrum of the samples [first, last) of a curve, times in ms. Nothing, and a
    // message saying why and where, for a stretch too short, with gaps, not evenly sampled
    // (a pause in sampling included) or outside the columns. The stretch is padded with zeros
    // to the next length FFTW transforms fast, so the bins may be a little narrower than the
    // sampling rate over the number of samples (by 0.6 % at most from 100 000 samples on).
    static std::optional<AmplitudeSpectrum> compute(const ColumnSnapshot &times,
                                                    const ColumnSnapshot &values, int first,
                                                    int last, const SpectrumOptions &options,
                                                    QString *error);

    // Bin k at k * binWidth(), from 0 Hz to half the sampling rate.
    const std::vector<double> &frequencies() const { return m_frequencies; }
    const std::vector<double> &amplitudes() const { return m_amplitudes; }
    double binWidth() const { return m_binWidth; }    // Hz
    int sampleCount() const { return m_sampleCount; } // before padding
    SpectrumWindow window() const { return m_window; }
    SpectrumScale scale() const { return m_scale; }
    // The largest local maxima above 0 Hz, largest first, at most the options' peakCount.
    const std::vector<SpectrumPeak> &peaks() const { return m_peaks; }

private:
    AmplitudeSpectrum() = default;
    void findPeaks(int count, PeakInterpolation interpolation);
    void applyScale();

    std::vector<double> m_frequencies;
    std::vector<double> m_amplitudes;
    double m_binWidth = 0.0;
    int m_sampleCount = 0;
    int m_transformLength = 0;
    SpectrumWindow m_window = SpectrumWindow::None;
    SpectrumScale m_scale = SpectrumScale::Linear;
    std::vector<SpectrumPeak> m_peaks;
};
