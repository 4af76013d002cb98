#pragma once

#include "ReadCycleMeter.h"
#include "SampleBuffer.h"
#include "ScopeFileRecorder.h"
#include "ScopeReadClient.h"
#include "Tarn_Lock.h"
#include "TriggerSettings.h"

#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

class DataCollector;
class QObject;

// The controller's load figures as last read.
struct ControllerLoad
{
    double cpu = 0.0;
    uint32_t memKB = 0;
};

// The trigger's armed state and capture as one moment left them.
struct CaptureState
{
    bool triggerArmed = false;
    bool capturing = true;
    // How often the trigger has fired, and the controller time of the sample that last
    // fired it.
    unsigned firings = 0;
    double lastFiring = 0.0;
    double lastFiringValue = 0.0; // the channel's sample there
    // Armed in open grab: what is recorded meanwhile is only history the delay may reach.
    bool waitingToOpen = false;
};

// Where a trigger fired with a delay bounds the recording, in controller time; the records
// at both bounds are kept.
struct CaptureBounds
{
    std::optional<double> from;
    std::optional<double> until;
    // How far behind the newest record the recording is settled: records newer than that may
    // still be cut by a trigger, and go to disk only once settled. Infinite while an open grab
    // with a delay keeps history it may yet drop.
    double settledBehind = 0.0;
};

// The acquisition side of one scope: the sample buffer and its lock, the set-up generation,
// the trigger snapshot with the armed and capture states, and the status figures. It owns
// the acquisition thread, which reads the controller, and is that thread's client; the
// other controller SDK calls are its own. Owned by the scope widget; its public functions
// belong to the GUI thread, its ScopeReadClient side to the acquisition thread. Its locks
// are never nested in one another; the recording to disk is fed under the data lock, its
// queue's lock taken inside it.
class ScopeRecorder : private ScopeReadClient
{
public:
    // The acquisition thread object becomes a Qt child of `threadParent` (the widget), so it
    // shows among the widget's children; the recorder still owns and ends it.
    explicit ScopeRecorder(QObject *threadParent = nullptr);
    ~ScopeRecorder() override;

    ScopeRecorder(const ScopeRecorder &) = delete;
    ScopeRecorder &operator=(const ScopeRecorder &) = delete;

    // Starts the thread on first use and enables it. What the controller buffered before
    // is never recorded: the first read of the run only flushes it.
    void startSampling();
    // Once this returns nothing more is appended: the buffers hold the whole recording.
    // Disarms the trigger and turns capture back on.
    void stopSampling();
    bool isSampling() const { return m_bSampling; }
    bool isCapturing() const { return m_bCapture; }
    bool isTriggerArmed() const { return m_bTriggerArmed; }
    // Both read together, so a trigger firing meanwhile is seen whole or not at all.
    CaptureState captureState() const;

    // Channel set-up: empties the buffers and routes record value k to the slot of the k-th
    // index in one locked step (index 0 routes nothing). Batches read before are dropped.
    void bindSlots(const std::vector<int> &scopeIndexes);
    // Tells the controller the index list. Batches read before it knew are dropped, and so
    // is the first read that begins afterwards: it returns what was sampled since the read
    // before, partly still in the old order. Their load figures count.
    void sendIndexList(std::vector<int> scopeIndexes);
    // Empties the buffers and routes nothing.
    void clear();
    void setWindow(double widthMs);
    // What the buffers hold now, taken under their lock without copying values.
    SampleSnapshot snapshot() const;

    // The trigger controls as the next batch is to see them.
    void setTriggerSettings(const TriggerSettings &settings);
    // Arms (or disarms) the trigger with the settings of now, also while sampling; when
    // armed, "open grab" waits with capture off (with a delay it keeps buffering the history
    // the delay may reach back to) and "end grab" records until it fires.
    // `again`: armed for the next capture, it fires only once the signal has been back inside
    // the threshold.
    void armTrigger(bool armed, int mode, bool again = false);
    // Disarms; "open grab" turns capture on, "end grab" off.
    void fireTrigger(int mode);

