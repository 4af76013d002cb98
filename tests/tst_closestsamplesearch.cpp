#include "ClosestSampleSearch.h"
#include "ScopeSeriesData.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <tuple>
#include <vector>

namespace {

using Samples = QVector<QPointF>;

QwtScaleMap scaleMap(double s1, double s2, double p1, double p2)
{
    QwtScaleMap map;
    map.setScaleInterval(s1, s2);
    map.setPaintInterval(p1, p2);
    return map;
}

// Plot coordinates equal canvas pixels.
QwtScaleMap identityMap()
{
    return scaleMap(0.0, 1000.0, 0.0, 1000.0);
}

struct CurveSet
{
    std::vector<std::unique_ptr<QwtSeriesData<QPointF>>> data;
    QVector<SearchCurve> curves;

    void add(const Samples &samples, bool visible)
    {
        data.push_back(std::make_unique<QwtPointSeriesData>(samples));
        curves.append({data.back().get(), visible});
    }

    // As the widget's curves hold them: shared columns, times from an origin.
    void addColumns(const Samples &samples, bool visible)
    {
        constexpr double kOrigin = 5000.0;
        QVector<double> times;
        QVector<double> values;
        for (const QPointF &p : samples) {
            times << p.x() + kOrigin;
            values << p.y();
        }
        data.push_back(std::make_unique<ScopeSeriesData>(ColumnSnapshot::fromVector(times), kOrigin,
                                                         ColumnSnapshot::fromVector(values)));
        curves.append({data.back().get(), visible});
    }
};

// Every usable sample as (squared distance, position, index); the least tuple is the answer.
ClosestSample bruteForce(const CurveSet &set, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                         const QPoint &cursor)
{
    std::vector<std::tuple<qint64, int, int>> candidates;
    for (int position = 0; position < set.curves.size(); ++position) {
        if (!set.curves[position].visible)
            continue;
        const QwtSeriesData<QPointF> *samples = set.curves[position].samples;
        for (int i = 0; i < int(samples->size()); ++i) {
            const QPointF p = samples->sample(i);
            if (!std::isfinite(p.x()) || !std::isfinite(p.y()))
                continue;
            const qint64 dx = qRound(xMap.transform(p.x())) - cursor.x();
            const qint64 dy = qRound(yMap.transform(p.y())) - cursor.y();
            candidates.emplace_back(dx * dx + dy * dy, position, i);
        }
    }
    ClosestSample best;
    if (candidates.empty())
        return best;
    const auto &[squared, position, index] =
        *std::min_element(candidates.begin(), candidates.end());
    best.position = position;
    best.index = index;
    best.distance = std::sqrt(double(squared));
    return best;
}

} // namespace

Q_DECLARE_METATYPE(Samples)

class tst_ClosestSampleSearch : public QObject
{
    Q_OBJECT

private slots:
    void rules_data();
    void rules();
    void matchesBruteForceOnRandomCurves();
};

void tst_ClosestSampleSearch::rules_data()
{
    QTest::addColumn<Samples>("first");
    QTest::addColumn<bool>("firstVisible");
    QTest::addColumn<Samples>("second");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("index");
    QTest::addColumn<double>("distance");

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();

    QTest::newRow("tie between curves: earlier curve")
        << Samples{{3, 4}} << true << Samples{{5, 0}} << 0 << 0 << 5.0;
    QTest::newRow("strictly closer later curve wins")
        << Samples{{3, 4}} << true << Samples{{4, 0}} << 1 << 0 << 4.0;
    QTest::newRow("tie within a curve: lower index")
        << Samples{{30, 30}, {0, 5}, {5, 0}, {0, 5}} << true << Samples{} << 0 << 1 << 5.0;
    QTest::newRow("hidden curve skipped")
        << Samples{{0, 0}} << false << Samples{{6, 8}} << 1 << 0 << 10.0;
    QTest::newRow("empty curve skipped") << Samples{} << true << Samples{{6, 8}} << 1 << 0 << 10.0;
    QTest::newRow("nothing visible")
        << Samples{{1, 1}} << false << Samples{} << -1 << -1 << std::numeric_limits<double>::max();
    QTest::newRow("NaN and infinite samples skipped")
        << Samples{{nan, 0}, {0, inf}, {-inf, 0}, {6, 8}} << true << Samples{} << 0 << 3 << 10.0;
    QTest::newRow("half pixels round up like the picker")
        << Samples{{2.5, 0}, {-2.5, 0}} << true << Samples{} << 0 << 1 << 2.0;
    QTest::newRow("far-off sample clamped, still found")
        << Samples{{0, 1e300}} << true << Samples{{0, -1e308}} << 0 << 0 << 1e9;
}

