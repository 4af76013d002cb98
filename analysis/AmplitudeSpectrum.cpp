#include "AmplitudeSpectrum.h"

#include "FftwRealTransform.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

constexpr double kPi = 3.141592653589793;

QString tr(const char *text)
{
    return QCoreApplication::translate("AmplitudeSpectrum", text);
}

QString milliseconds(double time)
{
    return QString::number(time, 'g', 12);
}

// Where sample i is, for a message: its time, or its place when it has none.
QString placeOf(const ColumnSnapshot &times, int i)
{
    const double time = times.at(i);
    return std::isfinite(time) ? tr("at %1 ms").arg(milliseconds(time)) : tr("at sample %1").arg(i);
}

bool isInColumns(const ColumnSnapshot &times, const ColumnSnapshot &values, int first, int last)
{
    return first >= 0 && first <= last && last <= times.size() && last <= values.size();
}

bool hasFiniteValues(const ColumnSnapshot &times, const ColumnSnapshot &values, int first, int last,
                     QString *error)
{
    for (int i = first; i < last; ++i) {
        const double value = values.at(i);
        if (std::isnan(value)) {
            *error = tr("The stretch has gaps: no value %1. Choose a stretch without gaps.")
                         .arg(placeOf(times, i));
            return false;
        }
        if (std::isinf(value)) {
            *error = tr("The value %1 is infinite.").arg(placeOf(times, i));
            return false;
        }
    }
    return true;
}

// The median of up to about 4000 steps spread over the stretch: cheap, and not moved by a
// few pauses.
double medianStep(const ColumnSnapshot &times, int first, int last)
{
    constexpr int kStepsRead = 4097;
    const int stride = std::max(1, (last - first - 1) / kStepsRead);
    std::vector<double> steps;
    for (int i = first + 1; i < last; i += stride)
        steps.push_back(times.at(i) - times.at(i - 1));
    const auto middle = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
    std::nth_element(steps.begin(), middle, steps.end());
    return *middle;
}

// The sample period in ms, or nothing with a message saying where the times are not even.
std::optional<double> evenPeriod(const ColumnSnapshot &times, int first, int last, QString *error)
{
    for (int i = first; i < last; ++i) {
        if (!std::isfinite(times.at(i))) {
            *error = tr("The stretch has a sample without a finite time (sample %1).").arg(i);
            return std::nullopt;
        }
    }
    const double median = medianStep(times, first, last);
    if (!(median > 0.0)) {
        *error = tr("The times of the stretch do not advance (from %1 ms to %2 ms).")
                     .arg(milliseconds(times.at(first)), milliseconds(times.at(last - 1)));
        return std::nullopt;
    }
    const double tolerance = AmplitudeSpectrum::kStepTolerance * median;
    for (int i = first + 1; i < last; ++i) {
        const double step = times.at(i) - times.at(i - 1);
        if (std::abs(step - median) <= tolerance)
            continue;
        const QString where = tr("The samples between %1 ms and %2 ms are not evenly spaced")
                                  .arg(milliseconds(times.at(i - 1)), milliseconds(times.at(i)));
        const QString why =
            step > 1.5 * median ? tr("sampling paused there for %1 ms") : tr("a step of %1 ms");
        *error = tr("%1: %2 where the period is %3 ms. Choose a stretch within one run of "
                    "even sampling.")
                     .arg(where, why.arg(milliseconds(step)), milliseconds(median));
        return std::nullopt;
    }
    return (times.at(last - 1) - times.at(first)) / (last - first - 1);
}

// A periodic window is sum over m of (-1)^m a[m] cos(2 pi m i / n).
using Coefficients = std::array<double, 5>;

Coefficients coefficientsOf(SpectrumWindow window)
{
    switch (window) {
    case SpectrumWindow::None:
        break;
    case SpectrumWindow::Hann:
        return {0.5, 0.5, 0.0, 0.0, 0.0};
    case SpectrumWindow::FlatTop:
        return {0.21557895, 0.41663158, 0.277263158, 0.083578947, 0.006947368};
    }
    return {1.0, 0.0, 0.0, 0.0, 0.0};
}

