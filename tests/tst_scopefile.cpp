#include "ScopeFile.h"
#include "ScopeLimits.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstring>
#include <limits>
#include <random>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

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

ScopeFileContent parsed(const QByteArray &bytes)
{
    return ScopeFile::fromBytes(bytes).value();
}

// Values as text, so NaN compares equal to NaN and a failure shows the numbers.
QString shown(const QVector<double> &values)
{
    QStringList parts;
    for (double v : values)
        parts << QString::number(v, 'g', 17);
    return parts.join(' ');
}

QString issues(const ScopeFileContent &c)
{
    return QString("ragged %1@%2 unreadable %3@%4")
        .arg(c.raggedRows)
        .arg(c.firstRaggedLine)
        .arg(c.unreadableFields)
        .arg(c.firstUnreadableLine);
}

// Doubles spread over every magnitude and sign, with the values where formatting
// differs most: exact halves of a thousandth, zeros, the ends of the range, NaN and inf.
QVector<double> awkwardValues()
{
    std::mt19937_64 rng(42);
    QVector<double> values{0.0,
                           -0.0,
                           kNaN,
                           -kNaN,
                           kInf,
                           -kInf,
                           0.0625,
                           -0.0625,
                           0.1875,
                           -524289.0625,
                           1e22,
                           -1e300,
                           5e-324,
                           -5e-324,
                           0.0005,
                           -0.0004999,
                           std::numeric_limits<double>::max(),
                           -std::numeric_limits<double>::max(),
                           999999999.9995,
                           -999999999.9996,
                           1e9,
                           0x1p49 - 0.0625,
                           0.00048828125};
    std::uniform_int_distribution<int> exponent(-12, 20);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    for (int i = 0; i < 20000; ++i) {
        const uint64_t bits = rng();
        double any;
        std::memcpy(&any, &bits, sizeof any);
        values << any << std::ldexp(mantissa(rng), exponent(rng))
               << std::round(mantissa(rng) * 1e7) / 16.0 << std::round(mantissa(rng) * 1e9) / 1e3;
    }
    return values;
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
    void numbersAreWrittenAndReadAsQtDoes();
    void readsHeader_data();
    void readsHeader();
    void readsRows_data();
    void readsRows();
    void keepsAtMost48Curves();
    void roundTripIsByteIdentical();
    void badInputNeverBreaks_data();
    void badInputNeverBreaks();
    void saveThatFailsKeepsTheOldFile_data();
    void saveThatFailsKeepsTheOldFile();
    void loadThatFailsOrIsCancelledGivesNothing();
};

void tst_ScopeFile::writesHeaderAndRows()
{
    const QByteArray bytes =
        ScopeFile::toBytes({curve("T", 2, 5, 9, "ACS(deg)", {0, 10}, {1.5, -2})});
    QCOMPARE(bytes, QByteArray("time,T_2_5_ACS(deg)\n0.000,1.500\n10.000,-2.000\n"));
    QVERIFY(ScopeFile::toBytes({}).isEmpty());
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
    const QByteArray bytes = ScopeFile::toBytes(
        {curve("A", 0, 1, 9, "u", {0, 1, 2}, {1, 2, 3}), curve("B", 0, 2, 9, "v", {0, 1}, {4, 5})});
    QVERIFY(bytes.endsWith("\n2.000,3.000,\n"));
    // The time of a row comes from the first curve that still holds samples.
    const QByteArray shorterFirst = ScopeFile::toBytes(
        {curve("A", 0, 1, 9, "u", {0}, {1}), curve("B", 0, 2, 9, "v", {0, 7}, {4, 5})});
    QVERIFY(shorterFirst.endsWith("\n7.000,,5.000\n"));
}