    void resetReadCycle();
    ReadCycle readCycle() const;
    ControllerLoad controllerLoad() const;

    // Recording to disk: what the curves receive, each record once, from now on until
    // stopped or until writing fails (the status then says why).
    bool startRecordingToFile(const FileRecordingOptions &options, QString *error);
    void stopRecordingToFile();
    bool isRecordingToFile() const { return m_pFileRecorder != nullptr; }
    FileRecordingStatus fileRecordingStatus() const;
    // Lets go of stopped recordings whose writer has finished; the GUI never waits for one.
    void reapFinishedFiles();
    bool isFinishingFiles() const { return !m_finishingFiles.empty(); }
    // The columns of the bound slots, as the file's header names them.
    void setFileColumns(const QVector<ScopeFileCurve> &columns);

    // Whether the robot reports an error now (the controller's third flag).
    static bool robotReportsError();

private:
    bool beginReadStep() override;
    void finishReadStep(const ControllerBatch &batch) override;

    void setControllerLoad(double cpu, uint32_t memKB);

    void checkTrigger(const std::vector<_ST_ReadScopeData> &records);
    void fireTriggerLocked(int mode);
    void appendBatchLocked(const std::vector<_ST_ReadScopeData> &records,
                           const CaptureBounds &bounds);
    CaptureBounds captureBounds() const;
    void teeToFileLocked(const std::vector<_ST_ReadScopeData> &records, std::size_t appended,
                         const CaptureBounds &bounds);
    void teeBufferLocked(double limit);
    void clearLocked();
    void shutDownCollector();

    ReadCycleMeter m_readCycle;
    mutable Tarn_Lock m_lockLoad;
    ControllerLoad m_load;

    mutable Tarn_Lock m_lockData;
    SampleBuffer m_buffer; // guarded by m_lockData
    // Bumped under m_lockData by every set-up and Start; a read step that began under an
    // earlier one appends nothing, nor does the first to begin under each.
    std::atomic<unsigned> m_nSetupGeneration{0};
    unsigned m_nReadGeneration = 0;      // acquisition thread only
    unsigned m_nFlushedGeneration = ~0u; // acquisition thread only
    bool m_bFlushRead = false;           // acquisition thread only
    // Written under m_lockData, so no append follows a stop.
    std::atomic<bool> m_bSampling{false};
    // Set under m_lockData from the rebinding until the controller has the new index list:
    // a batch read meanwhile may still carry the old order.
    std::atomic<bool> m_bSetupPending{false};

    mutable Tarn_Lock m_lockTrigger;
    TriggerSettings m_triggerSettings; // guarded by m_lockTrigger
    std::atomic<bool> m_bTriggerArmed{false};
    std::atomic<bool> m_bCapture{true};
    unsigned m_nFirings = 0;         // guarded by m_lockTrigger
    double m_dLastFiring = 0.0;      // guarded by m_lockTrigger
    double m_dLastFiringValue = 0.0; // guarded by m_lockTrigger
    CaptureBounds m_bounds;          // guarded by m_lockTrigger
    bool m_bInside = true;           // guarded by m_lockTrigger

    // Set and reset by the GUI thread under m_lockData; fed by the acquisition thread under it.
    std::unique_ptr<ScopeFileRecorder> m_pFileRecorder;
    std::vector<std::unique_ptr<ScopeFileRecorder>> m_finishingFiles; // GUI thread only
    QVector<ScopeFileCurve> m_fileColumns;                            // GUI thread only
    // Guarded by m_lockData: the newest record time gone to disk, the lag of the last batch
    // (see CaptureBounds) and how many slots a record feeds.
    double m_dTeedThrough = -std::numeric_limits<double>::infinity();
    double m_dTeeLag = 0.0;
    int m_nBoundSlots = 0;

    std::unique_ptr<DataCollector> m_pCollector;
};
