#include "RecordedFileCheck.h"

#include "ScopeCatalog.h"
#include "ScopeFile.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

enum class Fate : char
{
    Missing,
    InFile,
    DroppedForGap
};

bool near(double fileValue, double controllerValue)
{
    return std::fabs(fileValue - controllerValue) <= 0.0005 + 1e-12 * std::fabs(controllerValue);
}

// A row whose every value is NaN; columns without data hold none at all.
bool isGapRow(const ScopeFileContent &content, int row)
{
    bool anyValue = false;
    for (const ScopeFileCurve &curve : content.curves) {
        if (row >= curve.y.size())
            continue;
        if (!std::isnan(curve.y[row]))
            return false;
        anyValue = true;
    }
    return anyValue;
}

bool valuesMatch(const ScopeFileContent &content, int row, const std::vector<int> &indexes,
                 double time, const std::function<double(int, double)> &sample)
{
    if (indexes.size() != static_cast<std::size_t>(content.curves.size()))
        return false;
    for (int k = 0; k < content.curves.size(); ++k) {
        const int index = indexes[static_cast<std::size_t>(k)];
        if (!ScopeCatalog::carriesData(index))
            continue;
        const QVector<double> &y = content.curves[k].y;
        if (row >= y.size() || !near(y[row], sample(index, time)))
            return false;
    }
    return true;
}

// Whether the file's row holds the values of delivered record i.
bool rowMatches(const ScopeFileContent &content, int row, const DeliveryHistory &history,
                std::size_t i, const std::function<double(int, double)> &sample)
{
    for (const std::vector<int> *indexes : history.indexesOf(i)) {
        if (valuesMatch(content, row, *indexes, history.times()[i], sample))
            return true;
    }
    return false;
}

// Follows a file's rows through the delivered records: each row is a delivered record in
// order with its values, or a gap row at the first record of a read a rebuilt controller list
// may have dropped, the rest of that read missing. With `fates`, notes what each record became.
struct FileWalk
{
    const QString &file;
    const ScopeFileContent &content;
    const DeliveryHistory &history;
    const std::function<double(int, double)> &sample;
    std::vector<Fate> *fates = nullptr;
    RecordedFileVerdict *verdict = nullptr;

    // For a failure report: the first value of the row that differs from record i, under
    // each epoch the record may follow.
    QString differences(int row, std::size_t i) const
    {
        QStringList notes;
        const double t = history.times()[i];
        for (const std::vector<int> *indexes : history.indexesOf(i)) {
            if (indexes->size() != static_cast<std::size_t>(content.curves.size())) {
                notes << QString("%1 columns for %2 channels")
                             .arg(content.curves.size())
                             .arg(indexes->size());
                continue;
            }
            for (int k = 0; k < content.curves.size(); ++k) {
                const int index = (*indexes)[static_cast<std::size_t>(k)];
                const QVector<double> &y = content.curves[k].y;
                if (!ScopeCatalog::carriesData(index) ||
                    (row < y.size() && near(y[row], sample(index, t))))
                    continue;
                notes << QString("column %1 (index %2) holds %3, the controller gave %4")
                             .arg(k + 1)
                             .arg(index)
                             .arg(row < y.size() ? QString::number(y[row]) : QString("nothing"))
                             .arg(sample(index, t));
                break;
            }
        }
        return notes.isEmpty() ? QString("no epoch's channels") : notes.join("; ");
    }

    QString rowFault(int row, double time, const QString &fault) const
    {
        return QString("row %1 of %2 (time %3) %4")
            .arg(row + 2)
            .arg(file)
            .arg(time, 0, 'f', 3)
            .arg(fault);
    }

