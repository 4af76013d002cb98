#include "ScopeFileSeries.h"

#include "FileEntry.h"
#include "ScopeLimits.h"
#include "TypicalStep.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <optional>
#include <utility>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// The steps read for a file's typical step, spread over it.
constexpr int kStepsRead = 1025;

QString tr(const char *text)
{
    return QCoreApplication::translate("ScopeFileSeries", text);
}

// "run" and ".csv" of "run.csv"; the suffix with its point, or empty.
std::pair<QString, QString> baseAndSuffix(const QString &fileName)
{
    const QFileInfo info(fileName);
    const QString suffix = info.suffix().isEmpty() ? QString() : "." + info.suffix();
    return {info.completeBaseName(), suffix};
}

// The number of `name` in the series of the first file `firstName` (both bare names), from 2;
// 0 when it is none of its names. The number has three digits at least, as written.
int numberIn(const QString &name, const QString &base, const QString &suffix)
{
    const int digits = name.size() - base.size() - 1 - suffix.size();
    if (digits < 3 || !name.startsWith(base) || name.at(base.size()) != QLatin1Char('_') ||
        !name.endsWith(suffix))
        return 0;
    const QString text = name.mid(base.size() + 1, digits);
    bool ok = false;
    const int number = text.toInt(&ok);
    if (!ok || number < 2 || QString("%1").arg(number, 3, 10, QLatin1Char('0')) != text)
        return 0;
    return number;
}

// The names in a folder, of any kind: named pipes, sockets, devices and links that lead
// nowhere too.
QStringList namesIn(const QDir &dir)
{
    return dir.entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
}

