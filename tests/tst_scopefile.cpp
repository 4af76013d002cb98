#include "FileEntry.h"
#include "ScopeFile.h"
#include "ScopeFileMeta.h"
#include "ScopeFileWriter.h"
#include "ScopeSetupFile.h"

#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstring>
#include <limits>
#include <random>

using Curves = QVector<ScopeFileCurve>;
using Values = QVector<double>;
Q_DECLARE_METATYPE(ScopeFileCurve)

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

ScopeFileCurve curve(const QString &title, Values x, Values y, int axis = 0, int item = 1)
{
    ScopeFileCurve c{title, CurveBinding(), std::move(x), std::move(y)};
    c.binding.axis = axis;
    c.binding.linkItem = item;
    c.binding.unit = "u";
    return c;
}

// What the plot hands back after a load: the loaded curves, each paired with the times.
Curves asLoaded(const ScopeFileContent &content)
{
    Curves curves = content.curves;
    for (ScopeFileCurve &c : curves) {
        c.y.resize(std::min(c.y.size(), content.times.size()));
        c.x = content.times.mid(0, c.y.size());
    }
    return curves;
}

ScopeFileContent parsed(const QByteArray &bytes)
{
    return ScopeFile::fromBytes(bytes).value();
}

// Values as text, so that NaN compares equal to NaN and a failure shows the numbers.
QString shown(const Values &values)
{
    QString text;
    for (double v : values)
        text += ' ' + QString::number(v, 'g', 17);
    return text;
}

bool sameBits(const Values &a, const Values &b)
{
    return a.size() == b.size() &&
           std::memcmp(a.constData(), b.constData(), a.size() * sizeof(double)) == 0;
}

// The times, each curve's header and values, and what could not be read (count@first line).
QString described(const ScopeFileContent &c)
{
    QStringList parts{(c.hasTime ? "time" : "no time") + shown(c.times)};
    for (const ScopeFileCurve &k : c.curves)
        parts << QString::asprintf("%s %d/%d/%d %s:", qPrintable(k.title), k.binding.axis,
                                   k.binding.linkItem, k.binding.endEffItem,
                                   qPrintable(k.binding.unit)) +
                     shown(k.y);
    if (c.raggedRows)
        parts << QString("ragged %1@%2").arg(c.raggedRows).arg(c.firstRaggedLine);
    if (c.unreadableFields)
        parts << QString("unreadable %1@%2").arg(c.unreadableFields).arg(c.firstUnreadableLine);
    return parts.join(" | ");
}

qint64 residentBytes()
{
    QFile statm("/proc/self/statm");
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(1).toLongLong() * ::sysconf(_SC_PAGESIZE);
}

qint64 peakResidentBytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_maxrss) * 1024;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A small scope file as a wider encoding writes it, with its byte-order mark.
QByteArray wideText(const QByteArray &bom, int width, bool bigEndian)
{
    QByteArray bytes = bom;
    for (char c : QByteArray("time,A_0_1_u\n0,1\n")) {
        QByteArray unit(width, '\0');
        unit[bigEndian ? width - 1 : 0] = c;
        bytes += unit;
    }
    return bytes;
}

// Puts at `path` what a test row names; false where this system cannot make it.
bool makeEntry(const QString &kind, const QString &path, const QTemporaryDir &dir)
{
    const QByteArray name = QFile::encodeName(path);
    const QByteArray device = QFile::encodeName(dir.filePath("full"));
    const QByteArray real = QFile::encodeName(dir.filePath("real.csv"));
    if (kind == "fifo")
        return ::mkfifo(name.constData(), 0644) == 0;
    if (kind == "device") // as /dev/full, made here so that nothing of the system is at stake
        return ::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 7)) == 0;
    if (kind == "link to a device")
        return ::mknod(device.constData(), S_IFCHR | 0666, makedev(1, 7)) == 0 &&
               ::symlink(device.constData(), name.constData()) == 0;
    if (kind == "folder")
        return QDir().mkdir(path);
    if (kind == "dangling link")
        return ::symlink(QFile::encodeName(dir.filePath("outside/new")).constData(),
                         name.constData()) == 0;
    if (kind == "link to a file")
        return writeFile(dir.filePath("real.csv"), "time,A_0_1_u\n0,1\n") &&
               ::symlink(real.constData(), name.constData()) == 0;
    if (kind == "file")
        return writeFile(path, "old\n");
    if (kind == "utf-16le")
        return writeFile(path, wideText("\xFF\xFE", 2, false));
    if (kind == "utf-16be")
        return writeFile(path, wideText("\xFE\xFF", 2, true));
    return kind == "utf-32le" && writeFile(path, wideText(QByteArray("\xFF\xFE\0\0", 4), 4, false));
}