// The window at c = cos(2 pi i / n), its harmonics by Chebyshev's identities so that a
// million samples cost half a million cosines.
double windowAt(const Coefficients &a, double c)
{
    const double c2 = c * c;
    return a[0] - a[1] * c + a[2] * (2.0 * c2 - 1.0) - a[3] * (4.0 * c2 - 3.0) * c +
           a[4] * (8.0 * c2 * (c2 - 1.0) + 1.0);
}

double sinc(double x)
{
    return x == 0.0 ? 1.0 : std::sin(kPi * x) / (kPi * x);
}

// The share of a sine's amplitude that a bin `offset` bins away from it reads, as for a long
// stretch.
double windowResponse(const Coefficients &a, double offset)
{
    double sum = a[0] * sinc(offset);
    for (std::size_t m = 1; m < a.size(); ++m) {
        const double shift = static_cast<double>(m);
        sum += 0.5 * a[m] * (sinc(offset - shift) + sinc(offset + shift));
    }
    return std::abs(sum) / a[0];
}

// Fills the transform's input with the windowed values of [first, first + n), zeros after
// them; returns the window's sum.
double fillWindowed(FftwRealTransform &transform, const ColumnSnapshot &values, int first, int n,
                    SpectrumWindow window)
{
    const Coefficients coefficients = coefficientsOf(window);
    double *input = transform.input();
    std::fill(input + n, input + transform.length(), 0.0);
    const double angle = 2.0 * kPi / n;
    double sum = 0.0;
    // w[i] == w[n - i]: each cosine serves two samples.
    for (int i = 0; i <= n / 2; ++i) {
        const double w =
            window == SpectrumWindow::None ? 1.0 : windowAt(coefficients, std::cos(angle * i));
        input[i] = w * values.at(first + i);
        sum += w;
        const int mirror = n - i;
        if (i != 0 && mirror != i) {
            input[mirror] = w * values.at(first + mirror);
            sum += w;
        }
    }
    return sum;
}

// The shortest length from n on whose only factors are 2 to 13, which FFTW transforms fast: a
// prime length near a million takes it eight times as long. Pads by 0.6 % at most from
// 100 000 samples on, by 0.3 % from a million.
int smoothLengthFrom(int n)
{
    const auto isSmooth = [](int length) {
        for (const int factor : {2, 3, 5, 7, 11, 13}) {
            while (length % factor == 0)
                length /= factor;
        }
        return length == 1;
    };
    while (!isSmooth(n) && n < std::numeric_limits<int>::max())
        ++n;
    return n;
}

// A sine's amplitude is split between bins k and n - k, except at 0 Hz and Nyquist.
double sidesOf(int k, int n)
{
    return (k == 0 || 2 * k == n) ? 1.0 : 2.0;
}

// Where the top of a parabola through three bins lies, in bins from the middle one.
double parabolicOffset(double left, double centre, double right)
{
    const double a = std::log(left);
    const double b = std::log(centre);
    const double c = std::log(right);
    return 0.5 * (a - c) / (a - 2.0 * b + c);
}

} // namespace