// The numbers of the files that stand beside the first file, among the folder's `names`,
// sorted.
QVector<int> numbersBeside(const QString &firstFileName, const QStringList &names)
{
    const auto [base, suffix] = baseAndSuffix(firstFileName);
    QVector<int> numbers;
    for (const QString &name : names) {
        if (const int number = numberIn(name, base, suffix))
            numbers.append(number);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

std::optional<double> firstFinite(const QVector<double> &times)
{
    for (double t : times) {
        if (std::isfinite(t))
            return t;
    }
    return std::nullopt;
}

std::optional<double> lastFinite(const QVector<double> &times)
{
    for (int i = times.size() - 1; i >= 0; --i) {
        if (std::isfinite(times.at(i)))
            return times.at(i);
    }
    return std::nullopt;
}

// Where file time 0 of `meta`'s file lies on the time axis of `base`'s file, from the
// controller's clock or else the wall clock; nothing when either does not say.
std::optional<double> offsetOn(const ScopeFileMeta &base, const ScopeFileMeta &meta)
{
    if (!base.firstRowTime || !meta.firstRowTime)
        return std::nullopt;
    if (base.controllerTime && meta.controllerTime)
        return *base.firstRowTime + (*meta.controllerTime - *base.controllerTime) -
               *meta.firstRowTime;
    if (base.started.isValid() && meta.started.isValid())
        return *base.firstRowTime + double(base.started.msecsTo(meta.started)) - *meta.firstRowTime;
    return std::nullopt;
}

// One stretch of rows of the joined content: a file's, or a row of gaps.
struct Piece
{
    int firstRow = 0;
    QVector<double> times;                                // on the joined time axis
    std::vector<std::pair<int, QVector<double>>> columns; // by column of the union
};

// Puts the files' contents one after another, holding each file's values once until the
// whole is made.
class Joiner
{
public:
    // The next rows do not continue the ones before: a row of gaps goes between them.
    void breakHere() { m_gapPending = m_rows > 0; }

    bool add(const QString &fileName, ScopeFileContent content,
             const std::optional<ScopeFileMeta> &meta, QString *error)
    {
        QVector<std::pair<int, QVector<double>>> columns;
        for (ScopeFileCurve &curve : content.curves) {
            const int column = columnOf(curve);
            if (column >= 0 && !curve.y.isEmpty())
                columns.append({column, std::move(curve.y)});
        }
        m_fileNotes << content.notes(fileName);
        ++m_filesRead;
        if (!m_baseMeta)
            m_baseMeta = meta.value_or(ScopeFileMeta());
        const std::optional<double> first = firstFinite(content.times);
        if (!first)
            return true; // a header alone: its columns, no rows
        if (m_rows + content.times.size() + 1 > ScopeFile::kMaxLines) {
            *error = tr("more than %1 lines together").arg(ScopeFile::kMaxLines);
            return false;
        }
        const double step = typicalStep(content.times, kStepsRead);
        const double offset = offsetFor(*first, meta, step);
        if (m_gapPending)
            addGapRow((*m_lastTime + *first + offset) / 2.0);
        Piece piece;
        piece.firstRow = m_rows;
        piece.times = std::move(content.times);
        if (offset != 0.0) {
            for (double &t : piece.times)
                t += offset;
        }
        for (auto &column : columns)
            piece.columns.push_back(std::move(column));
        m_rows += piece.times.size();
        m_lastTime = lastFinite(piece.times);
        if (step > 0.0)
            m_lastStep = step;
        m_pieces.push_back(std::move(piece));
        return true;
    }

    int filesRead() const { return m_filesRead; }
    int gaps() const { return m_gaps; }
    QStringList fileNotes() const { return m_fileNotes; }
    int droppedCurves() const { return m_dropped.size(); }
    int curveCount() const { return m_columns.size() + m_dropped.size(); }

    // The joined content; each piece's values are let go as they are copied, so the files'
    // values and the joined ones are held together one column at a time.
    ScopeFileContent takeContent()
    {
        ScopeFileContent content;
        content.hasTime = true;
        content.curveCount = curveCount();
        content.times.reserve(m_rows);
        for (Piece &piece : m_pieces) {
            content.times.append(piece.times);
            piece.times = QVector<double>();
        }
        for (int column = 0; column < m_columns.size(); ++column) {
            ScopeFileCurve curve = m_columns.at(column);
            int length = 0;
            for (const Piece &piece : m_pieces) {
                for (const auto &[index, values] : piece.columns) {
                    if (index == column)
                        length = piece.firstRow + values.size();
                }
            }
            curve.y = QVector<double>(length, kNaN);
            for (Piece &piece : m_pieces) {
                for (auto &[index, values] : piece.columns) {
                    if (index != column)
                        continue;
                    std::copy(values.cbegin(), values.cend(), curve.y.begin() + piece.firstRow);
                    values = QVector<double>();
                }
            }
            content.curves.append(std::move(curve));
        }
        m_pieces.clear();
        return content;
    }

    ScopeFileMeta meta() const
    {
        ScopeFileMeta meta = m_baseMeta.value_or(ScopeFileMeta());
        meta.channels.clear();
        for (const ScopeFileCurve &column : m_columns)
            meta.channels.append({column.title, column.binding.unit});
        return meta;
    }

private:
    // The column of the union a curve goes to, by its header field; -1 past the plot's slots.
    int columnOf(const ScopeFileCurve &curve)
    {
        const QString field = ScopeFile::headerField(curve.title, curve.binding);
        const auto found = m_index.constFind(field);
        if (found != m_index.constEnd())
            return *found;
        if (m_columns.size() >= ScopeLimits::kCurveSlots) {
            m_dropped.insert(field);
            return -1;
        }
        ScopeFileCurve column;
        column.title = curve.title;
        column.binding = curve.binding;
        column.binding.slot = m_columns.size();
        m_index.insert(field, m_columns.size());
        m_columns.append(column);
        return m_columns.size() - 1;
    }

    // What to add to a file's times: where its metadata places it beside the first file's,
    // or else right after the rows before, one step on (two past a gap).
    double offsetFor(double first, const std::optional<ScopeFileMeta> &meta, double step) const
    {
        const std::optional<double> offset =
            meta && m_baseMeta ? offsetOn(*m_baseMeta, *meta) : std::nullopt;
        if (!m_lastTime)
            return offset.value_or(0.0); // the first rows
        if (offset && first + *offset > *m_lastTime)
            return *offset;
        double next = m_lastStep > 0.0 ? m_lastStep : step;
        if (!(next > 0.0))
            next = 1.0;
        return *m_lastTime + next * (m_gapPending ? 2.0 : 1.0) - first;
    }

    void addGapRow(double time)
    {
        Piece gap;
        gap.firstRow = m_rows;
        gap.times = {time};
        m_pieces.push_back(std::move(gap));
        ++m_rows;
        ++m_gaps;
        m_gapPending = false;
    }

    QVector<ScopeFileCurve> m_columns;
    QHash<QString, int> m_index;
    QSet<QString> m_dropped;
    std::vector<Piece> m_pieces;
    int m_rows = 0;
    std::optional<double> m_lastTime;
    double m_lastStep = 0.0;
    bool m_gapPending = false;
    std::optional<ScopeFileMeta> m_baseMeta;
    int m_filesRead = 0;
    int m_gaps = 0;
    QStringList m_fileNotes;
};

} // namespace

QString ScopeFileSeries::numberedName(const QString &firstFileName, int number)
{
    const auto [base, suffix] = baseAndSuffix(firstFileName);
    // As recording to disk names it: beside a bare name, a bare name (no "./").
    return QDir::cleanPath(
        QFileInfo(firstFileName)
            .dir()
            .filePath(
                QString("%1_%2%3").arg(base).arg(number, 3, 10, QLatin1Char('0')).arg(suffix)));
}

ScopeFileSeries ScopeFileSeries::of(const QString &fileName)
{
    return of(fileName, namesIn(QFileInfo(fileName).dir()));
}

ScopeFileSeries ScopeFileSeries::of(const QString &fileName, const QStringList &namesBeside)
{
    ScopeFileSeries series;
    series.m_first = fileName;
    // A numbered name that stands belongs to the series of the name without its number when
    // anything else of that series stands beside it.
    static const QRegularExpression numbered(QStringLiteral("^(.*)_([0-9]{3,})$"));
    const auto [base, suffix] = baseAndSuffix(fileName);
    const QRegularExpressionMatch match = numbered.match(base);
    QVector<int> numbers;
    if (match.hasMatch() && FileEntry::at(fileName).exists()) {
        const QString first =
            QDir::cleanPath(QFileInfo(fileName).dir().filePath(match.captured(1) + suffix));
        const auto [firstBase, firstSuffix] = baseAndSuffix(first);
        if (numberIn(QFileInfo(fileName).fileName(), firstBase, firstSuffix) > 0) {
            numbers = numbersBeside(first, namesBeside);
            if (FileEntry::at(first).exists() || numbers.size() > 1)
                series.m_first = first;
        }
    }
    if (series.m_first == fileName)
        numbers = numbersBeside(fileName, namesBeside);

    Member first{series.m_first, 1, 1, FileEntry::at(series.m_first).exists()};
    if (!first.present && !numbers.isEmpty())
        first.lastNumber = numbers.first() - 1; // the numbers before the first that stands
    series.m_members.append(first);
    int last = first.lastNumber;
    for (int number : numbers) {
        if (number > last + 1)
            series.m_members.append(
                {numberedName(series.m_first, last + 1), last + 1, number - 1, false});
        series.m_members.append({numberedName(series.m_first, number), number, number, true});
        last = number;
    }
    return series;
}

QVector<ScopeFileSeries> ScopeFileSeries::group(const QStringList &fileNames)
{
    QHash<QString, QStringList> listings; // one look at each folder
    QVector<ScopeFileSeries> list;
    QSet<QString> firsts;
    for (const QString &fileName : fileNames) {
        const QString folder = QFileInfo(fileName).absolutePath();
        auto listing = listings.find(folder);
        if (listing == listings.end())
            listing = listings.insert(folder, namesIn(QDir(folder)));
        ScopeFileSeries series = of(fileName, *listing);
        const QString key = QFileInfo(series.firstFileName()).absoluteFilePath();
        if (firsts.contains(key))
            continue;
        firsts.insert(key);
        list.append(std::move(series));
    }
    return list;
}

QStringList ScopeFileSeries::fileNames() const
{
    QStringList names;
    for (const Member &member : m_members) {
        if (member.present)
            names << member.fileName;
    }
    return names;
}

bool ScopeFileSeries::isSplit() const
{
    return m_members.size() > 1;
}

ScopeFile::Outcome ScopeFileSeries::load(Joined *joined, const ScopeFile::Progress &progress,
                                         QString *error) const
{
    return load(QVector<ScopeFileSeries>{*this}, joined, progress, error);
}

namespace {

QString memberLabel(const ScopeFileSeries::Member &member, const QString &firstFileName)
{
    const QString name = member.number == 1 ? firstFileName : member.fileName;
    if (member.lastNumber == member.number)
        return name;
    return tr("%1 to %2")
        .arg(name, ScopeFileSeries::numberedName(firstFileName, member.lastNumber));
}

qint64 sizeOf(const QString &fileName)
{
    return FileEntry::behind(fileName).kind == FileEntry::Kind::Regular ? QFileInfo(fileName).size()
                                                                        : 0;
}

// What the files hold that the joined recording cannot show as they stand.
struct JoinNotes
{
    QStringList missingFirst;
    QStringList missing;
    QStringList unreadable;

    QString text(const Joiner &joiner) const
    {
        QStringList lines;
        if (!missingFirst.isEmpty())
            lines << tr("The first file of the series is missing: %1.")
                         .arg(missingFirst.join(QStringLiteral(", ")));
        if (!missing.isEmpty())
            lines << tr("Missing from the series, the curves break where they stood: %1.")
                         .arg(missing.join(QStringLiteral(", ")));
        if (!unreadable.isEmpty())
            lines << tr("Cannot be read, the curves break where they stand: %1.")
                         .arg(unreadable.join(QStringLiteral("; ")));
        if (joiner.droppedCurves() > 0)
            lines << tr("The files hold %1 curves together; only the first %2 are shown.")
                         .arg(joiner.curveCount())
                         .arg(ScopeLimits::kCurveSlots);
        for (const QString &note : joiner.fileNotes()) {
            if (!note.isEmpty())
                lines << note;
        }
        return lines.join(QLatin1Char('\n'));
    }
};

} // namespace

ScopeFile::Outcome ScopeFileSeries::load(const QVector<ScopeFileSeries> &list, Joined *joined,
                                         const ScopeFile::Progress &progress, QString *error)
{
    qint64 total = 0;
    for (const ScopeFileSeries &series : list) {
        for (const QString &fileName : series.fileNames())
            total += sizeOf(fileName);
    }
    qint64 done = 0;
    const ScopeFile::Progress each = progress ? ScopeFile::Progress([&](qint64 read, qint64) {
        return progress(done + read, std::max(total, done + read));
    })
                                              : ScopeFile::Progress();
    Joiner joiner;
    JoinNotes notes;
    QString firstError;
    try {
        for (const ScopeFileSeries &series : list) {
            joiner.breakHere(); // each series is a stretch of its own
            for (const Member &member : series.members()) {
                if (!member.present) {
                    (member.number == 1 ? notes.missingFirst : notes.missing)
                        << memberLabel(member, series.firstFileName());
                    joiner.breakHere();
                    continue;
                }
                ScopeFileContent content;
                QString reason;
                const qint64 size = sizeOf(member.fileName);
                ScopeFile::Outcome outcome =
                    ScopeFile::load(member.fileName, &content, each, &reason);
                done += size;
                if (outcome == ScopeFile::Outcome::Cancelled)
                    return outcome;
                if (outcome == ScopeFile::Outcome::Done && content.curveCount == 0)
                    reason = tr("it holds no curve");
                else if (outcome == ScopeFile::Outcome::Done && !content.hasTime)
                    reason = tr("it has no time column");
                if (!reason.isEmpty()) {
                    notes.unreadable << QString("%1 (%2)").arg(member.fileName, reason);
                    if (firstError.isEmpty())
                        firstError = QString("%1: %2").arg(member.fileName, reason);
                    joiner.breakHere();
                    continue;
                }
                if (!joiner.add(member.fileName, std::move(content),
                                ScopeFileMeta::loadBeside(member.fileName), error))
                    return ScopeFile::Outcome::Failed;
            }
        }
        if (joiner.filesRead() == 0) {
            if (firstError.isEmpty() && !list.isEmpty()) {
                // Nothing stands at the name: the reader says so in its own words.
                ScopeFileContent content;
                ScopeFile::load(list.first().firstFileName(), &content, ScopeFile::Progress(),
                                &firstError);
                firstError = QString("%1: %2").arg(list.first().firstFileName(), firstError);
            }
            *error = tr("none of the files can be read: %1").arg(firstError);
            return ScopeFile::Outcome::Failed;
        }
        Joined result;
        result.notes = notes.text(joiner);
        result.meta = joiner.meta();
        result.filesRead = joiner.filesRead();
        result.gaps = joiner.gaps();
        result.content = joiner.takeContent();
        *joined = std::move(result);
    } catch (const std::bad_alloc &) {
        *error = tr("too large for the memory available");
        return ScopeFile::Outcome::Failed;
    }
    return ScopeFile::Outcome::Done;
}
