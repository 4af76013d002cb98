// Analysis on a live scope. Channels it computes from recorded ones: per record against a
// hand computation, through the file, the recording to disk and the trigger, the robot
// presets, bit lanes, and what is refused. The spectrum of a sum of sines and an XY path.
#include "DerivedChannelsDialog.h"
#include "ScopeFile.h"
#include "ScopeTestSupport.h"
#include "SpectrumView.h"
#include "XyView.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cmath>
#include <limits>

using namespace ScopeTest;

namespace {

const QString kJ1 = QStringLiteral("J1 Target ACS");
const QString kJ2 = QStringLiteral("J2 Target ACS");
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// J1 and J2 of record t: J2 is zero at t = 5 (a division by zero there) and J1 a gap at 7.
double j1(int t)
{
    return t == 7 ? kNaN : 10.0 + t;
}
double j2(int t)
{
    return t == 5 ? 0.0 : 0.5 * t - 2.0;
}

void queueRecords(int count)
{
    TarnSim::Batch batch;
    for (int t = 0; t < count; ++t) {
        _ST_ReadScopeData r = record(100.0 + t, 0.0);
        r.dValue[0] = j1(t);
        r.dValue[1] = j2(t);
        batch.records.push_back(r);
    }
    TarnSim::queueBatch(batch);
}

TarnScopeCurveData curveOf(const QList<TarnScopeCurveData> &curves, const QString &title)
{
    for (const TarnScopeCurveData &curve : curves)
        if (curve.title == title)
            return curve;
    return {};
}

// Equal, or both gaps.
bool same(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || std::abs(a - b) < 1e-9;
}

} // namespace

class TestScopeAnalysis : public QObject
{
    Q_OBJECT

    std::unique_ptr<TarnPlugin_Scope> m_scope;
    QTemporaryDir m_dir;

private slots:
    void init() { m_scope = freshScope(); }
    void cleanup() { m_scope.reset(); }

    // Each record's derived value is the hand computation on its recorded values; a gap in
    // an input and a division by zero are gaps. The curve, the exported file and the file
    // recorded to disk all hold it, and a derived channel may read one before it.
    void derivedValuesFollowEachRecord()
    {
        QVERIFY(m_scope->setChannels({kJ1, kJ2}));
        QVERIFY(m_scope->addDerivedChannel("ratio", QString("\"%1\" / \"%2\"").arg(kJ1, kJ2),
                                           "deg/deg"));
        QVERIFY(m_scope->addDerivedChannel(
            "error", QString("abs(\"%1\" - \"%2\") + 0 * \"ratio\"").arg(kJ1, kJ2)));
        QCOMPARE(m_scope->channels(), (QStringList{kJ1, kJ2, "ratio", "error"}));
        QVERIFY(flushedAfter([this] { m_scope->start(); }));
        const QString disk = m_dir.filePath("disk.csv");
        QVERIFY(m_scope->startRecordingToFile(disk));
        constexpr int kRecords = 12;
        queueRecords(kRecords);
        QVERIFY(waitForBatchesConsumed());
        m_scope->stopRecordingToFile();
        m_scope->stop();

        const QList<TarnScopeCurveData> curves = m_scope->recordedCurves();
        const TarnScopeCurveData ratio = curveOf(curves, "ratio");
        const TarnScopeCurveData error = curveOf(curves, "error");
        QCOMPARE(ratio.unit, QString("deg/deg"));
        QCOMPARE(ratio.values.size(), kRecords);
        QCOMPARE(error.values.size(), kRecords);
        for (int t = 0; t < kRecords; ++t) {
            const double expected = std::isfinite(j1(t) / j2(t)) ? j1(t) / j2(t) : kNaN;
            QVERIFY2(same(ratio.values[t], expected), qPrintable(QString::number(t)));
            QVERIFY2(same(error.values[t], std::isnan(expected) ? kNaN : std::abs(j1(t) - j2(t))),
                     qPrintable(QString::number(t)));
        }

        const QString exported = m_dir.filePath("exported.csv");
        QVERIFY(m_scope->exportToFile(exported));
        QTRY_VERIFY(!m_scope->isRecordingToFile());
        for (const QString &file : {exported, disk}) {
            ScopeFileContent content;
            QString why;
            QCOMPARE(ScopeFile::load(file, &content, ScopeFile::Progress(), &why),
                     ScopeFile::Outcome::Done);
            QCOMPARE(content.curves.size(), 4);
            QCOMPARE(content.curves.at(2).title, QString("ratio"));
            QCOMPARE(content.curves.at(2).binding.unit, QString("deg/deg"));
            QCOMPARE(content.curves.at(2).y.value(3), std::round(ratio.values[3] * 1000) / 1000);
            QVERIFY(std::isnan(content.curves.at(2).y.value(5)));
        }
    }

