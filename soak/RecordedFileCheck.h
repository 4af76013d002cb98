#pragma once

#include "DeliveredReads.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

// Every read the simulated controller delivered over a whole soak, each with the scope's
// epoch it belongs to (an epoch begins at each Start or confirmed set-up and has the scope's
// channels), and the stretches where the scope may rightly have recorded nothing (around
// starts, stops and set-ups, the first reads of every epoch, while stopped, and runs with a
// trigger). Plain data, GUI thread.
class DeliveryHistory
{
public:
    // Room for a run's records at once, so the history does not grow the heap in between.
    void reserve(std::size_t records);
    // `straddles`: read while the epoch began, so it may still follow the previous one.
    void addRead(const DeliveredRead &read, uint64_t epoch, bool straddles);
    void noteIndexes(uint64_t epoch, const std::vector<int> &indexes);
    // Records of reads first..last (read numbers, last excluded) may be missing.
    void excuse(std::size_t firstRead, std::size_t lastRead);
    std::size_t batches() const { return m_reads.reads(); }
    const DeliveredReads &reads() const { return m_reads; }
    const std::vector<double> &times() const { return m_reads.times(); }
    // Marks the excused records; before reading `excused`.
    void applyExcuses();
    // The channels a record may follow: its epoch's, and the previous epoch's for a read
    // that straddles the two.
    std::vector<const std::vector<int> *> indexesOf(std::size_t record) const;
    // Where a record lies among the reads and the excused stretches, for a failure report.
    QString describe(std::size_t record) const;

    std::vector<bool> excused; // per record

private:
    static constexpr std::size_t kBatchesOfNewEpoch = 2;
    DeliveredReads m_reads;
    std::vector<uint64_t> m_epochs; // per read
    std::vector<bool> m_straddles;  // per read
    std::map<uint64_t, std::vector<int>> m_indexes;
    std::vector<std::pair<std::size_t, std::size_t>> m_excuses;
};

// What the files of one recording to disk were found to hold.
struct RecordedFileVerdict
{
    QString error; // empty when they hold exactly what was delivered
    std::size_t rows = 0;
    std::size_t gapRows = 0;
    std::size_t files = 0;
    std::size_t filesStartingWithGap = 0;
    std::size_t filesOfGapRowsOnly = 0; // of them, those that cannot be placed in time
    std::size_t missingExcused = 0;     // records the scope rightly did not record
    std::size_t droppedForGaps = 0;     // records of the reads the gap rows stand for
};

// Checks that the files, read as Import reads them, hold delivered records in delivery order,
// each at most once, with the controller's values (to the file's three decimals) for the
// channels of the epoch in force, and that every delivered record not excused is there. A
// read dropped for a rebuilt controller list is one gap row (every value NaN) at its first
// record, and the rest of that read is missing.
struct RecordedFileCheck
{
    static RecordedFileVerdict check(const QStringList &files, DeliveryHistory &history,
                                     const std::function<double(int, double)> &sample);
};
