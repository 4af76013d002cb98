#include "ScopeFile.h"

#include <QtTest>

#include <random>

namespace {

ScopeFileCurve curve(const QString &title, int axis, int linkItem, int endEffItem,
                     const QString &unit, QVector<double> x, QVector<double> y)
{
    ScopeFileCurve c;
    c.title = title;
    c.binding.axis = axis;
    c.binding.linkItem = linkItem;
    c.binding.endEffItem = endEffItem;
    c.binding.unit = unit;
    c.x = std::move(x);
    c.y = std::move(y);
    return c;
}

// What the plot hands back after a load: the loaded curves, each paired with the times.
QVector<ScopeFileCurve> asLoaded(const ScopeFileContent &content)
{
    QVector<ScopeFileCurve> curves = content.curves;
    for (ScopeFileCurve &c : curves) {
        const int n = std::min(c.y.size(), content.times.size());
        c.x = content.times.mid(0, n);
        c.y.resize(n);
    }
    return curves;
}

} // namespace

class tst_ScopeFile : public QObject
{
    Q_OBJECT

private slots:
    void writesHeaderAndRows();
    void headerField_data();
    void headerField();
    void curvesThatRunOutLeaveEmptyFields();
    void numbersAreFixedWithThreeDecimalsWhateverTheLocale();
    void readsHeader_data();
    void readsHeader();
    void readsRows_data();
    void readsRows();
    void keepsAtMost48Curves();
    void roundTripIsByteIdentical();
    void badInputNeverBreaks_data();
    void badInputNeverBreaks();
};

void tst_ScopeFile::writesHeaderAndRows()
{
    const QStringList lines =
        ScopeFile::toLines({curve("T", 2, 5, 9, "ACS(deg)", {0, 10}, {1.5, -2})});
    QCOMPARE(lines, (QStringList{"time,T_2_5_ACS(deg)\n", "0.000,1.500\n", "10.000,-2.000\n"}));
    QVERIFY(ScopeFile::toLines({}).isEmpty());
}

void tst_ScopeFile::headerField_data()
{
    QTest::addColumn<int>("axis");
    QTest::addColumn<int>("linkItem");
    QTest::addColumn<int>("endEffItem");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("field");

    QTest::newRow("joint axis writes the link item") << 0 << 1 << 9 << "ACS(deg)"
                                                     << "J1 Target ACS_0_1_ACS(deg)";
    QTest::newRow("component axis 31 writes the end-effector item") << 31 << 23 << 9 << ""
                                                                    << "J1 Target ACS_31_9_";
    QTest::newRow("end effector on component 2 writes item 23") << 2 << 23 << 4 << "VEL(mm/s)"
                                                                << "J1 Target ACS_2_23_VEL(mm/s)";
    QTest::newRow("free axis -1") << -1 << 23 << 9 << ""
                                  << "J1 Target ACS_-1_23_";
    QTest::newRow("unit with a percent sign is written as it is") << 6 << 23 << 9 << "%1%2"
                                                                  << "J1 Target ACS_6_9_%1%2";
}

void tst_ScopeFile::headerField()
{
    QFETCH(int, axis);
    QFETCH(int, linkItem);
    QFETCH(int, endEffItem);
    QFETCH(QString, unit);
    QFETCH(QString, field);
    CurveBinding b;
    b.axis = axis;
    b.linkItem = linkItem;
    b.endEffItem = endEffItem;
    b.unit = unit;
    QCOMPARE(ScopeFile::headerField("J1 Target ACS", b), field);
}

void tst_ScopeFile::curvesThatRunOutLeaveEmptyFields()
{
    const QStringList lines = ScopeFile::toLines(
        {curve("A", 0, 1, 9, "u", {0, 1, 2}, {1, 2, 3}), curve("B", 0, 2, 9, "v", {0, 1}, {4, 5})});
    QCOMPARE(lines.at(3), QString("2.000,3.000,\n"));
    // The time of a row comes from the first curve that still holds samples.
    const QStringList shorterFirst = ScopeFile::toLines(
        {curve("A", 0, 1, 9, "u", {0}, {1}), curve("B", 0, 2, 9, "v", {0, 7}, {4, 5})});
    QCOMPARE(shorterFirst.at(2), QString("7.000,,5.000\n"));
}

