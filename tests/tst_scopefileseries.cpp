#include "ScopeFileMeta.h"
#include "ScopeFileSeries.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

#include <optional>

// One file a test lays out: a scope file (with metadata when it has a controller time), or
// something else standing at a scope file's name.
struct LaidFile
{
    enum Kind
    {
        ScopeFile,
        Folder,
        Fifo
    };
    QString name;
    Kind kind = ScopeFile;
    QStringList titles;            // curve titles, each with the header field title_0_1_u
    QVector<QVector<double>> rows; // time, then one value per title
    std::optional<double> controllerTime;
};
using LaidFiles = QVector<LaidFile>;
Q_DECLARE_METATYPE(LaidFile)

namespace {

LaidFile scopeFile(const QString &name, const QStringList &titles,
                   const QVector<QVector<double>> &rows,
                   std::optional<double> controllerTime = std::nullopt)
{
    return {name, LaidFile::ScopeFile, titles, rows, controllerTime};
}

LaidFile other(const QString &name, LaidFile::Kind kind)
{
    return {name, kind, {}, {}, std::nullopt};
}

bool lay(const QDir &dir, const LaidFile &file)
{
    const QString path = dir.filePath(file.name);
    switch (file.kind) {
    case LaidFile::Folder:
        return dir.mkdir(file.name);
    case LaidFile::Fifo:
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    case LaidFile::ScopeFile:
        break;
    }
    QByteArray text = "time";
    for (const QString &title : file.titles)
        text += "," + title.toUtf8() + "_0_1_u";
    text += "\n";
    for (const QVector<double> &row : file.rows) {
        QStringList fields;
        for (double value : row)
            fields << QString::number(value);
        text += fields.join(',').toUtf8() + "\n";
    }
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size())
        return false;
    out.close();
    if (!file.controllerTime)
        return true;
    ScopeFileMeta meta;
    meta.firstRowTime = 0.0;
    meta.controllerTime = file.controllerTime;
    QString error;
    return meta.saveBeside(path, &error);
}

QString shown(const QVector<double> &values)
{
    QStringList text;
    for (double v : values)
        text << QString::number(v);
    return text.join(' ');
}

// The times, then each curve as "title: values".
QString described(const ScopeFileContent &content)
{
    QStringList parts{shown(content.times)};
    for (const ScopeFileCurve &curve : content.curves)
        parts << curve.title + ": " + shown(curve.y);
    return parts.join(" | ");
}

} // namespace