    // The rows, the file's times counting from `origin`, from delivered record `next` on;
    // `row` ends at the first that does not fit. What is wrong, or nothing.
    QString rows(double origin, std::size_t &next, int &row) const
    {
        const DeliveredReads &reads = history.reads();
        const std::vector<double> &times = reads.times();
        for (row = 0; row < content.times.size(); ++row) {
            const double t = origin + content.times[row];
            next = reads.find(t, next);
            if (next == DeliveredReads::npos)
                return rowFault(row, t, "is no delivered record after the rows before it");
            const bool isGap = isGapRow(content, row);
            if (!isGap && !rowMatches(content, row, history, next, sample))
                return rowFault(row, t,
                                QString("differs from the delivered record %1: %2")
                                    .arg(history.describe(next), differences(row, next)));
            const std::size_t after = reads.nextInRun(next, isGap);
            if (after == DeliveredReads::npos)
                return rowFault(
                    row, t,
                    "is a gap row where no read dropped for a rebuilt controller list began");
            if (fates) {
                (*fates)[next] = Fate::InFile;
                std::fill(fates->begin() + static_cast<std::ptrdiff_t>(next + 1),
                          fates->begin() + static_cast<std::ptrdiff_t>(after), Fate::DroppedForGap);
                ++verdict->rows;
                verdict->gapRows += isGap ? 1 : 0;
            }
            next = std::min(after, times.size());
        }
        return QString();
    }
};

// Where the file's times count from (they count from its first row), searched from delivered
// record `next` on: where all its rows fit. A gap row stands where a read carried a new list,
// a rare place; otherwise the first row is found by its values. Rows of values that hardly
// change fit many places for a while, so each place is tried with every row. NaN when the
// file fits nowhere, with what is wrong where it fitted longest.
double placeFile(const QString &file, const ScopeFileContent &content,
                 const DeliveryHistory &history, std::size_t next,
                 const std::function<double(int, double)> &sample, QString &error)
{
    const DeliveredReads &reads = history.reads();
    const std::vector<double> &times = reads.times();
    int gap = 0;
    while (gap < content.times.size() && !isGapRow(content, gap))
        ++gap;
    const bool byGap = gap < content.times.size();
    const int anchor = byGap ? gap : 0;
    const FileWalk probe{file, content, history, sample};
    int longest = -1;
    QString longestWrong;
    for (std::size_t found = next; found < times.size(); ++found) {
        if (byGap ? !reads.isReadStart(found) || !reads.mayHaveCarriedList(reads.readOf(found))
                  : !rowMatches(content, anchor, history, found, sample))
            continue;
        const double origin = times[found] - content.times[anchor];
        std::size_t from = next;
        int fitted = 0;
        const QString wrong = probe.rows(origin, from, fitted);
        if (wrong.isEmpty())
            return origin;
        if (fitted > longest) {
            longest = fitted;
            longestWrong = wrong;
        }
    }
    error = longest >= 0 ? longestWrong
                         : QString("no delivered record after the previous file's rows fits row "
                                   "%1 of %2")
                               .arg(anchor + 2)
                               .arg(file);
    return std::numeric_limits<double>::quiet_NaN();
}

} // namespace

void DeliveryHistory::reserve(std::size_t records)
{
    m_reads.reserve(records);
    m_epochs.reserve(records / 10);
    m_straddles.reserve(records / 10);
}

void DeliveryHistory::addRead(const DeliveredRead &read, uint64_t epoch, bool straddles)
{
    if (read.times.empty())
        return;
    // The scope discards the first read that begins after it subscribed, since it may reach
    // back before; a read under way meanwhile comes first.
    if (m_epochs.empty() || m_epochs.back() != epoch)
        excuse(batches(), batches() + kBatchesOfNewEpoch);
    m_reads.add(read);
    m_epochs.push_back(epoch);
    m_straddles.push_back(straddles);
}

void DeliveryHistory::noteIndexes(uint64_t epoch, const std::vector<int> &indexes)
{
    m_indexes[epoch] = indexes;
}

// Stretches that meet the last one join it, so a long stop costs one entry.
void DeliveryHistory::excuse(std::size_t firstRead, std::size_t lastRead)
{
    if (!m_excuses.empty() && firstRead >= m_excuses.back().first &&
        firstRead <= m_excuses.back().second) {
        m_excuses.back().second = std::max(m_excuses.back().second, lastRead);
        return;
    }
    m_excuses.emplace_back(firstRead, lastRead);
}