    // An imported file gets the derived channels it lacks, computed over its rows, and keeps
    // one it carries as it stands.
    void derivedChannelsOfAnImportedFile()
    {
        QVector<ScopeFileCurve> curves;
        for (const QString &title : {kJ1, kJ2, QString("kept")}) {
            ScopeFileCurve curve{title, CurveBinding(), {0, 1, 2, 3}, {}};
            curve.binding.slot = curves.size();
            curve.binding.unit = "ACS(deg)";
            curves << curve;
        }
        curves[0].y = {5, 7, kNaN, 1};
        curves[1].y = {1, 2, 3, 4};
        curves[2].y = {9, 9, 9, 9};
        const QString file = m_dir.filePath("two.csv");
        QString error;
        QCOMPARE(ScopeFile::save(file, curves, ScopeFile::Progress(), &error),
                 ScopeFile::Outcome::Done);
        QVERIFY(m_scope->setChannels({kJ1, kJ2}));
        QVERIFY(m_scope->addDerivedChannel("diff", QString("\"%1\" - \"%2\"").arg(kJ1, kJ2)));
        QVERIFY(m_scope->addDerivedChannel("kept", "0"));
        QVERIFY(m_scope->importFromFile(file, &error));
        QCOMPARE(m_scope->channels(), (QStringList{kJ1, kJ2, "kept", "diff"}));
        const QList<TarnScopeCurveData> read = m_scope->recordedCurves();
        const QVector<double> diff = curveOf(read, "diff").values;
        QCOMPARE(diff.size(), 4);
        QVERIFY(same(diff[0], 4) && same(diff[1], 5) && same(diff[2], kNaN) && same(diff[3], -3));
        QCOMPARE(curveOf(read, "kept").values, (QVector<double>{9, 9, 9, 9}));
    }

    // The trigger fires on a derived channel at the record where it crosses.
    void triggerFiresOnADerivedChannel()
    {
        QVERIFY(m_scope->setChannels({kJ1, kJ2}));
        QVERIFY(m_scope->addDerivedChannel("sum", QString("\"%1\" + \"%2\"").arg(kJ1, kJ2)));
        m_scope->setTriggerChannel("sum");
        m_scope->setTriggerThreshold(20.0); // j1 + j2 = 8 + 1.5 t: first above at t = 9
        m_scope->setTriggerEnabled(true);
        QSignalSpy fired(m_scope.get(), &TarnPlugin_Scope::triggerFired);
        QVERIFY(flushedAfter([this] { m_scope->start(); }));
        queueRecords(12);
        QTRY_COMPARE(fired.count(), 1);
        QCOMPARE(fired.first().first().toDouble(), 109.0);
    }

    // Chosen bits of a status word become lanes of 0/1 steps, and the trigger fires on a
    // lane's rising edge; a bit that no word has is refused.
    void bitLanesOfAStatusWord()
    {
        const QString word = QStringLiteral("J1 status word");
        QVERIFY(m_scope->setChannels({word}));
        QString error;
        QVERIFY(!m_scope->addBitLanes(word, {64}, {}, &error));
        QVERIFY2(error.contains("no bit 64"), qPrintable(error));
        QVERIFY(m_scope->addBitLanes(word, {0, 2}, {QString(), "Enable"}));
        QCOMPARE(m_scope->channels(), (QStringList{word, word + " bit 0", word + " Enable"}));
        const QVector<double> words{5, 0, 3, 5, kNaN, 4};
        const auto queueWords = [&words](double first) {
            TarnSim::Batch batch;
            for (int t = 0; t < words.size(); ++t)
                batch.records.push_back(record(first + t, words[t]));
            TarnSim::queueBatch(batch);
        };
        QVERIFY(flushedAfter([this] { m_scope->start(); }));
        queueWords(100.0);
        QVERIFY(waitForBatchesConsumed());
        m_scope->stop();
        const QList<TarnScopeCurveData> curves = m_scope->recordedCurves();
        const QVector<double> bit0 = curveOf(curves, word + " bit 0").values;
        const QVector<double> enable = curveOf(curves, word + " Enable").values;
        const QVector<double> expected0{1, 0, 1, 1, kNaN, 0}, expected2{1, 0, 0, 1, kNaN, 1};
        QCOMPARE(bit0.size(), words.size());
        for (int t = 0; t < words.size(); ++t)
            QVERIFY(same(bit0[t], expected0[t]) && same(enable[t], expected2[t]));

        // With a delay the trigger waits for the bit to be low first: an edge, not the level.
        m_scope->setTriggerChannel(word + " Enable");
        m_scope->setTriggerThreshold(0.5);
        m_scope->setTriggerDelay("0");
        m_scope->setTriggerEnabled(true);
        QSignalSpy fired(m_scope.get(), &TarnPlugin_Scope::triggerFired);
        QVERIFY(flushedAfter([this] { m_scope->start(); }));
        queueWords(200.0);
        QTRY_COMPARE(fired.count(), 1);
        QCOMPARE(fired.first().first().toDouble(), 203.0);
        QCOMPARE(m_scope->derivedChannelUnit(word + " Enable"), QString("bit"));
    }