void tst_ScopeFile::numbersAreFixedWithThreeDecimalsWhateverTheLocale()
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German));
    const QStringList lines = ScopeFile::toLines(
        {curve("A", 0, 1, 9, "u", {1234.5, 0.0004, 1e9}, {-0.25, -0.0004, 123456789.0})});
    QLocale::setDefault(saved);
    QCOMPARE(lines.at(1), QString("1234.500,-0.250\n"));
    QCOMPARE(lines.at(2), QString("0.000,-0.000\n"));
    QCOMPARE(lines.at(3), QString("1000000000.000,123456789.000\n"));
}

void tst_ScopeFile::readsHeader_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<bool>("hasTime");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QList<int>>("axisLinkEnd"); // triples per curve
    QTest::addColumn<QStringList>("units");

    QTest::newRow("joint channel")
        << "time,J1 Target ACS_0_1_ACS(deg)\n"
        << true << QStringList{"J1 Target ACS"} << QList<int>{0, 1, 9} << QStringList{"ACS(deg)"};
    QTest::newRow("end effector on component 2 comes back as link item 23")
        << "time,Z Actual Vel_2_23_VEL(mm/s)\n"
        << true << QStringList{"Z Actual Vel"} << QList<int>{2, 23, 9} << QStringList{"VEL(mm/s)"};
    QTest::newRow("axis 6 and above give the end-effector item")
        << "time,CurFSM_1_23_FSM,TCPCmdVel_31_9_\n"
        << true << QStringList{"CurFSM", "TCPCmdVel"} << QList<int>{1, 23, 9, 31, 23, 9}
        << QStringList{"FSM", ""};
    QTest::newRow("a field without _ is a curve with unit Unit")
        << "time,Speed\n"
        << true << QStringList{"Speed"} << QList<int>{0, 23, 9} << QStringList{"Unit"};
    QTest::newRow("CRLF is not part of the last unit")
        << "time,A_0_1_u,B_0_2_ACS(deg)\r\n"
        << true << QStringList{"A", "B"} << QList<int>{0, 1, 9, 0, 2, 9}
        << QStringList{"u", "ACS(deg)"};
    QTest::newRow("only time is no curve")
        << "time\n"
        << true << QStringList{} << QList<int>{} << QStringList{};
    QTest::newRow("no time column")
        << "A_0_1_u\n"
        << false << QStringList{"A"} << QList<int>{0, 1, 9} << QStringList{"u"};
    QTest::newRow("non-numeric axis is 0, extra parts ignored")
        << "time,A_x_3_u_more\n"
        << true << QStringList{"A"} << QList<int>{0, 3, 9} << QStringList{"u"};
}

void tst_ScopeFile::readsHeader()
{
    QFETCH(QString, header);
    QFETCH(bool, hasTime);
    QFETCH(QStringList, titles);
    QFETCH(QList<int>, axisLinkEnd);
    QFETCH(QStringList, units);

    const ScopeFileContent content = ScopeFile::fromLines({header});
    QCOMPARE(content.hasTime, hasTime);
    QCOMPARE(content.curveCount, titles.size());
    for (int k = 0; k < titles.size(); ++k) {
        const ScopeFileCurve &c = content.curves.at(k);
        QCOMPARE(c.title, titles[k]);
        QCOMPARE(c.binding.slot, k);
        QCOMPARE(c.binding.scopeIndex, 0);
        QCOMPARE(c.binding.axis, axisLinkEnd[3 * k]);
        QCOMPARE(c.binding.linkItem, axisLinkEnd[3 * k + 1]);
        QCOMPARE(c.binding.endEffItem, axisLinkEnd[3 * k + 2]);
        QCOMPARE(c.binding.unit, units[k]);
    }
}

