#include "AmplitudeSpectrum.h"
#include "XyPath.h"

#include <QtTest>

#include <cmath>

using Values = QVector<double>;

namespace {

constexpr double kTwoPi = 6.283185307179586;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Sine
{
    double frequency; // Hz
    double amplitude;
};

// Sampled at 1 kHz, times in ms from 0; a little phase so no sine starts on a zero.
Values sinesAt1kHz(int n, double offset, const std::vector<Sine> &sines)
{
    Values values(n, offset);
    for (int i = 0; i < n; ++i) {
        for (const Sine &sine : sines)
            values[i] += sine.amplitude * std::sin(kTwoPi * sine.frequency * i / 1000.0 + 0.3);
    }
    return values;
}

Values millisecondsUpTo(int n)
{
    Values times(n);
    for (int i = 0; i < n; ++i)
        times[i] = i;
    return times;
}

AmplitudeSpectrum spectrumOf(const Values &values, SpectrumWindow window,
                             PeakInterpolation interpolation = PeakInterpolation::Parabolic,
                             SpectrumScale scale = SpectrumScale::Linear)
{
    QString error;
    const auto spectrum =
        AmplitudeSpectrum::compute(ColumnSnapshot::fromVector(millisecondsUpTo(values.size())),
                                   ColumnSnapshot::fromVector(values), 0, values.size(),
                                   {window, scale, 4, interpolation}, &error);
    if (!spectrum)
        qFatal("no spectrum: %s", qPrintable(error));
    return *spectrum;
}

RecordedCurve curve(const ColumnSnapshot &times, const Values &values, QVector<int> breaks = {})
{
    RecordedCurve made;
    made.times = times;
    made.values = ColumnSnapshot::fromVector(values);
    made.timeBreaks = breaks;
    return made;
}

} // namespace

Q_DECLARE_METATYPE(SpectrumWindow)
Q_DECLARE_METATYPE(std::vector<int>)

// The analyses behind the spectrum, bit-lane and XY views, against references worked out
// independently of the code.
class TestAnalysis : public QObject
{
    Q_OBJECT

private slots:
    void sumOfSinesReadsItsPartsOnAFlatTop_data()
    {
        QTest::addColumn<int>("n");
        QTest::newRow("4096") << 4096;
        QTest::newRow("5001, odd") << 5001;
    }
    void sumOfSinesReadsItsPartsOnAFlatTop()
    {
        QFETCH(int, n);
        const AmplitudeSpectrum spectrum =
            spectrumOf(sinesAt1kHz(n, 1.0, {{50.0, 2.0}, {120.0, 0.5}}), SpectrumWindow::FlatTop);
        QVERIFY(std::abs(spectrum.amplitudes().front() - 1.0) < 0.01);
        QVERIFY(spectrum.peaks().size() >= 2);
        const Sine expected[] = {{50.0, 2.0}, {120.0, 0.5}};
        for (int p = 0; p < 2; ++p) {
            const SpectrumPeak &peak = spectrum.peaks()[p];
            QVERIFY2(std::abs(peak.frequency - expected[p].frequency) < spectrum.binWidth(),
                     qPrintable(QString::number(peak.frequency)));
            QVERIFY2(std::abs(peak.amplitude / expected[p].amplitude - 1.0) < 0.01,
                     qPrintable(QString::number(peak.amplitude)));
        }
    }

    // A sine on a bin reads its amplitude whatever the window's coherent gain (1, 0.5,
    // 0.2156); half a bin off, each window loses what its shape says: 2/pi for none,
    // 0.8488 for Hann, nearly nothing on the flat top.
    void windowsReadASineAsTheirGainAndShapeSay_data()
    {
        QTest::addColumn<SpectrumWindow>("window");
        QTest::addColumn<double>("halfBinReading");
        QTest::newRow("none") << SpectrumWindow::None << 4.0 / kTwoPi;
        QTest::newRow("Hann") << SpectrumWindow::Hann << 0.8488;
        QTest::newRow("flat top") << SpectrumWindow::FlatTop << 1.0;
    }
    void windowsReadASineAsTheirGainAndShapeSay()
    {
        QFETCH(SpectrumWindow, window);
        QFETCH(double, halfBinReading);
        const int n = 1000; // 1 Hz bins
        const AmplitudeSpectrum onBin = spectrumOf(sinesAt1kHz(n, 0.0, {{200.0, 3.0}}), window);
        QVERIFY(std::abs(onBin.amplitudes()[200] - 3.0) < 1e-9);
        const AmplitudeSpectrum inDecibels =
            spectrumOf(sinesAt1kHz(n, 0.0, {{200.0, 3.0}}), window, PeakInterpolation::None,
                       SpectrumScale::Decibel);
        QVERIFY(std::abs(inDecibels.peaks().front().amplitude - 20.0 * std::log10(3.0)) < 1e-9);
        const AmplitudeSpectrum halfBin =
            spectrumOf(sinesAt1kHz(n, 0.0, {{200.5, 3.0}}), window, PeakInterpolation::None);
        QVERIFY2(std::abs(halfBin.peaks().front().amplitude / 3.0 - halfBinReading) < 0.003,
                 qPrintable(QString::number(halfBin.peaks().front().amplitude)));
    }