// Every number is written as QString::number(v, 'f', 3) writes it, but with the sign of a
// negative zero kept, and reads back as QString::toDouble reads that text.
void tst_ScopeFile::numbersAreWrittenAndReadAsQtDoes()
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German));
    const QVector<double> values = awkwardValues();
    QByteArray expected = "time,A_0_1_u\n";
    QVector<double> qtReads;
    for (double v : values) {
        const bool negativeZero = v == 0.0 && std::signbit(v);
        const QString text = negativeZero ? "-0.000" : QString::number(v, 'f', 3);
        expected += text.toUtf8() + ',' + text.toUtf8() + '\n';
        qtReads << text.toDouble();
    }
    const QByteArray bytes = ScopeFile::toBytes({curve("A", 0, 1, 9, "u", values, values)});
    QLocale::setDefault(saved);
    QCOMPARE(bytes, expected);

    const ScopeFileContent content = parsed(bytes);
    QCOMPARE(content.times.size(), values.size());
    QCOMPARE(shown(content.curves.at(0).y), shown(qtReads));
    QCOMPARE(shown(content.times), shown(qtReads));
}

void tst_ScopeFile::readsHeader_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<bool>("hasTime");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QList<int>>("axisLinkEnd"); // triples per curve
    QTest::addColumn<QStringList>("units");

    QTest::newRow("joint channel")
        << QByteArray("time,J1 Target ACS_0_1_ACS(deg)\n") << true << QStringList{"J1 Target ACS"}
        << QList<int>{0, 1, 9} << QStringList{"ACS(deg)"};
    QTest::newRow("end effector on component 2 comes back as link item 23")
        << QByteArray("time,Z Actual Vel_2_23_VEL(mm/s)\n") << true << QStringList{"Z Actual Vel"}
        << QList<int>{2, 23, 9} << QStringList{"VEL(mm/s)"};
    QTest::newRow("axis 6 and above give the end-effector item")
        << QByteArray("time,CurFSM_1_23_FSM,TCPCmdVel_31_9_\n") << true
        << QStringList{"CurFSM", "TCPCmdVel"} << QList<int>{1, 23, 9, 31, 23, 9}
        << QStringList{"FSM", ""};
    QTest::newRow("a field without _ is a curve with unit Unit")
        << QByteArray("time,Speed\n") << true << QStringList{"Speed"} << QList<int>{0, 23, 9}
        << QStringList{"Unit"};
    QTest::newRow("CRLF is not part of the last unit")
        << QByteArray("time,A_0_1_u,B_0_2_ACS(deg)\r\n") << true << QStringList{"A", "B"}
        << QList<int>{0, 1, 9, 0, 2, 9} << QStringList{"u", "ACS(deg)"};
    QTest::newRow("a byte-order mark is not part of time")
        << QByteArray("\xEF\xBB\xBFtime,A_0_1_u\n") << true << QStringList{"A"}
        << QList<int>{0, 1, 9} << QStringList{"u"};
    QTest::newRow("only time is no curve")
        << QByteArray("time\n") << true << QStringList{} << QList<int>{} << QStringList{};
    QTest::newRow("no time column") << QByteArray("A_0_1_u\n") << false << QStringList{"A"}
                                    << QList<int>{0, 1, 9} << QStringList{"u"};
    QTest::newRow("non-numeric axis is 0, extra parts ignored")
        << QByteArray("time,A_x_3_u_more\n") << true << QStringList{"A"} << QList<int>{0, 3, 9}
        << QStringList{"u"};
}