void DeliveryHistory::applyExcuses()
{
    excused.assign(times().size(), false);
    for (const auto &[first, last] : m_excuses) {
        for (std::size_t i = m_reads.startOf(first); i < m_reads.startOf(last); ++i)
            excused[i] = true;
    }
}

std::vector<const std::vector<int> *> DeliveryHistory::indexesOf(std::size_t record) const
{
    std::vector<const std::vector<int> *> found;
    const std::size_t read = m_reads.readOf(record);
    const uint64_t epoch = m_epochs[read];
    for (uint64_t e : {epoch, epoch - 1}) {
        const auto indexes = m_indexes.find(e);
        if (indexes != m_indexes.end())
            found.push_back(&indexes->second);
        if (!m_straddles[read])
            break;
    }
    return found;
}

QString DeliveryHistory::describe(std::size_t record) const
{
    const std::size_t read = m_reads.readOf(record);
    std::size_t nearest = 0;
    for (std::size_t i = 1; i < m_excuses.size(); ++i) {
        const auto distance = [&](std::size_t k) {
            const auto [first, last] = m_excuses[k];
            return read < first ? first - read : read >= last ? read - last + 1 : 0;
        };
        if (distance(i) < distance(nearest))
            nearest = i;
    }
    QString text = QString("read %1 of %2, epoch %3%4")
                       .arg(read)
                       .arg(batches())
                       .arg(m_epochs[read])
                       .arg(m_straddles[read] ? " or the one before" : "");
    if (!m_excuses.empty())
        text += QString(", nearest excused reads %1..%2")
                    .arg(m_excuses[nearest].first)
                    .arg(m_excuses[nearest].second);
    return text;
}

RecordedFileVerdict RecordedFileCheck::check(const QStringList &files, DeliveryHistory &history,
                                             const std::function<double(int, double)> &sample)
{
    RecordedFileVerdict verdict;
    history.applyExcuses();
    const std::vector<double> &times = history.times();
    std::vector<Fate> fates(times.size(), Fate::Missing);
    std::size_t next = 0; // the first delivered record the next row may be
    for (const QString &file : files) {
        ScopeFileContent content;
        QString error;
        if (ScopeFile::load(file, &content, ScopeFile::Progress(), &error) !=
            ScopeFile::Outcome::Done) {
            verdict.error = QString("%1 does not read: %2").arg(file, error);
            return verdict;
        }
        ++verdict.files;
        if (content.lastLineCut) {
            verdict.error = QString("%1 ends in a cut line").arg(file);
            return verdict;
        }
        const int rows = content.times.size();
        if (rows == 0)
            continue;
        int values = 0; // the first row with values
        while (values < rows && isGapRow(content, values))
            ++values;
        verdict.filesStartingWithGap += values > 0 ? 1 : 0;
        if (values == rows) { // nothing tells when: a recording begun and ended in a gap
            verdict.gapRows += static_cast<std::size_t>(rows);
            ++verdict.filesOfGapRowsOnly;
            continue;
        }
        const double origin = placeFile(file, content, history, next, sample, verdict.error);
        if (std::isnan(origin))
            return verdict;
        const FileWalk walk{file, content, history, sample, &fates, &verdict};
        int row = 0;
        walk.rows(origin, next, row); // fits: the place was found by the same walk
    }
    for (std::size_t i = 0; i < times.size(); ++i) {
        if (fates[i] == Fate::InFile)
            continue;
        if (fates[i] == Fate::DroppedForGap) {
            ++verdict.droppedForGaps;
            continue;
        }
        if (!history.excused[i]) {
            std::size_t end = i;
            while (end < fates.size() && fates[end] == Fate::Missing)
                ++end;
            verdict.error = QString("delivered record at %1 ms is missing from the files, with "
                                    "%2 record(s) after it (%3)")
                                .arg(times[i], 0, 'f', 3)
                                .arg(end - i - 1)
                                .arg(history.describe(i));
            return verdict;
        }
        ++verdict.missingExcused;
    }
    return verdict;
}