class tst_ScopeFileSeries : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A recording to disk split into numbered files is found from any of them and read back
    // as one: rows in order on the first file's time axis, columns united, a row of gaps
    // where the series is broken, said in the notes, one line per kind naming the files.
    void joinsASeries_data()
    {
        QTest::addColumn<LaidFiles>("files");
        QTest::addColumn<QString>("opened");
        QTest::addColumn<QString>("first");
        QTest::addColumn<int>("members"); // that stand there
        QTest::addColumn<QString>("joined");
        QTest::addColumn<int>("gaps");
        QTest::addColumn<QStringList>("notes"); // each a line of the notes, in part

        QTest::newRow("contiguous, from the first")
            << LaidFiles{scopeFile("run.csv", {"A"}, {{0, 1}, {1, 2}, {2, 3}}, 1000),
                         scopeFile("run_002.csv", {"A"}, {{0, 4}, {1, 5}}, 1003),
                         scopeFile("run_003.csv", {"A"}, {{0, 6}}, 1005)}
            << "run.csv"
            << "run.csv" << 3 << "0 1 2 3 4 5 | A: 1 2 3 4 5 6" << 0 << QStringList();
        QTest::newRow("contiguous, from a later file")
            << LaidFiles{scopeFile("run.csv", {"A"}, {{0, 1}, {1, 2}}, 1000),
                         scopeFile("run_002.csv", {"A"}, {{0, 3}}, 1002)}
            << "run_002.csv"
            << "run.csv" << 2 << "0 1 2 | A: 1 2 3" << 0 << QStringList();
        QTest::newRow("times from the controller's clock")
            << LaidFiles{scopeFile("run.csv", {"A"}, {{0, 1}, {1, 2}}, 1000),
                         scopeFile("run_002.csv", {"A"}, {{0, 3}, {1, 4}}, 1500)}
            << "run.csv"
            << "run.csv" << 2 << "0 1 500 501 | A: 1 2 3 4" << 0 << QStringList();
        QTest::newRow("no metadata: one step on")
            << LaidFiles{scopeFile("run.csv", {"A"}, {{0, 1}, {2, 2}, {4, 3}}),
                         scopeFile("run_002.csv", {"A"}, {{0, 4}, {2, 5}})}
            << "run.csv"
            << "run.csv" << 2 << "0 2 4 6 8 | A: 1 2 3 4 5" << 0 << QStringList();
        QTest::newRow("missing middle file")
            << LaidFiles{scopeFile("run.csv", {"A"}, {{0, 1}, {1, 2}}, 1000),
                         scopeFile("run_003.csv", {"A"}, {{0, 5}, {1, 6}}, 1010)}
            << "run.csv"
            << "run.csv" << 2 << "0 1 5.5 10 11 | A: 1 2 nan 5 6" << 1
            << QStringList{"Missing from the series, the curves break where they stood: "
                           "%1/run_002.csv."};
        QTest::newRow("missing middle files, no metadata")
            << LaidFiles{scopeFile("run.csv", {"A"}, {{0, 1}, {1, 2}}),
                         scopeFile("run_005.csv", {"A"}, {{0, 5}, {1, 6}})}
            << "run_005.csv"
            << "run.csv" << 2 << "0 1 2 3 4 | A: 1 2 nan 5 6" << 1
            << QStringList{"%1/run_002.csv to %1/run_004.csv."};
        QTest::newRow("changed columns")
            << LaidFiles{scopeFile("run.csv", {"A", "B"}, {{0, 1, 10}, {1, 2, 20}}, 1000),
                         scopeFile("run_002.csv", {"A", "C"}, {{0, 3, 30}, {1, 4, 40}}, 1002)}
            << "run.csv"
            << "run.csv" << 2 << "0 1 2 3 | A: 1 2 3 4 | B: 10 20 | C: nan nan 30 40" << 0
            << QStringList();
        QTest::newRow("a folder named as a member")
            << LaidFiles{scopeFile("run.csv", {"A"}, {{0, 1}, {1, 2}}, 1000),
                         other("run_002.csv", LaidFile::Folder),
                         scopeFile("run_003.csv", {"A"}, {{0, 5}, {1, 6}}, 1004)}
            << "run.csv"
            << "run.csv" << 3 << "0 1 2.5 4 5 | A: 1 2 nan 5 6" << 1
            << QStringList{"Cannot be read, the curves break where they stand: "
                           "%1/run_002.csv (it is a folder)."};
        QTest::newRow("a named pipe named as a member")
            << LaidFiles{scopeFile("run.csv", {"A"}, {{0, 1}, {1, 2}}, 1000),
                         other("run_002.csv", LaidFile::Fifo),
                         scopeFile("run_003.csv", {"A"}, {{0, 5}, {1, 6}}, 1004)}
            << "run_003.csv"
            << "run.csv" << 3 << "0 1 2.5 4 5 | A: 1 2 nan 5 6" << 1
            << QStringList{"%1/run_002.csv (it is not a regular file (a device, a named pipe "
                           "or a socket))."};
        QTest::newRow("the first file gone")
            << LaidFiles{scopeFile("run_002.csv", {"A"}, {{0, 1}, {1, 2}}, 1000),
                         scopeFile("run_003.csv", {"A"}, {{0, 3}}, 1002)}
            << "run_003.csv"
            << "run.csv" << 2 << "0 1 2 | A: 1 2 3" << 0
            << QStringList{"The first file of the series is missing: %1/run.csv."};
        QTest::newRow("one file") << LaidFiles{scopeFile("run.csv", {"A"}, {{0, 1}}, 1000),
                                               scopeFile("other.csv", {"A"}, {{0, 2}}, 1000)}
                                  << "run.csv"
                                  << "run.csv" << 1 << "0 | A: 1" << 0 << QStringList();
        QTest::newRow("a numbered name of no series")
            << LaidFiles{scopeFile("data_2024.csv", {"A"}, {{0, 1}})} << "data_2024.csv"
            << "data_2024.csv" << 1 << "0 | A: 1" << 0 << QStringList();
        QTest::newRow("names that are not the recorder's numbers")
            << LaidFiles{scopeFile("run.csv", {"A"}, {{0, 1}}), scopeFile("run_02.csv", {"A"}, {}),
                         scopeFile("run_0002.csv", {"A"}, {}), scopeFile("run_001.csv", {"A"}, {}),
                         scopeFile("run_002.txt", {"A"}, {})}
            << "run.csv"
            << "run.csv" << 1 << "0 | A: 1" << 0 << QStringList();
    }

    void joinsASeries()
    {
        QFETCH(LaidFiles, files);
        QFETCH(QString, opened);
        QFETCH(QString, first);
        QFETCH(int, members);
        QFETCH(QString, joined);
        QFETCH(int, gaps);
        QFETCH(QStringList, notes);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        for (const LaidFile &file : files)
            QVERIFY2(lay(QDir(dir.path()), file), qPrintable(file.name));

        const ScopeFileSeries series = ScopeFileSeries::of(dir.filePath(opened));
        QCOMPARE(series.firstFileName(), dir.filePath(first));
        QCOMPARE(series.fileNames().size(), members);
        QCOMPARE(series.isSplit(), series.members().size() > 1);

        ScopeFileSeries::Joined result;
        QString error;
        QCOMPARE(series.load(&result, ScopeFile::Progress(), &error), ScopeFile::Outcome::Done);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(described(result.content), joined);
        QCOMPARE(result.gaps, gaps);
        QVERIFY(result.content.hasTime);
        QCOMPARE(result.content.curveCount, result.content.curves.size());
        // Every column knows its place, and the metadata names them all.
        QCOMPARE(result.meta.channels.size(), result.content.curves.size());
        for (int k = 0; k < result.content.curves.size(); ++k)
            QCOMPARE(result.content.curves.at(k).binding.slot, k);
        const QStringList lines = result.notes.isEmpty() ? QStringList() : result.notes.split('\n');
        QCOMPARE(lines.size(), notes.size());
        for (int k = 0; k < notes.size(); ++k)
            QVERIFY2(lines.at(k).contains(notes.at(k).arg(dir.path())), qPrintable(lines.at(k)));
    }

    // Files named on a command line (a shell's run*.csv) are grouped by series, each series
    // once; several series or files read together follow one another with a gap between.
    void groupsNamesAndJoinsSeveral()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QDir folder(dir.path());
        QVERIFY(lay(folder, scopeFile("run.csv", {"A"}, {{0, 1}, {1, 2}}, 1000)));
        QVERIFY(lay(folder, scopeFile("run_002.csv", {"A"}, {{0, 3}}, 1002)));
        QVERIFY(lay(folder, scopeFile("other.csv", {"B"}, {{0, 7}, {1, 8}}, 50)));

        const QVector<ScopeFileSeries> list = ScopeFileSeries::group(
            {dir.filePath("run_002.csv"), dir.filePath("other.csv"), dir.filePath("run.csv")});
        QCOMPARE(list.size(), 2);
        QCOMPARE(list.at(0).firstFileName(), dir.filePath("run.csv"));
        QCOMPARE(list.at(0).fileNames().size(), 2);
        QCOMPARE(list.at(1).firstFileName(), dir.filePath("other.csv"));
        QVERIFY(!list.at(1).isSplit());

        ScopeFileSeries::Joined result;
        QString error;
        QCOMPARE(ScopeFileSeries::load(list, &result, ScopeFile::Progress(), &error),
                 ScopeFile::Outcome::Done);
        // other.csv's controller time lies before run.csv's: it goes on after a gap.
        QCOMPARE(described(result.content), QString("0 1 2 3 4 5 | A: 1 2 3 | B: nan nan nan "
                                                    "nan 7 8"));
        QCOMPARE(result.gaps, 1);
        QCOMPARE(result.filesRead, 3);
        QVERIFY(result.notes.isEmpty());
    }

    // Names relative to the working folder stay so, as recording to disk writes them.
    void relativeNamesStayRelative()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(lay(QDir(dir.path()), scopeFile("run.csv", {"A"}, {{0, 1}})));
        QVERIFY(lay(QDir(dir.path()), scopeFile("run_002.csv", {"A"}, {{0, 2}})));
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        const ScopeFileSeries series = ScopeFileSeries::of("run_002.csv");
        QDir::setCurrent(before);
        QCOMPARE(series.firstFileName(), QString("run.csv"));
        QCOMPARE(series.fileNames(), QStringList({"run.csv", "run_002.csv"}));
        QCOMPARE(ScopeFileSeries::numberedName("run.csv", 3), QString("run_003.csv"));
    }

    // Nothing readable: failed, saying why of the file named; a cancel gives nothing.
    void failsWhenNothingReads()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        ScopeFileSeries::Joined result;
        QString error;
        QCOMPARE(ScopeFileSeries::of(dir.filePath("absent.csv"))
                     .load(&result, ScopeFile::Progress(), &error),
                 ScopeFile::Outcome::Failed);
        QVERIFY2(error.contains(dir.filePath("absent.csv")), qPrintable(error));

        QVERIFY(lay(QDir(dir.path()), other("run.csv", LaidFile::Fifo)));
        QVERIFY(lay(QDir(dir.path()), other("run_002.csv", LaidFile::Folder)));
        error.clear();
        QCOMPARE(ScopeFileSeries::of(dir.filePath("run.csv"))
                     .load(&result, ScopeFile::Progress(), &error),
                 ScopeFile::Outcome::Failed);
        QVERIFY2(error.contains("named pipe"), qPrintable(error));

        QVERIFY(lay(QDir(dir.path()), scopeFile("ok.csv", {"A"}, {{0, 1}})));
        QVERIFY(lay(QDir(dir.path()), scopeFile("ok_002.csv", {"A"}, {{0, 1}})));
        int calls = 0;
        QCOMPARE(ScopeFileSeries::of(dir.filePath("ok.csv"))
                     .load(
                         &result,
                         [&](qint64, qint64) {
                             ++calls;
                             return false;
                         },
                         &error),
                 ScopeFile::Outcome::Cancelled);
        QCOMPARE(calls, 1);
    }
};

QTEST_GUILESS_MAIN(tst_ScopeFileSeries)
#include "tst_scopefileseries.moc"
