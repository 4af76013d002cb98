#include "DerivedExpression.h"
#include "RobotPresets.h"
#include "ScopeChannel.h"
#include "StatusBits.h"

#include <QtTest>

#include <cmath>

Q_DECLARE_METATYPE(RobotPreset)

using Values = QVector<double>;

namespace {

const double kNaN = std::nan("");

const QStringList kChannels = {"J3 Target ACS", "J3 Actual ACS", "X Actual Vel", "Y Actual Vel"};

// Recorded columns in kChannels' order; NaN is a gap.
const QVector<Values> kColumns = {
    {10, 20, kNaN, 40}, {9.5, 21, 30, kNaN}, {3, 0, 6, -5}, {4, 2, 8, 12}};

bool sameValues(const Values &a, const Values &b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        if (std::isnan(a[i]) != std::isnan(b[i]) ||
            (!std::isnan(a[i]) && !qFuzzyCompare(a[i], b[i])))
            return false;
    }
    return true;
}

DerivedExpression compiled(const QString &text, const QStringList &channels = kChannels)
{
    QString error;
    std::optional<DerivedExpression> expression =
        DerivedExpression::compile(text, channels, &error);
    if (!expression)
        qFatal("%s: %s", qPrintable(text), qPrintable(error));
    return std::move(*expression);
}

} // namespace

class TestDerived : public QObject
{
    Q_OBJECT

private slots:
    void bitsOfAStatusWord_data()
    {
        QTest::addColumn<double>("word");
        QTest::addColumn<int>("bit");
        QTest::addColumn<double>("expected");
        QTest::newRow("5, bit 0") << 5.0 << 0 << 1.0;
        QTest::newRow("5, bit 1") << 5.0 << 1 << 0.0;
        QTest::newRow("5, bit 2") << 5.0 << 2 << 1.0;
        QTest::newRow("gap") << kNaN << 0 << kNaN;
        QTest::newRow("fraction") << 2.5 << 1 << kNaN;
        QTest::newRow("signed 32-bit word, bit 31") << -2147483648.0 << 31 << 1.0;
        QTest::newRow("-1, bit 63") << -1.0 << 63 << 1.0;
        QTest::newRow("2^40 + 8, bit 40") << std::ldexp(1.0, 40) + 8.0 << 40 << 1.0;
        QTest::newRow("2^63, bit 63") << std::ldexp(1.0, 63) << 63 << 1.0;
        QTest::newRow("2^60, rounded-away bit") << std::ldexp(1.0, 60) << 3 << kNaN;
        QTest::newRow("2^64, out of range") << std::ldexp(1.0, 64) << 0 << kNaN;
    }
    void bitsOfAStatusWord()
    {
        QFETCH(double, word);
        QFETCH(int, bit);
        QFETCH(double, expected);
        const double read = StatusBits::bitOf(word, bit);
        QVERIFY2(std::isnan(expected) ? std::isnan(read) : read == expected,
                 qPrintable(QString::number(read)));
    }

    void evaluatesRecordedColumns_data();
    void evaluatesRecordedColumns();
    void refusesInvalidExpressions_data();
    void refusesInvalidExpressions();
    void copiesEvaluateOnTheirOwn();
    void presetsReadChosenChannels_data();
    void presetsReadChosenChannels();
};

void TestDerived::evaluatesRecordedColumns_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVector<int>>("inputs");
    QTest::addColumn<Values>("expected");
    const double pi = M_PI;
    QTest::newRow("following error") << R"("J3 Target ACS" - "J3 Actual ACS")" << QVector<int>{0, 1}
                                     << Values{0.5, -1, kNaN, kNaN};
    QTest::newRow("speed") << R"(sqrt("X Actual Vel"^2 + "Y Actual Vel"^2))" << QVector<int>{2, 3}
                           << Values{5, 2, 10, 13};
    QTest::newRow("channel read twice")
        << R"(max("Y Actual Vel", "X Actual Vel") * _pi / "Y Actual Vel")" << QVector<int>{3, 2}
        << Values{pi, pi, pi, pi};
    QTest::newRow("division by zero") << R"("Y Actual Vel" / "X Actual Vel")" << QVector<int>{3, 2}
                                      << Values{4.0 / 3, kNaN, 8.0 / 6, -12.0 / 5};
    QTest::newRow("outside the domain")
        << R"(ln("X Actual Vel") + sqrt("X Actual Vel"))" << QVector<int>{2}
        << Values{std::log(3) + std::sqrt(3), kNaN, std::log(6) + std::sqrt(6), kNaN};
    QTest::newRow("condition on a gap")
        << R"("J3 Actual ACS" > 20 ? 1 : 0)" << QVector<int>{1} << Values{0, 1, 1, kNaN};
    QTest::newRow("no channel") << "2 * 3" << QVector<int>{} << Values{6, 6, 6, 6};
    QTest::newRow("a status word's bit") << R"(bit("J3 Target ACS", 1) + bit(5, 2.5))"
                                         << QVector<int>{0} << Values{kNaN, kNaN, kNaN, kNaN};
    QTest::newRow("a status word's bit, whole")
        << R"(bit("J3 Target ACS", 1))" << QVector<int>{0} << Values{1, 0, kNaN, 0};
}