void tst_ScopeFile::readsHeader()
{
    QFETCH(QByteArray, header);
    QFETCH(bool, hasTime);
    QFETCH(QStringList, titles);
    QFETCH(QList<int>, axisLinkEnd);
    QFETCH(QStringList, units);

    const ScopeFileContent content = parsed(header);
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
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("times");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("issues");

    const QByteArray header = "time,A_0_1_u,B_0_2_v\n";
    const QString none = "ragged 0@0 unreadable 0@0";
    QTest::newRow("plain rows") << header + "0.000,1.500,2.000\n10.000,-2.000,3.000\n"
                                << "0 10"
                                << "1.5 -2"
                                << "2 3" << none;
    QTest::newRow("CRLF rows") << header + "0,1,2\r\n5,3,4\r\n"
                               << "0 5"
                               << "1 3"
                               << "2 4" << none;
    QTest::newRow("second column runs out") << header + "0,1,2\n5,3,\n6,4,\n"
                                            << "0 5 6"
                                            << "1 3 4"
                                            << "2" << none;
    QTest::newRow("short row keeps its time and columns, its missing cell is a gap")
        << QByteArray("time,a_0_1_u,b_0_2_u\n0,10,20\n1,11\n2,12,22\n") << "0 1 2"
        << "10 11 12"
        << "20 nan 22"
        << "ragged 1@3 unreadable 0@0";
    QTest::newRow("long row: extra fields ignored") << header + "0,1,2,3\n1,4,5\n"
                                                    << "0 1"
                                                    << "1 4"
                                                    << "2 5"
                                                    << "ragged 1@2 unreadable 0@0";
    QTest::newRow("nan and text that is no number are gaps")
        << header + "0,abc,1e400\n1, 5 ,nan\n2,+7,-inf\n"
        << "0 1 2"
        << "nan 5 7"
        << "nan nan -inf"
        << "ragged 0@0 unreadable 2@2";
    QTest::newRow("empty field in the middle is a gap") << header + "0,,1\n1,2,3\n"
                                                        << "0 1"
                                                        << "nan 2"
                                                        << "1 3" << none;
    QTest::newRow("row without a time") << header + "0,1,2\n,3,4\n"
                                        << "0 nan"
                                        << "1 3"
                                        << "2 4"
                                        << "ragged 0@0 unreadable 1@3";
    QTest::newRow("time column anywhere") << QByteArray("A_0_1_u,time,B_0_2_v\n1,0,2\n") << "0"
                                          << "1"
                                          << "2" << none;
    QTest::newRow("blank lines skipped, NUL ends a line")
        << header + "0,1,2\n\n" + QByteArray("1,3\0,9\n", 7) + "2,5,6"
        << "0 1 2"
        << "1 3 5"
        << "2 nan 6"
        << "ragged 1@4 unreadable 0@0";
}

void tst_ScopeFile::readsRows()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, times);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, issues);

    const ScopeFileContent content = parsed(bytes);
    QCOMPARE(shown(content.times), times);
    QCOMPARE(shown(content.curves.at(0).y), first);
    QCOMPARE(shown(content.curves.at(1).y), second);
    QCOMPARE(::issues(content), issues);
}

void tst_ScopeFile::keepsAtMost48Curves()
{
    QByteArray header = "time";
    QByteArray row = "1";
    for (int k = 0; k < 50; ++k) {
        header += QByteArray(",C") + QByteArray::number(k) + "_0_1_u";
        row += ',' + QByteArray::number(k);
    }
    const ScopeFileContent content = parsed(header + "\n" + row + "\n2\n");
    QCOMPARE(content.curveCount, 50);
    QCOMPARE(content.curves.size(), 48);
    QCOMPARE(content.curves.last().title, QString("C47"));
    QCOMPARE(shown(content.curves.last().y), QString("47"));
    QCOMPARE(shown(content.times), QString("1 2"));
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
        y[2] = kNaN;
        y[3] = -kInf;
        y[4] = -0.0004;  // "-0.000", which reads back as -0.0
        y[n - 1] = kNaN; // a curve may end in a gap
        curves << curve(QString("J%1 Actual Cur").arg(k % 6 + 1), k % 8 == 7 ? 31 : k % 6, 13, 9,
                        k % 3 ? "CUR(A)" : " ", x, y);
    }
    curves << curve("Empty", 0, 1, 9, "u", {}, {});
    const QByteArray first = ScopeFile::toBytes(curves);
    const ScopeFileContent content = parsed(first);
    QCOMPARE(issues(content), QString("ragged 0@0 unreadable 0@0"));
    QCOMPARE(ScopeFile::toBytes(asLoaded(content)), first);
}