    void nyquistIsNotDoubled()
    {
        Values values(16);
        for (int i = 0; i < values.size(); ++i)
            values[i] = i % 2 ? -1.0 : 1.0;
        QCOMPARE(spectrumOf(values, SpectrumWindow::None).amplitudes().back(), 1.0);
    }

    void refusesWhatItCannotTransform_data()
    {
        QTest::addColumn<Values>("times");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<QString>("refusal"); // empty: accepted
        const Values even = millisecondsUpTo(40);
        Values uneven = even;
        uneven[21] = 21.2;
        Values jump = even;
        for (int i = 30; i < jump.size(); ++i)
            jump[i] += 500.0;
        Values untimed = even;
        untimed[5] = kNaN;
        QTest::newRow("gap") << even << 0 << 40 << "gaps: no value at 12 ms";
        QTest::newRow("stretch after the gap") << even << 13 << 40 << "";
        QTest::newRow("uneven") << uneven << 13 << 40 << "between 20 ms and 21.2 ms";
        QTest::newRow("jump") << jump << 13 << 40 << "between 29 ms and 530 ms";
        QTest::newRow("before the jump") << jump << 13 << 30 << "";
        QTest::newRow("too short") << even << 13 << 20 << "7 samples";
        QTest::newRow("no time") << untimed << 0 << 12 << "finite time";
        QTest::newRow("past the end") << even << 13 << 41 << "not all in the curve";
    }
    void refusesWhatItCannotTransform()
    {
        QFETCH(Values, times);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(QString, refusal);
        Values values(40, 1.0);
        values[12] = kNaN;
        QString error;
        const auto spectrum =
            AmplitudeSpectrum::compute(ColumnSnapshot::fromVector(times),
                                       ColumnSnapshot::fromVector(values), first, last, {}, &error);
        QCOMPARE(spectrum.has_value(), refusal.isEmpty());
        QVERIFY2(error.contains(refusal), qPrintable(error));
    }

    void xyPairsByTimeAndBreaksAtMissingPairs_data()
    {
        QTest::addColumn<Values>("yTimes"); // empty: x's column
        QTest::addColumn<QVector<QPointF>>("points");
        QTest::addColumn<std::vector<int>>("breaks");
        // x: times 0..5, values 1..6 with a gap at 2 and a jump before 5.
        QTest::newRow("one column")
            << Values() << QVector<QPointF>{{1, 10}, {2, 20}, {4, 40}, {5, 50}, {6, 60}}
            << std::vector<int>{2, 4};
        QTest::newRow("other column, exact times only")
            << Values{0, 0.5, 1.0, 3.0, 3.0, 7.0} << QVector<QPointF>{{1, 10}, {2, 30}, {4, 40}}
            << std::vector<int>{2};
    }
    void xyPairsByTimeAndBreaksAtMissingPairs()
    {
        QFETCH(Values, yTimes);
        QFETCH(QVector<QPointF>, points);
        QFETCH(std::vector<int>, breaks);
        const ColumnSnapshot xTimes = ColumnSnapshot::fromVector({0, 1, 2, 3, 4, 9});
        const XyPath path =
            XyPath::paired(curve(xTimes, {1, 2, kNaN, 4, 5, 6}, {5}),
                           curve(yTimes.isEmpty() ? xTimes : ColumnSnapshot::fromVector(yTimes),
                                 {10, 20, 30, 40, 50, 60}));
        QCOMPARE(QVector<QPointF>(path.points().begin(), path.points().end()), points);
        QCOMPARE(path.breaks(), breaks);
    }

    void equalScaleWidensTheNarrowerRange()
    {
        const QRectF ranges(0.0, 0.0, 10.0, 1.0);
        QCOMPARE(XyPath::equalScale(ranges, QSize(100, 100)), QRectF(0.0, -4.5, 10.0, 10.0));
        QCOMPARE(XyPath::equalScale(ranges, QSize(200, 100)), QRectF(0.0, -2.0, 10.0, 5.0));
        QCOMPARE(XyPath::equalScale(ranges.transposed(), QSize(100, 100)),
                 QRectF(-4.5, 0.0, 10.0, 10.0));
    }
};

QTEST_GUILESS_MAIN(TestAnalysis)
#include "tst_analysis.moc"