void TestDerived::evaluatesRecordedColumns()
{
    QFETCH(QString, text);
    QFETCH(QVector<int>, inputs);
    QFETCH(Values, expected);
    const DerivedExpression expression = compiled(text);
    QCOMPARE(QVector<int>(expression.inputs().begin(), expression.inputs().end()), inputs);

    std::vector<const double *> columns;
    for (const Values &column : kColumns)
        columns.push_back(column.constData());
    Values byColumn(expected.size());
    expression.evaluate(columns, byColumn.size(), byColumn.data());
    QVERIFY2(sameValues(byColumn, expected), qPrintable(text));

    Values byRecord;
    for (int row = 0; row < expected.size(); ++row) {
        const double record[] = {kColumns[0][row], kColumns[1][row], kColumns[2][row],
                                 kColumns[3][row]};
        byRecord << expression.evaluate(record);
    }
    QVERIFY2(sameValues(byRecord, expected), qPrintable(text));
}

void TestDerived::refusesInvalidExpressions_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");
    QTest::newRow("empty") << ""
                           << "Empty expression at 1";
    QTest::newRow("blank") << "  \t"
                           << "Empty expression at 1";
    QTest::newRow("unknown channel") << R"(1 + "J9 Target ACS")"
                                     << R"(Unknown channel "J9 Target ACS" at 5)";
    QTest::newRow("unclosed") << R"(2 * ("J3 Target ACS" - 1)"
                              << "Unclosed parenthesis at 5";
    QTest::newRow("unmatched") << "(1 + 2))"
                               << "Unmatched closing parenthesis at 8";
    QTest::newRow("unterminated quote") << R"("J3 Target ACS" - "J3 Actual)"
                                        << "Unterminated quote at 19";
    QTest::newRow("trailing operator") << R"("J3 Target ACS" -)"
                                       << "Unexpected end of expression at 18";
    QTest::newRow("operator after a channel") << R"("J3 Target ACS" * * 2)"
                                              << R"(Unexpected operator "*" at 19)";
    QTest::newRow("channels in a row") << R"("J3 Target ACS" "J3 Actual ACS")"
                                       << R"(Unexpected "J3 Actual ACS" at 17)";
    QTest::newRow("unknown function") << R"(2 * foo("J3 Target ACS"))"
                                      << R"(Unknown name "foo" at 5)";
    QTest::newRow("assignment") << R"("J3 Target ACS" = 1)"
                                << "Assignment is not allowed";
    QTest::newRow("internal name") << "$0 + 1"
                                   << R"(Unexpected character "$" at 1)";
}

void TestDerived::refusesInvalidExpressions()
{
    QFETCH(QString, text);
    QFETCH(QString, error);
    QString message;
    QVERIFY(!DerivedExpression::compile(text, kChannels, &message));
    QVERIFY2(message.startsWith(error), qPrintable(message));
}

void TestDerived::copiesEvaluateOnTheirOwn()
{
    std::optional<DerivedExpression> original = compiled(R"(2 * "J3 Actual ACS")");
    DerivedExpression copy = *original;
    DerivedExpression assigned = compiled("0");
    assigned = copy;
    const double first[] = {0, 1};
    const double second[] = {0, 5};
    QCOMPARE(original->evaluate(first), 2.0);
    QCOMPARE(copy.evaluate(second), 10.0);
    original.reset();
    QCOMPARE(assigned.evaluate(first), 2.0);
    const DerivedExpression moved = std::move(copy);
    QCOMPARE(moved.evaluate(second), 10.0);
}

void TestDerived::presetsReadChosenChannels_data()
{
    QTest::addColumn<RobotPreset>("preset");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<double>("firstValue"); // with the k-th required channel at k + 1
    QTest::newRow("following error") << RobotPreset::FollowingError << 6 << "ACS(deg)" << -1.0;
    QTest::newRow("velocity error") << RobotPreset::VelocityError << 6 << "VEL(deg/s)" << -1.0;
    QTest::newRow("mechanical power")
        << RobotPreset::MechanicalPower << 6 << "W" << 2.0 * M_PI / 180;
    QTest::newRow("tcp speed") << RobotPreset::TcpSpeed << 1 << "VEL(mm/s)" << std::sqrt(14.0);
}

void TestDerived::presetsReadChosenChannels()
{
    QFETCH(RobotPreset, preset);
    QFETCH(int, count);
    QFETCH(QString, unit);
    QFETCH(double, firstValue);
    QVERIFY(RobotPresets::all().contains(preset));
    const QStringList required = RobotPresets::requiredChannels(preset);
    ChannelRows rows;
    QString error;
    QVERIFY2(rowsForChannels(required, rows, error), qPrintable(error));

    const std::vector<DerivedChannel> channels = RobotPresets::channels(preset);
    QCOMPARE(static_cast<int>(channels.size()), count);
    QSet<QString> titles;
    for (const DerivedChannel &channel : channels) {
        QCOMPARE(channel.unit, unit);
        titles << channel.title;
        compiled(channel.expression, required);
    }
    QCOMPARE(titles.size(), count);

    std::vector<double> record;
    for (int k = 0; k < required.size(); ++k)
        record.push_back(k + 1);
    QVERIFY(qFuzzyCompare(compiled(channels.front().expression, required).evaluate(record.data()),
                          firstValue));
}

QTEST_GUILESS_MAIN(TestDerived)
#include "tst_derived.moc"