void tst_ScopeFile::readsRows_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QVector<double>>("times");
    QTest::addColumn<QVector<double>>("first");
    QTest::addColumn<QVector<double>>("second");

    const QString header = "time,A_0_1_u,B_0_2_v\n";
    QTest::newRow("plain rows") << QStringList{header, "0.000,1.500,2.000\n",
                                               "10.000,-2.000,3.000\n"}
                                << QVector<double>{0, 10} << QVector<double>{1.5, -2}
                                << QVector<double>{2, 3};
    QTest::newRow("CRLF rows") << QStringList{header, "0,1,2\r\n", "5,3,4\r\n"}
                               << QVector<double>{0, 5} << QVector<double>{1, 3}
                               << QVector<double>{2, 4};
    QTest::newRow("second column runs out")
        << QStringList{header, "0,1,2\n", "5,3,\n", "6,4,\n"} << QVector<double>{0, 5, 6}
        << QVector<double>{1, 3, 4} << QVector<double>{2};
    QTest::newRow("short line: no time, fields from the first on")
        << QStringList{header, "0,1,2\n", "7,8\n", "9,10,11\n"} << QVector<double>{0, 9}
        << QVector<double>{1, 7, 10} << QVector<double>{2, 8, 11};
    QTest::newRow("not a number reads 0")
        << QStringList{header, "0,abc,1e400\n", "1, 5 ,nan\n"} << QVector<double>{0, 1}
        << QVector<double>{0, 5} << QVector<double>{0, 0};
    QTest::newRow("empty field in the middle reads 0")
        << QStringList{header, "0,,1\n", "1,2,3\n"} << QVector<double>{0, 1}
        << QVector<double>{0, 2} << QVector<double>{1, 3};
}

void tst_ScopeFile::readsRows()
{
    QFETCH(QStringList, lines);
    QFETCH(QVector<double>, times);
    QFETCH(QVector<double>, first);
    QFETCH(QVector<double>, second);

    const ScopeFileContent content = ScopeFile::fromLines(lines);
    QCOMPARE(content.times, times);
    QCOMPARE(content.curves.at(0).y, first);
    QCOMPARE(content.curves.at(1).y, second);
}

void tst_ScopeFile::keepsAtMost48Curves()
{
    QString header = "time";
    QString row = "1";
    for (int k = 0; k < 50; ++k) {
        header += QString(",C%1_0_1_u").arg(k);
        row += QString(",%1").arg(k);
    }
    const ScopeFileContent content = ScopeFile::fromLines({header + "\n", row + "\n", "2\n"});
    QCOMPARE(content.curveCount, 50);
    QCOMPARE(content.curves.size(), 48);
    QCOMPARE(content.curves.last().title, QString("C47"));
    QCOMPARE(content.curves.last().y, QVector<double>{47});
    QCOMPARE(content.times, QVector<double>{1}); // "2" has too few fields for a time
}

void tst_ScopeFile::roundTripIsByteIdentical()
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> value(-1e6, 1e6);
    QVector<ScopeFileCurve> curves;
    for (int k = 0; k < 36; ++k) {
        QVector<double> x, y;
        const int n = 200 - (k % 5) * 7;
        for (int i = 0; i < n; ++i) {
            x << i * 51.0;
            y << std::round(value(rng) * 1000.0) / 1000.0;
        }
        y[0] = -0.0;
        y[1] = 987654321.125;
        curves << curve(QString("J%1 Actual Cur").arg(k % 6 + 1), k % 8 == 7 ? 31 : k % 6, 13, 9,
                        k % 3 ? "CUR(A)" : " ", x, y);
    }
    const QStringList first = ScopeFile::toLines(curves);
    const QStringList second = ScopeFile::toLines(asLoaded(ScopeFile::fromLines(first)));
    QCOMPARE(second.join(QString()).toUtf8(), first.join(QString()).toUtf8());
}

void tst_ScopeFile::badInputNeverBreaks_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("no lines") << QStringList{};
    QTest::newRow("empty line") << QStringList{""};
    QTest::newRow("only separators") << QStringList{",,,,\n", ",,\n"};
    QTest::newRow("thousands of columns")
        << QStringList{QString("time") + QString(",x_1_2_u").repeated(5000) + "\n",
                       QString("1") + QString(",2").repeated(5000) + "\n"};
    QTest::newRow("one huge line") << QStringList{QString("9").repeated(1 << 20)};
    QTest::newRow("replacement characters")
        << QStringList{QString::fromUtf8("time,\xef\xbf\xbd_\xef\xbf\xbd_1_u\n"), "1,2\n"};
}

void tst_ScopeFile::badInputNeverBreaks()
{
    QFETCH(QStringList, lines);
    const ScopeFileContent content = ScopeFile::fromLines(lines);
    QVERIFY(content.curves.size() <= ScopeFile::kMaxCurves);
    for (double t : content.times)
        QVERIFY(std::isfinite(t));
    ScopeFile::toLines(asLoaded(content));
}

QTEST_APPLESS_MAIN(tst_ScopeFile)
#include "tst_scopefile.moc"