    // A preset chooses the channels it reads beside those chosen and adds one derived
    // channel per joint, with its unit.
    void presetsChooseWhatTheyRead_data()
    {
        QTest::addColumn<int>("preset");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("reads");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<int>("count");
        QTest::newRow("following error")
            << int(TarnPlugin_Scope::FollowingError) << "J3 Following error"
            << "J3 Actual ACS"
            << "ACS(deg)" << 6;
        QTest::newRow("mechanical power")
            << int(TarnPlugin_Scope::MechanicalPower) << "J6 Mechanical power"
            << "J6 FilSensedTor"
            << "W" << 6;
        QTest::newRow("TCP speed") << int(TarnPlugin_Scope::TcpSpeed) << "TCP speed"
                                   << "Z Actual Vel"
                                   << "VEL(mm/s)" << 1;
    }
    void presetsChooseWhatTheyRead()
    {
        QFETCH(int, preset);
        QFETCH(QString, title);
        QFETCH(QString, reads);
        QFETCH(QString, unit);
        QFETCH(int, count);
        QVERIFY(m_scope->setChannels({kJ1}));
        QString error;
        QVERIFY2(m_scope->addRobotPreset(TarnPlugin_Scope::RobotPreset(preset), &error),
                 qPrintable(error));
        QCOMPARE(m_scope->derivedChannels().size(), count);
        QVERIFY(m_scope->derivedChannels().contains(title));
        QCOMPARE(m_scope->derivedChannelUnit(title), unit);
        QVERIFY(m_scope->channels().contains(kJ1));
        QVERIFY(m_scope->channels().contains(reads));
        QVERIFY(m_scope->channels().contains(title));
    }