std::optional<AmplitudeSpectrum>
AmplitudeSpectrum::compute(const ColumnSnapshot &times, const ColumnSnapshot &values, int first,
                           int last, const SpectrumOptions &options, QString *error)
{
    if (!isInColumns(times, values, first, last)) {
        *error = tr("The samples %1 to %2 are not all in the curve.").arg(first).arg(last - 1);
        return std::nullopt;
    }
    const int n = last - first;
    if (n < kMinimumSamples) {
        *error = tr("The stretch holds %1 samples; a spectrum needs at least %2.")
                     .arg(n)
                     .arg(kMinimumSamples);
        return std::nullopt;
    }
    if (!hasFiniteValues(times, values, first, last, error))
        return std::nullopt;
    const std::optional<double> period = evenPeriod(times, first, last, error);
    if (!period)
        return std::nullopt;
    const int length = smoothLengthFrom(n);
    const std::unique_ptr<FftwRealTransform> transform = FftwRealTransform::create(length);
    if (!transform) {
        *error = tr("There is not enough memory for the spectrum of %1 samples.").arg(n);
        return std::nullopt;
    }
    const double windowSum = fillWindowed(*transform, values, first, n, options.window);
    transform->execute();

    AmplitudeSpectrum spectrum;
    spectrum.m_sampleCount = n;
    spectrum.m_window = options.window;
    spectrum.m_transformLength = length;
    spectrum.m_binWidth = 1000.0 / (length * *period);
    const int bins = length / 2 + 1;
    spectrum.m_frequencies.resize(static_cast<std::size_t>(bins));
    spectrum.m_amplitudes.resize(static_cast<std::size_t>(bins));
    const fftw_complex *output = transform->output();
    for (int k = 0; k < bins; ++k) {
        const double magnitude =
            std::sqrt(output[k][0] * output[k][0] + output[k][1] * output[k][1]);
        spectrum.m_frequencies[static_cast<std::size_t>(k)] = k * spectrum.m_binWidth;
        spectrum.m_amplitudes[static_cast<std::size_t>(k)] =
            sidesOf(k, length) * magnitude / windowSum;
    }
    spectrum.findPeaks(options.peakCount, options.interpolation);
    spectrum.m_scale = options.scale;
    spectrum.applyScale();
    return spectrum;
}

void AmplitudeSpectrum::findPeaks(int count, PeakInterpolation interpolation)
{
    const std::vector<double> &a = m_amplitudes;
    const std::size_t bins = a.size();
    // Compared as the two-sided spectrum has them, where no bin is doubled: else the lobe of
    // 0 Hz, doubled past bin 0, would rise into a peak at bin 1.
    const auto level = [&a, this](std::size_t k) {
        return a[k] / sidesOf(static_cast<int>(k), m_transformLength);
    };
    std::vector<std::size_t> maxima;
    for (std::size_t k = 1; k < bins; ++k) {
        const double right = k + 1 < bins ? level(k + 1) : 0.0;
        if (level(k) > level(k - 1) && level(k) >= right)
            maxima.push_back(k);
    }
    const auto kept = std::min(maxima.size(), static_cast<std::size_t>(std::max(count, 0)));
    std::partial_sort(maxima.begin(), maxima.begin() + static_cast<std::ptrdiff_t>(kept),
                      maxima.end(), [&a](std::size_t l, std::size_t r) { return a[l] > a[r]; });
    maxima.resize(kept);
    for (const std::size_t k : maxima) {
        SpectrumPeak peak{k * m_binWidth, a[k]};
        if (interpolation == PeakInterpolation::Parabolic && k + 1 < bins && a[k - 1] > 0.0 &&
            a[k + 1] > 0.0) {
            const double offset = parabolicOffset(level(k - 1), level(k), level(k + 1));
            peak = {(k + offset) * m_binWidth,
                    a[k] / windowResponse(coefficientsOf(m_window),
                                          offset * m_sampleCount / m_transformLength)};
        }
        m_peaks.push_back(peak);
    }
}

void AmplitudeSpectrum::applyScale()
{
    if (m_scale != SpectrumScale::Decibel)
        return;
    const double floor = std::pow(10.0, kDecibelFloor / 20.0);
    const auto decibels = [floor](double amplitude) {
        return 20.0 * std::log10(std::max(amplitude, floor));
    };
    for (double &amplitude : m_amplitudes)
        amplitude = decibels(amplitude);
    for (SpectrumPeak &peak : m_peaks)
        peak.amplitude = decibels(peak.amplitude);
}