// Every entry under `folder`, hidden ones included, with the size of each regular file.
QStringList everything(const QString &folder)
{
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        entries << info.fileName() + (info.isSymLink() ? QString("@")
                                      : info.isFile()  ? QString::number(info.size())
                                                       : QString());
    }
    entries.sort();
    return entries;
}

// Each writer of the files layer, and whether it only ever creates a new file.
struct Writer
{
    QString name;
    bool createsNew;
    std::function<bool(const QString &, QString *)> write;
};

QVector<Writer> writers()
{
    const Curves curves{curve("A", {0}, {1})};
    const auto exported = [curves](SafeFileWriter::Mode mode) {
        return [curves, mode](const QString &path, QString *error) {
            return ScopeFile::save(path, curves, {}, error, ScopeFile::NumberFormat::Exact, mode) ==
                   ScopeFile::Outcome::Done;
        };
    };
    const auto recorded = [curves](ScopeFileWriter::Existing existing) {
        return [curves, existing](const QString &path, QString *error) {
            ScopeFileWriter writer;
            return writer.open(path, existing, curves, {true},
                               ScopeFile::NumberFormat::ThreeDecimals, error);
        };
    };
    return {
        {"export", false, exported(SafeFileWriter::Mode::Replace)},
        {"capture", true, exported(SafeFileWriter::Mode::CreateNew)},
        {"metadata", false,
         [](const QString &path, QString *error) {
             return ScopeFileMeta().saveBeside(path.chopped(5), error); // without ".json"
         }},
        {"set-up", false,
         [](const QString &path, QString *error) {
             return ScopeSetup().save(path, error);
         }},
        {"recording, replacing", false, recorded(ScopeFileWriter::Existing::Replace)},
        {"recording, new", true, recorded(ScopeFileWriter::Existing::Refuse)},
    };
}

} // namespace

class tst_ScopeFile : public QObject
{
    Q_OBJECT

private slots:
    void writes_data()
    {
        QTest::addColumn<Curves>("curves");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("no curve, no bytes") << Curves{} << QByteArray();
        QTest::newRow("a curve that runs out leaves its fields empty")
            << Curves{curve("A", {0, 10}, {1.5, -2}, 2, 5), curve("B", {0}, {4})}
            << QByteArray("time,A_2_5_u,B_0_1_u\n0.000,1.500,4.000\n10.000,-2.000,\n");
        QTest::newRow("the time comes from the first curve still holding samples")
            << Curves{curve("A", {0}, {1}), curve("B", {0, 7}, {4, 5})}
            << QByteArray("time,A_0_1_u,B_0_1_u\n0.000,1.000,4.000\n7.000,,5.000\n");
        QTest::newRow("from axis 6 on, the item is the end effector's")
            << Curves{curve("A", {0}, {1}, 5, 4), curve("B", {0}, {2}, 6, 4)}
            << QByteArray("time,A_5_4_u,B_6_9_u\n0.000,1.000,2.000\n");
    }

    void writes()
    {
        QFETCH(Curves, curves);
        QTEST(ScopeFile::toBytes(curves), "bytes");
    }