    // A refused derived channel says why and changes nothing.
    void refusals_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("because");
        QTest::newRow("no title") << " " << QString("\"%1\"").arg(kJ1) << "title";
        QTest::newRow("a recorded channel's title") << kJ2 << "1"
                                                    << "recorded channel";
        QTest::newRow("empty") << "e"
                               << ""
                               << "e:";
        QTest::newRow("unknown channel") << "e"
                                         << "\"J9 Target ACS\" - 1"
                                         << "J9 Target ACS";
        QTest::newRow("unbalanced") << "e" << QString("(\"%1\" - 1").arg(kJ1) << "e:";
    }
    void refusals()
    {
        QFETCH(QString, title);
        QFETCH(QString, expression);
        QFETCH(QString, because);
        QVERIFY(m_scope->setChannels({kJ1, kJ2}));
        QVERIFY(m_scope->addDerivedChannel("kept", "1"));
        QSignalSpy errors(m_scope.get(), &TarnPlugin_Scope::errorOccurred);
        QString error;
        QVERIFY(!m_scope->addDerivedChannel(title, expression, QString(), &error));
        QVERIFY2(error.contains(because), qPrintable(error));
        QCOMPARE(errors.count(), 1);
        QCOMPARE(m_scope->derivedChannels(), QStringList{"kept"});
        QCOMPARE(m_scope->channels(), (QStringList{kJ1, kJ2, "kept"}));
    }

    // The dialog checks an expression as it is typed, character by character, and offers
    // Add only for one that reads; what it adds is what the scope then records.
    void theDialogChecksWhileTyping()
    {
        DerivedChannelSet none;
        DerivedChannelsDialog dialog(none, {kJ1, kJ2}, nullptr);
        auto *expression = child<QLineEdit>(&dialog, "Derived_edit_Expression");
        auto *add = child<QPushButton>(&dialog, "Derived_btn_Add");
        auto *check = child<QLabel>(&dialog, "Derived_label_Check");
        QTest::keyClicks(child<QLineEdit>(&dialog, "Derived_edit_Title"), "e");
        const QString typed = QString("sqrt(\"%1\"^2 + (\"%2\" - 1)").arg(kJ1, kJ2);
        for (const QChar c : typed) {
            QTest::keyClicks(expression, QString(c));
            QVERIFY(!check->text().isEmpty());
        }
        QVERIFY(!add->isEnabled());
        QVERIFY2(check->text().contains("at 5"), qPrintable(check->text()));
        QTest::keyClicks(expression, ")");
        QVERIFY2(add->isEnabled(), qPrintable(check->text()));
        add->click();
        QCOMPARE(dialog.channels().titles(), QStringList{"e"});
        QVERIFY(!add->isEnabled()); // the row is empty again
    }

    // The spectrum of a sum of sines over the visible range finds their frequencies within
    // a bin and their amplitudes within 1 %; a stretch with a gap is refused with the reason.
    // The Spectrum window reads out the same peaks.
    void spectrumOfARecordedCurve_data()
    {
        QTest::addColumn<bool>("withGap");
        QTest::newRow("even stretch") << false;
        QTest::newRow("a gap") << true;
    }
    void spectrumOfARecordedCurve()
    {
        QFETCH(bool, withGap);
        QVERIFY(m_scope->setChannels({kJ1}));
        QVERIFY(flushedAfter([this] { m_scope->start(); }));
        TarnSim::Batch batch;
        for (int t = 0; t < 2000; ++t) {
            const double s = t / 1000.0;
            batch.records.push_back(record(t, withGap && t == 900
                                                  ? kNaN
                                                  : 1.0 + 2.0 * std::sin(2 * M_PI * 50 * s) +
                                                        0.5 * std::sin(2 * M_PI * 120 * s)));
        }
        TarnSim::queueBatch(batch);
        QVERIFY(waitForBatchesConsumed());
        m_scope->stop();
        TarnScopeSpectrum spectrum;
        QString error;
        const bool done =
            m_scope->spectrum(kJ1, &spectrum, TarnPlugin_Scope::FlatTopWindow, false, &error);
        QCOMPARE(done, !withGap);
        if (withGap) {
            QVERIFY2(error.contains("gap"), qPrintable(error));
            return;
        }
        QCOMPARE(spectrum.sampleCount, 2000);
        QVERIFY(spectrum.peaks.size() >= 2);
        QVERIFY(std::abs(spectrum.peaks[0].x() - 50.0) <= spectrum.binWidth);
        QVERIFY(std::abs(spectrum.peaks[0].y() - 2.0) <= 0.02);
        QVERIFY(std::abs(spectrum.peaks[1].x() - 120.0) <= spectrum.binWidth);
        QVERIFY(std::abs(spectrum.peaks[1].y() - 0.5) <= 0.005);
        m_scope->findChild<QAction *>("ScopeAction_Spectrum")->trigger();
        auto *view = m_scope->findChild<SpectrumView *>();
        QVERIFY(view && view->isVisible());
        QVERIFY2(view->peaksText().contains("50.00 Hz: 2"), qPrintable(view->peaksText()));
    }

    // Two curves against each other pair by record; a gap in either leaves its pair out.
    void xyPathPairsByRecord()
    {
        QVERIFY(m_scope->setChannels({kJ1, kJ2}));
        QVERIFY(flushedAfter([this] { m_scope->start(); }));
        queueRecords(12);
        QVERIFY(waitForBatchesConsumed());
        m_scope->stop();
        const QList<QPointF> path = m_scope->xyPath(kJ1, kJ2);
        QCOMPARE(path.size(), 11); // record 7 has a gap in J1
        QCOMPARE(path.at(7), QPointF(j1(8), j2(8)));
        QVERIFY(m_scope->xyPath(kJ1, "J9 nowhere").isEmpty());
        m_scope->findChild<QAction *>("ScopeAction_XyView")->trigger();
        auto *view = m_scope->findChild<XyView *>();
        QVERIFY(view && view->isVisible());
        QCOMPARE(view->pointCount(), 11);
    }

    // A derived channel whose channel is no longer chosen is kept, left out of the curves and
    // said; it comes back with its channel.
    void aChannelGoneLeavesItsDerivedOut()
    {
        QVERIFY(m_scope->setChannels({kJ1, kJ2}));
        QVERIFY(m_scope->addDerivedChannel("d", QString("\"%1\" * 2").arg(kJ2)));
        QSignalSpy errors(m_scope.get(), &TarnPlugin_Scope::errorOccurred);
        QVERIFY(m_scope->setChannels({kJ1}));
        QCOMPARE(m_scope->channels(), QStringList{kJ1});
        QCOMPARE(errors.count(), 1);
        QVERIFY(errors.first().first().toString().contains("d:"));
        QCOMPARE(m_scope->derivedChannels(), QStringList{"d"});
        QVERIFY(m_scope->setChannels({kJ1, kJ2}));
        QCOMPARE(m_scope->channels(), (QStringList{kJ1, kJ2, "d"}));
    }
};

QTEST_MAIN(TestScopeAnalysis)
#include "tst_scopeanalysis.moc"
