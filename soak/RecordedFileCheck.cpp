#include "RecordedFileCheck.h"

#include "ScopeCatalog.h"
#include "ScopeFile.h"

#include <algorithm>
#include <cmath>

namespace {

bool near(double fileValue, double controllerValue)
{
    return std::fabs(fileValue - controllerValue) <= 0.0005 + 1e-12 * std::fabs(controllerValue);
}

// Whether the file's row holds the values of delivered record i.
bool rowMatches(const ScopeFileContent &content, int row, const DeliveryHistory &history,
                std::size_t i, const std::function<double(int, double)> &sample)
{
    const auto found = history.indexes.find(history.lists[i]);
    if (found == history.indexes.end() ||
        found->second.size() != static_cast<std::size_t>(content.curves.size()))
        return false;
    for (int k = 0; k < content.curves.size(); ++k) {
        const int index = found->second[static_cast<std::size_t>(k)];
        if (!ScopeCatalog::carriesData(index))
            continue;
        const QVector<double> &y = content.curves[k].y;
        if (row >= y.size() || !near(y[row], sample(index, history.times[i])))
            return false;
    }
    return true;
}

} // namespace

void DeliveryHistory::reserve(std::size_t records)
{
    times.reserve(records);
    lists.reserve(records);
    m_batchStarts.reserve(records / 10);
}

void DeliveryHistory::addBatch(const std::vector<double> &batch, uint64_t indexList)
{
    if (batch.empty())
        return;
    // The scope discards the first read that begins after a new index list, since it may
    // reach back before the list; that may be the second batch of the list's records.
    if (indexList != m_lastList)
        excuse(m_batchStarts.size(), m_batchStarts.size() + kBatchesOfNewList);
    m_lastList = indexList;
    m_batchStarts.push_back(times.size());
    times.insert(times.end(), batch.begin(), batch.end());
    lists.insert(lists.end(), batch.size(), indexList);
}

void DeliveryHistory::noteIndexes(uint64_t indexList, const std::vector<int> &list)
{
    indexes[indexList] = list;
}

void DeliveryHistory::excuse(std::size_t firstBatch, std::size_t lastBatch)
{
    m_excuses.emplace_back(firstBatch, lastBatch);
}

void DeliveryHistory::applyExcuses()
{
    excused.assign(times.size(), false);
    for (const auto &[first, last] : m_excuses) {
        const std::size_t from = first < m_batchStarts.size() ? m_batchStarts[first] : times.size();
        const std::size_t to = last < m_batchStarts.size() ? m_batchStarts[last] : times.size();
        for (std::size_t i = from; i < to; ++i)
            excused[i] = true;
    }
}

QString DeliveryHistory::describe(std::size_t record) const
{
    const auto after = std::upper_bound(m_batchStarts.begin(), m_batchStarts.end(), record);
    const std::size_t batch = static_cast<std::size_t>(after - m_batchStarts.begin()) - 1;
    std::size_t nearest = 0;
    for (std::size_t i = 1; i < m_excuses.size(); ++i) {
        const auto distance = [&](std::size_t k) {
            const auto [first, last] = m_excuses[k];
            return batch < first ? first - batch : batch >= last ? batch - last + 1 : 0;
        };
        if (distance(i) < distance(nearest))
            nearest = i;
    }
    QString text = QString("batch %1 of %2").arg(batch).arg(m_batchStarts.size());
    if (!m_excuses.empty())
        text += QString(", nearest excused batches %1..%2")
                    .arg(m_excuses[nearest].first)
                    .arg(m_excuses[nearest].second);
    return text;
}

RecordedFileVerdict RecordedFileCheck::check(const QStringList &files, DeliveryHistory &history,
                                             const std::function<double(int, double)> &sample)
{
    RecordedFileVerdict verdict;
    history.applyExcuses();
    std::vector<bool> inFile(history.times.size(), false);
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
        if (content.times.isEmpty())
            continue;
        // The file's times count from its first row: find that row among the deliveries.
        while (next < history.times.size() && !rowMatches(content, 0, history, next, sample))
            ++next;
        if (next == history.times.size()) {
            verdict.error = QString("the first row of %1 is no delivered record after the "
                                    "previous file's rows")
                                .arg(file);
            return verdict;
        }
        const double origin = history.times[next];
        for (int row = 0; row < content.times.size(); ++row) {
            const double t = origin + content.times[row];
            while (next < history.times.size() && history.times[next] != t)
                ++next;
            if (next == history.times.size() || !rowMatches(content, row, history, next, sample)) {
                verdict.error = QString("row %1 of %2 (time %3) is no delivered record in order, "
                                        "or its values differ")
                                    .arg(row + 2)
                                    .arg(file)
                                    .arg(t, 0, 'f', 3);
                return verdict;
            }
            inFile[next++] = true;
            ++verdict.rows;
        }
    }
    for (std::size_t i = 0; i < history.times.size(); ++i) {
        if (inFile[i])
            continue;
        if (!history.excused[i]) {
            std::size_t end = i;
            while (end < inFile.size() && !inFile[end])
                ++end;
            verdict.error = QString("delivered record at %1 ms is missing from the files, with "
                                    "%2 record(s) after it (%3)")
                                .arg(history.times[i], 0, 'f', 3)
                                .arg(end - i - 1)
                                .arg(history.describe(i));
            return verdict;
        }
        ++verdict.missingExcused;
    }
    return verdict;
}