    void reads_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("content");
        const QByteArray h = "time,A_0_1_u,B_0_2_v\n";
        QTest::newRow("byte-order mark and CRLF are not part of the fields")
            << QByteArray("\xEF\xBB\xBFtime,A_0_1_u\r\n1,2\r\n") << "time 1 | A 0/1/9 u: 2";
        QTest::newRow("no _axis_item_unit: the field is the title, unit Unit; from axis 6 on "
                      "the item is the end effector's")
            << QByteArray("time,Speed,B_6_4_v,C_x_3_w\n")
            << "time | Speed 0/23/9 Unit: | B 6/23/4 v: | C_x_3_w 0/23/9 Unit:";
        QTest::newRow("a title with _ is kept as written")
            << QByteArray("time,My_Weird_Title_0_1_U\n0,1\n")
            << "time 0 | My_Weird_Title 0/1/9 U: 1";
        QTest::newRow("a decimal comma splits the field")
            << QByteArray("time,A_0_1_u\n0,1,5\n") << "time 0 | A 0/1/9 u: 1 | ragged 1@2";
        QTest::newRow("only time: no curve") << QByteArray("time\n1\n") << "time";
        QTest::newRow("no time column: no rows")
            << QByteArray("A_0_1_u\n1\n") << "no time | A 0/1/9 u:";
        QTest::newRow("an empty field is a gap; a column that runs out ends its curve")
            << h + "0,,2\n5,3,\n6,4,\n"
            << "time 0 5 6 | A 0/1/9 u: nan 3 4 | B 0/2/9 v: 2";
        QTest::newRow("ragged rows: a short one keeps its time and columns, extra fields ignored")
            << h + "0,10,20,99\n1,11\n2,12,22\n"
            << "time 0 1 2 | A 0/1/9 u: 10 11 12 | B 0/2/9 v: 20 nan 22 | ragged 2@2";
        QTest::newRow("nan and text that is no number are gaps")
            << h + "0,abc,nan\n1, 5 ,-inf\n2,+7,1e400\n"
            << "time 0 1 2 | A 0/1/9 u: nan 5 7 | B 0/2/9 v: nan -inf nan | unreadable 2@2";
        QTest::newRow("a row without a time")
            << h + "0,1,2\n,3,4\n"
            << "time 0 nan | A 0/1/9 u: 1 3 | B 0/2/9 v: 2 4 | unreadable 1@3";
        QTest::newRow("the time column anywhere")
            << QByteArray("A_0_1_u,time,B_0_2_v\n1,0,2\n3,5,4\n")
            << "time 0 5 | A 0/1/9 u: 1 3 | B 0/2/9 v: 2 4";
        QTest::newRow("blank lines skipped, NUL ends a line")
            << h + "0,1,2\n\n" + QByteArray("1,3\0,9\n", 7) + "2,5,6\n"
            << "time 0 1 2 | A 0/1/9 u: 1 3 5 | B 0/2/9 v: 2 nan 6 | ragged 1@4";
    }

    void reads()
    {
        QFETCH(QByteArray, bytes);
        const ScopeFileContent content = parsed(bytes);
        QTEST(described(content), "content");
        QCOMPARE(content.curveCount, content.curves.size());
        for (int k = 0; k < content.curves.size(); ++k)
            QCOMPARE(content.curves[k].binding.slot, k);
        // A file on disk is read as a stream, to the same content.
        QTemporaryDir dir;
        QFile file(dir.filePath("f.csv"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        ScopeFileContent loaded;
        QString error;
        QCOMPARE(ScopeFile::load(file.fileName(), &loaded, {}, &error), ScopeFile::Outcome::Done);
        QTEST(described(loaded), "content");
    }

    void numberFields_data()
    {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QString>("value"); // empty: unreadable, a gap
        QTest::newRow("decimals") << QByteArray("-1.5") << "-1.5";
        QTest::newRow("blanks and a plus") << QByteArray(" +7 ") << "7";
        QTest::newRow("exponent") << QByteArray("2e3") << "2000";
        QTest::newRow("no leading digit") << QByteArray(".5") << "0.5";
        QTest::newRow("infinity") << QByteArray("-inf") << "-inf";
        QTest::newRow("trailing text") << QByteArray("12abc") << "";
        QTest::newRow("second point") << QByteArray("1.2.3") << "";
        QTest::newRow("two numbers") << QByteArray("1 2") << "";
        QTest::newRow("hex") << QByteArray("0x1A") << "";
        QTest::newRow("two signs") << QByteArray("+-1") << "";
        QTest::newRow("exponent without digits") << QByteArray("1e") << "";
        QTest::newRow("out of range") << QByteArray("1e400") << "";
    }

    // A field is a number only as a whole.
    void numberFields()
    {
        QFETCH(QByteArray, field);
        QFETCH(QString, value);
        const ScopeFileContent content = parsed("time,A_0_1_u\n0," + field + "\n");
        QCOMPARE(shown(content.curves.at(0).y), value.isEmpty() ? " nan" : ' ' + value);
        QCOMPARE(content.unreadableFields, value.isEmpty() ? 1 : 0);
    }

    // A header of many curves over rows of one value: nothing is stored for a column that
    // holds no value, and a column stores up to its last value only, also while reading (a
    // NaN per kept column and row would take 48 x 8 bytes a row).
    void valuesAreStoredOnlyWhereTheFileHasThem()
    {
        QByteArray bytes = "time";
        for (int k = 0; k < 60; ++k)
            bytes += QByteArray(",C_0_1_u");
        bytes += '\n';
        const int rows = 2000000;
        for (int row = 0; row < rows; ++row)
            bytes += row == 50 ? QByteArray("50,,,7\n") : QByteArray::number(row) + '\n';
        const qint64 residentBefore = residentBytes();
        const ScopeFileContent content = parsed(bytes);
        QVERIFY(peakResidentBytes() - residentBefore < qint64(256) << 20);
        QCOMPARE(content.curveCount, 60);
        QCOMPARE(content.times.size(), rows);
        QCOMPARE(content.raggedRows, rows);
        for (int k = 0; k < content.curves.size(); ++k)
            QCOMPARE(content.curves[k].y.size(), k == 2 ? 51 : 0);
        QCOMPARE(content.curves[2].y.last(), 7.0);
    }

    // Written as QString::number(v, 'f', 3) writes it, but with the sign of a negative zero
    // kept, and read back as QString::toDouble reads that text. Among the values, those where
    // formatting differs most: exact halves of a thousandth, zeros, the ends of the range.
    void numbersAreWrittenAndReadAsQtDoes()
    {
        const double most = std::numeric_limits<double>::max();
        Values values{
            0.0,          -0.0,       kNaN,         -kNaN, kInf,   -kInf,          0.0625,
            -0.0625,      0.1875,     -524289.0625, 1e22,  -1e300, 5e-324,         -5e-324,
            0.0005,       -0.0004999, most,         -most, 1e9,    999999999.9995, -999999999.9996,
            0.00048828125};
        values << 0x1p49 - 0.0625;
        std::mt19937_64 rng(42);
        std::uniform_int_distribution<int> exponent(-12, 20);
        std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
        for (int i = 0; i < 20000; ++i) {
            const uint64_t bits = rng();
            double any;
            std::memcpy(&any, &bits, sizeof any);
            values << any << std::ldexp(mantissa(rng), exponent(rng))
                   << std::round(mantissa(rng) * 1e7) / 16.0
                   << std::round(mantissa(rng) * 1e9) / 1e3;
        }
        const QLocale saved;
        QLocale::setDefault(QLocale(QLocale::German));
        QByteArray expected = "time,A_0_1_u\n";
        Values qtReads;
        for (double v : values) {
            const bool negativeZero = v == 0.0 && std::signbit(v);
            const QByteArray text = negativeZero ? "-0.000" : QString::number(v, 'f', 3).toUtf8();
            expected += text + ',' + text + '\n';
            qtReads << text.toDouble();
        }
        const QByteArray bytes = ScopeFile::toBytes({curve("A", values, values)});
        QLocale::setDefault(saved);
        QCOMPARE(bytes, expected);
        const ScopeFileContent content = parsed(bytes);
        QCOMPARE(shown(content.curves.at(0).y), shown(qtReads));
        QCOMPARE(shown(content.times), shown(qtReads));
    }

    void roundTripIsByteIdentical()
    {
        std::mt19937 rng(7);
        std::uniform_real_distribution<double> value(-1e6, 1e6);
        Curves curves;
        for (int k = 0; k < 36; ++k) {
            Values x, y;
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
            const QString title = k % 3 ? "J%1 Cur" : "My_J%1_0_1_U"; // '_' kept as written
            curves << curve(title.arg(k % 6 + 1), x, y, k % 8 == 7 ? 31 : k % 6, 13);
        }
        curves << curve("Empty", {}, {});
        const QByteArray first = ScopeFile::toBytes(curves);
        const ScopeFileContent content = parsed(first);
        QCOMPARE(content.raggedRows + content.unreadableFields, 0);
        QCOMPARE(ScopeFile::toBytes(asLoaded(content)), first);
    }

    // Exact values read back to the same doubles, bit for bit: what three decimals lose
    // (a trigger value just above its threshold, small signals) is kept.
    void exactValuesRoundTripBitForBit()
    {
        std::mt19937 rng(11);
        std::uniform_real_distribution<double> value(-1e3, 1e3);
        Values x, y;
        for (int i = 0; i < 500; ++i) {
            x << i * 0.1 + 1e6; // tenths of a ms far from 0
            y << value(rng) * std::pow(10.0, i % 40 - 20);
        }
        const Values special{
            1.800037,           0.1, -0.0, 5e-324, 1.7976931348623157e308, kInf, -kInf, 1e-7,
            123456789.123456789};
        for (int i = 0; i < special.size(); ++i)
            y[i] = special[i];
        const QByteArray bytes =
            ScopeFile::toBytes({curve("J1 Cur", x, y)}, ScopeFile::NumberFormat::Exact);
        const ScopeFileContent content = parsed(bytes);
        QCOMPARE(content.unreadableFields, 0);
        const Values &back = content.curves.at(0).y;
        QCOMPARE(back.size(), y.size());
        for (int i = 0; i < y.size(); ++i) {
            QVERIFY2(std::memcmp(&back[i], &y[i], sizeof(double)) == 0,
                     qPrintable(QString("row %1: %2 read back as %3")
                                    .arg(i)
                                    .arg(y[i], 0, 'g', 17)
                                    .arg(back[i], 0, 'g', 17)));
            QCOMPARE(content.times[i], x[i]);
        }
        QVERIFY(!ScopeFile::toBytes({curve("J1 Cur", x, y)}).contains("1.800037"));
    }

    void saveThatFailsKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<rlim_t>("sizeLimit");
        QTest::addColumn<QString>("reason"); // empty: cancelled
        const rlim_t none = RLIM_INFINITY;
        QTest::newRow("missing directory") << "no/dir/out.csv" << none << qt_error_string(ENOENT);
        QTest::newRow("file size limit") << "out.csv" << rlim_t(4096) << qt_error_string(EFBIG);
        QTest::newRow("cancelled") << "out.csv" << none << QString();
    }

    void saveThatFailsKeepsTheOldFile()
    {
        QFETCH(QString, name);
        QFETCH(rlim_t, sizeLimit);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QFile old(dir.filePath("out.csv"));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old\n") == 4);
        old.close();
        const Values values(20000, 1.0);
        QString error;
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit limited{sizeLimit, saved.rlim_max};
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limited);
        const ScopeFile::Outcome outcome = ScopeFile::save(
            dir.filePath(name), {curve("A", values, values)},
            [&](qint64, qint64) { return !reason.isEmpty(); }, &error);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
        QCOMPARE(outcome,
                 reason.isEmpty() ? ScopeFile::Outcome::Cancelled : ScopeFile::Outcome::Failed);
        QCOMPARE(error, reason);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.csv"});
    }

    void writersNeverReplaceWhatIsNoRegularFile_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("replacing"); // what a writer that replaces says; empty: done
        QTest::addColumn<QString>("creating");  // what one that only creates says
        const QString special = "not a regular file";
        QTest::newRow("named pipe") << "fifo" << special << special;
        QTest::newRow("device") << "device" << special << special;
        QTest::newRow("folder") << "folder"
                                << "folder"
                                << "folder";
        QTest::newRow("link that leads nowhere") << "dangling link"
                                                 << "symbolic link"
                                                 << "symbolic link";
        QTest::newRow("link to a file") << "link to a file"
                                        << "symbolic link"
                                        << "symbolic link";
        QTest::newRow("regular file") << "file" << QString() << "exists";
    }

    // Refused at once, and nothing in the folder changes: no temporary file is left, no link
    // is followed, no device or pipe is replaced.
    void writersNeverReplaceWhatIsNoRegularFile()
    {
        QFETCH(QString, entry);
        QFETCH(QString, replacing);
        QFETCH(QString, creating);
        for (const Writer &writer : writers()) {
            QTemporaryDir dir;
            const QString path = dir.filePath("x.csv.json");
            if (!makeEntry(entry, path, dir))
                QSKIP("this system cannot make it here");
            const QStringList before = everything(dir.path());
            const FileEntry was = FileEntry::at(path);
            QString error;
            const bool written = writer.write(path, &error);
            const QString reason = writer.createsNew ? creating : replacing;
            QVERIFY2(written == reason.isEmpty() && error.contains(reason),
                     qPrintable(writer.name + ": " + error));
            if (written) {
                QCOMPARE(everything(dir.path()).size(), 1);
                continue;
            }
            QCOMPARE(everything(dir.path()), before);
            QVERIFY(FileEntry::at(path).isSameFileAs(was));
        }
    }

    void readersRefuseWhatIsNoRegularFile_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("reason"); // empty: read
        QTest::newRow("named pipe without a writer: no wait") << "fifo"
                                                              << "not a regular file";
        QTest::newRow("link to a device") << "link to a device"
                                          << "not a regular file";
        QTest::newRow("folder") << "folder"
                                << "folder";
        QTest::newRow("UTF-16, little-endian") << "utf-16le"
                                               << "UTF-16 text is not read";
        QTest::newRow("UTF-16, big-endian") << "utf-16be"
                                            << "UTF-16 text is not read";
        QTest::newRow("UTF-32") << "utf-32le"
                                << "UTF-32 text is not read";
        QTest::newRow("link to a file") << "link to a file" << QString();
    }

    void readersRefuseWhatIsNoRegularFile()
    {
        QFETCH(QString, entry);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath("x.csv.json");
        if (!makeEntry(entry, path, dir))
            QSKIP("this system cannot make it here");
        ScopeFileContent content;
        QString error;
        QCOMPARE(ScopeFile::load(path, &content, {}, &error),
                 reason.isEmpty() ? ScopeFile::Outcome::Done : ScopeFile::Outcome::Failed);
        QVERIFY2(error.contains(reason), qPrintable(error));
        if (reason.isEmpty())
            return;
        ScopeSetup setup;
        QStringList skipped;
        QVERIFY(!ScopeSetup::load(path, setup, skipped));
        QVERIFY2(skipped.join(' ').contains(reason), qPrintable(skipped.join(' ')));
        QVERIFY(!ScopeFileMeta::loadBeside(path.chopped(5)));
    }

    void loadThatFailsOrIsCancelledGivesNothing()
    {
        QTemporaryDir dir;
        ScopeFileContent content;
        QString error;
        QCOMPARE(ScopeFile::load(dir.filePath("missing.csv"), &content, {}, &error),
                 ScopeFile::Outcome::Failed);
        QCOMPARE(error, qt_error_string(ENOENT));
        // Several pieces of reading, lines cut between them, faults at the end.
        Values values;
        for (int i = 0; i < 500000; ++i)
            values << i * 1.25;
        const QString path = dir.filePath("big.csv");
        QCOMPARE(ScopeFile::save(path, {curve("A", values, values)}, {}, &error),
                 ScopeFile::Outcome::Done);
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append) && file.write("1,x\n2,3,4\n") == 10);
        file.close();
        QVector<qint64> reports;
        const auto follow = [&](qint64 done, qint64 total) {
            reports << done * 100 / total;
            return true;
        };
        QCOMPARE(ScopeFile::load(path, &content, follow, &error), ScopeFile::Outcome::Done);
        QVERIFY(reports.size() > 1 && std::is_sorted(reports.begin(), reports.end()));
        QCOMPARE(reports.last(), 100);
        QCOMPARE(content.times.size(), values.size() + 2);
        QCOMPARE(content.firstUnreadableLine, values.size() + 2);
        QCOMPARE(content.firstRaggedLine, values.size() + 3);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const ScopeFileContent whole = parsed(file.readAll());
        QVERIFY(sameBits(content.times, whole.times));
        QVERIFY(sameBits(content.curves.at(0).y, whole.curves.at(0).y));
        for (qint64 stopAt : {0, 60}) { // at the first piece, in the middle
            const auto cancel = [=](qint64 done, qint64 total) {
                return done * 100 / total < stopAt;
            };
            ScopeFileContent untouched;
            QCOMPARE(ScopeFile::load(path, &untouched, cancel, &error),
                     ScopeFile::Outcome::Cancelled);
            QVERIFY(untouched.curves.isEmpty());
        }
    }
};

QTEST_APPLESS_MAIN(tst_ScopeFile)
#include "tst_scopefile.moc"
