#pragma once

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

// Every record the simulated controller delivered over a whole soak, batch by batch with the
// index list in force, and the stretches where the scope may rightly have recorded nothing
// (around starts, stops and set-ups, the first batches of every index list, and runs with a
// trigger). Plain data, GUI thread.
class DeliveryHistory
{
public:
    // Room for a run's records at once, so the history does not grow the heap in between.
    void reserve(std::size_t records);
    void addBatch(const std::vector<double> &times, uint64_t indexList);
    void noteIndexes(uint64_t indexList, const std::vector<int> &indexes);
    // Records of batches first..last (batch numbers, last excluded) may be missing.
    void excuse(std::size_t firstBatch, std::size_t lastBatch);
    std::size_t batches() const { return m_batchStarts.size(); }
    // Marks the excused records; before reading `excused`.
    void applyExcuses();
    // Where a record lies among the batches and the excused stretches, for a failure report.
    QString describe(std::size_t record) const;

    std::vector<double> times;
    std::vector<uint64_t> lists; // per record
    std::vector<bool> excused;   // per record
    std::map<uint64_t, std::vector<int>> indexes;

private:
    static constexpr std::size_t kBatchesOfNewList = 2;
    std::vector<std::size_t> m_batchStarts;
    uint64_t m_lastList = 0;
    std::vector<std::pair<std::size_t, std::size_t>> m_excuses;
};

// What the files of one recording to disk were found to hold.
struct RecordedFileVerdict
{
    QString error; // empty when they hold exactly what was delivered
    std::size_t rows = 0;
    std::size_t files = 0;
    std::size_t missingExcused = 0; // records the scope rightly did not record
};

// Checks that the files, read as Import reads them, hold delivered records in delivery order,
// each at most once, with the controller's values (to the file's three decimals) for the
// channels of the index list in force, and that every delivered record not excused is there.
struct RecordedFileCheck
{
    static RecordedFileVerdict check(const QStringList &files, DeliveryHistory &history,
                                     const std::function<double(int, double)> &sample);
};