void tst_ScopeFile::badInputNeverBreaks_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("no bytes") << QByteArray();
    QTest::newRow("only separators") << QByteArray(",,,,\n,,\n");
    QTest::newRow("thousands of columns")
        << QByteArray("time") + QByteArray(",x_1_2_u").repeated(5000) + "\n" + QByteArray("1") +
               QByteArray(",2").repeated(5000) + "\n";
    QTest::newRow("one huge line") << QByteArray(1 << 20, '9');
    QTest::newRow("replacement characters and stray bytes")
        << QByteArray("time,\xef\xbf\xbd_\xef\xbf\xbd_1_u\n\xff,\x80\r\r\n");
    QTest::newRow("numbers of every shape")
        << QByteArray("time,a\n1e-400,0x1p3\n.5,5.\n--1,+-1\nnan(1),infinity\n");
}

void tst_ScopeFile::badInputNeverBreaks()
{
    QFETCH(QByteArray, bytes);
    const ScopeFileContent content = parsed(bytes);
    QVERIFY(content.curves.size() <= ScopeLimits::kCurveSlots);
    for (const ScopeFileCurve &c : content.curves)
        QVERIFY(c.y.size() <= content.times.size());
    ScopeFile::toBytes(asLoaded(content));
}

void tst_ScopeFile::saveThatFailsKeepsTheOldFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<rlim_t>("sizeLimit");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("reason");

    const rlim_t none = RLIM_INFINITY;
    QTest::newRow("missing directory")
        << "no/such/dir/out.csv" << none << false << qt_error_string(ENOENT);
    QTest::newRow("file size limit")
        << "out.csv" << rlim_t(4096) << false << qt_error_string(EFBIG);
    QTest::newRow("cancelled") << "out.csv" << none << true << QString();
}

void tst_ScopeFile::saveThatFailsKeepsTheOldFile()
{
    QFETCH(QString, name);
    QFETCH(rlim_t, sizeLimit);
    QFETCH(bool, cancel);
    QFETCH(QString, reason);

    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QFile old(dir.filePath("out.csv"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old\n");
    old.close();

    QVector<double> values(20000, 1.0);
    const QVector<ScopeFileCurve> curves{curve("A", 0, 1, 9, "u", values, values)};
    QString error;
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit limited{sizeLimit, saved.rlim_max};
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limited);
    const ScopeFile::Outcome outcome = ScopeFile::save(
        path, curves, [cancel](qint64, qint64) { return !cancel; }, &error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QCOMPARE(outcome, cancel ? ScopeFile::Outcome::Cancelled : ScopeFile::Outcome::Failed);
    QCOMPARE(error, reason);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("old\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"out.csv"});
}

void tst_ScopeFile::loadThatFailsOrIsCancelledGivesNothing()
{
    QTemporaryDir dir;
    ScopeFileContent content;
    QString error;
    QCOMPARE(ScopeFile::load(dir.filePath("missing.csv"), &content, {}, &error),
             ScopeFile::Outcome::Failed);
    QCOMPARE(error, qt_error_string(ENOENT));

    QVector<double> values(200000, 1.0);
    const QString path = dir.filePath("big.csv");
    QCOMPARE(ScopeFile::save(path, {curve("A", 0, 1, 9, "u", values, values)}, {}, &error),
             ScopeFile::Outcome::Done);
    for (qint64 stopAt : {qint64(0), qint64(60)}) { // while reading, while parsing
        const auto cancelPast = [stopAt](qint64 done, qint64 total) {
            return done * 100 / total < stopAt;
        };
        QCOMPARE(ScopeFile::load(path, &content, cancelPast, &error),
                 ScopeFile::Outcome::Cancelled);
        QVERIFY(content.curves.isEmpty());
    }
    QCOMPARE(ScopeFile::load(path, &content, {}, &error), ScopeFile::Outcome::Done);
    QCOMPARE(content.times.size(), values.size());
}

QTEST_APPLESS_MAIN(tst_ScopeFile)
#include "tst_scopefile.moc"