void tst_ClosestSampleSearch::rules()
{
    QFETCH(Samples, first);
    QFETCH(bool, firstVisible);
    QFETCH(Samples, second);

    CurveSet set;
    set.add(first, firstVisible);
    set.add(second, true);
    set.curves.append({nullptr, true});

    const ClosestSample found =
        findClosestSample(set.curves, identityMap(), identityMap(), QPoint(0, 0));
    QTEST(found.position, "position");
    QTEST(found.index, "index");
    QTEST(found.distance, "distance");
}

// Curves of ascending time are searched from the cursor outwards, all others sample by
// sample; both must give what the brute force gives, ties and hidden curves included.
void tst_ClosestSampleSearch::matchesBruteForceOnRandomCurves()
{
    // A realistic canvas: 0..100 ms over 640 pixels, -10..10 over 480 pixels upwards.
    const QwtScaleMap xMap = scaleMap(0.0, 100.0, 0.0, 640.0);
    const QwtScaleMap yMap = scaleMap(-10.0, 10.0, 480.0, 0.0);
    std::mt19937 random(20240611);
    auto uniform = [&](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(random);
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();

    for (int round = 0; round < 2000; ++round) {
        CurveSet set;
        const int curveCount = uniform(1, 6);
        // Now and then long curves, whose blocks and chunks the ascending search skips.
        const int most = round % 50 == 0 ? 12000 : round % 10 == 0 ? 3000 : 40;
        for (int c = 0; c < curveCount; ++c) {
            Samples samples;
            const int count = uniform(0, most);
            for (int i = 0; i < count; ++i) {
                // Coarse grids so that many samples share a pixel or a distance.
                samples.append({uniform(-4, 44) * 2.5, uniform(-24, 24) * 0.5});
                if (uniform(0, 4) == 0)
                    samples.append(samples.at(uniform(0, samples.size() - 1)));
                if (uniform(0, 200) == 0)
                    samples.last().setY(nan);
            }
            if (c > 0 && uniform(0, 3) == 0) {
                const QwtSeriesData<QPointF> &earlier = *set.data[uniform(0, c - 1)];
                samples.clear();
                for (size_t i = 0; i < earlier.size(); ++i)
                    samples.append(earlier.sample(i));
            }
            const bool visible = uniform(0, 4) != 0;
            switch (uniform(0, 2)) {
            case 0:
                set.add(samples, visible);
                break;
            case 1:
                set.addColumns(samples, visible);
                break;
            default:
                std::sort(samples.begin(), samples.end(),
                          [](const QPointF &a, const QPointF &b) { return a.x() < b.x(); });
                set.addColumns(samples, visible);
                break;
            }
        }
        const QPoint cursor(uniform(-20, 660), uniform(-20, 500));

        const ClosestSample expected = bruteForce(set, xMap, yMap, cursor);
        const ClosestSample found = findClosestSample(set.curves, xMap, yMap, cursor);
        QCOMPARE(found.position, expected.position);
        QCOMPARE(found.index, expected.index);
        QCOMPARE(found.distance, expected.distance);
    }
}

QTEST_APPLESS_MAIN(tst_ClosestSampleSearch)
#include "tst_closestsamplesearch.moc"
