#pragma once

#include "CaptureCutter.h"
#include "ClockOrigin.h"
#include "ControllerLink.h"
#include "DerivedExpression.h"
#include "LinkSubscriber.h"
#include "ReadCycleMeter.h"
#include "SampleBuffer.h"
#include "ScopeFileRecorder.h"
#include "ScopeRecording.h"
#include "Tarn_Lock.h"
#include "TriggerSettings.h"

#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

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

// What the controller link reported to one scope that its GUI has yet to act on.
struct LinkNews
{
    std::optional<int> refusedCode; // the controller refused the scope's current list
    unsigned gaps = 0;              // reads dropped for a rebuilt list
    std::vector<TimeStep> steps;    // the controller's clock went back
};

// The acquisition side of one scope: the sample buffer and its lock, the set-up generation,
// the trigger snapshot with the armed and capture states, and the status figures. While it
// samples it subscribes to the process's controller link, which hands it its records on the
// link's acquisition thread. Owned by the scope widget; its public functions belong to the
// GUI thread, its LinkSubscriber side to the acquisition thread. Its locks are never nested
// in one another; the recording to disk is fed under the data lock, its queue's lock taken
// inside it. The link's lock is taken before any of them, never inside.
class ScopeRecorder : private LinkSubscriber
{
public:
    ScopeRecorder();
    ~ScopeRecorder() override;

    ScopeRecorder(const ScopeRecorder &) = delete;
    ScopeRecorder &operator=(const ScopeRecorder &) = delete;

    // Joins the controller link; false with the reason, and nothing started, when the
    // controller cannot be sampled or cannot take these channels beside the other scopes'.
    // Records arrive once channels are bound (bindSlots); what the controller buffered
    // before is never recorded.
    bool startSampling(const std::vector<int> &scopeIndexes, QString *error);
    // Once this returns nothing more is appended: the buffers hold the whole recording.
    // Disarms the trigger and turns capture back on.
    void stopSampling();
    bool isSampling() const { return m_bSampling; }
    bool isCapturing() const { return m_bCapture; }
    bool isTriggerArmed() const { return m_bTriggerArmed; }
    // Both read together, so a trigger firing meanwhile is seen whole or not at all.
    CaptureState captureState() const;

    // Whether these channels fit beside the other sampling scopes' on the controller; the
    // reason when not. Always true while not sampling.
    bool channelsFit(const std::vector<int> &scopeIndexes, QString *error) const;
    // Channel set-up: empties the buffers and routes record value k to the slot of the k-th
    // index in one locked step (index 0 routes nothing); the derived channels, compiled
    // against the channels' titles in that order and their own before them, fill the slots
    // after those. While sampling, the link is asked for the new channels; records arrive
    // again once the controller carries them.
    void bindSlots(const std::vector<int> &scopeIndexes,
                   std::vector<DerivedExpression> derived = {});
    // Empties the buffers and routes nothing.
    void clear();
    void setWindow(double widthMs);
    // What the buffers hold now, taken under their lock without copying values.
    SampleSnapshot snapshot() const;
    // The same as the set-up's curves over the run's clock, taken together.
    ScopeRecording recording() const;

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
    // In repeat mode a completed capture arms the trigger again at once.
    void setCaptureRepeat(bool repeat);
    // The trigger only cuts captures; the recording (the buffers and the file) runs on whole,
    // neither held before a firing nor bounded after it. The headless recorder's way.
    void setCapturesOnly(bool on);
    // The captures cut since the last call, oldest first; Stop completes an open one with
    // what it holds.
    std::vector<CutCapture> takeCaptures();

    // Records appended since sampling began.
    uint64_t recordCount() const { return m_nRecords; }

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
    // Returns those that failed once stopped (their file removed just before, say): no status
    // showed that yet.
    QVector<FileRecordingStatus> reapFinishedFiles();
    bool isFinishingFiles() const { return !m_finishingFiles.empty(); }
    // The columns of the bound slots, as the file's header names them.
    void setFileColumns(const QVector<ScopeFileCurve> &columns);

    // The robot's flags as the link read them last (the last run's while not sampling).
    RobotFlagsReading robotFlags() const;
    // How the controller has answered since this scope began sampling.
    LinkHealth controllerHealth() const;
    // What the link reported since the last call.
    LinkNews takeLinkNews();
    // The wall clock against the controller's, from this run's first records on.
    ClockOrigin clockOrigin() const;

private:
    void deliver(const LinkDelivery &delivery) override;
    void refuse(unsigned generation, int code) override;
    void appendGapLocked(double time);

    void setControllerLoad(double cpu, uint32_t memKB);

    std::vector<ScopeRecord> widened(const LinkDelivery &delivery) const;
    void checkTrigger(const std::vector<ScopeRecord> &records);
    void fireAtLocked(const std::vector<ScopeRecord> &records, std::size_t stretch,
                      std::size_t firing);
    void armTriggerLocked(bool armed, int mode, bool again);
    void fireTriggerLocked(int mode);
    void forgetCaptureHistory();
    void appendBatchLocked(const std::vector<ScopeRecord> &records, const CaptureBounds &bounds);
    CaptureBounds captureBounds() const;
    void teeToFileLocked(const std::vector<ScopeRecord> &records, std::size_t appended,
                         const CaptureBounds &bounds);
    void teeBufferLocked(double limit);
    void clearLocked();

    ReadCycleMeter m_readCycle;
    mutable Tarn_Lock m_lockLoad;
    ControllerLoad m_load;

    mutable Tarn_Lock m_lockData;
    SampleBuffer m_buffer; // guarded by m_lockData
    // Bumped under m_lockData by every set-up; a delivery for another one appends nothing.
    std::atomic<unsigned> m_nSetupGeneration{0};
    std::atomic<uint64_t> m_nRecords{0}; // written under m_lockData
    // Written under m_lockData, so no append follows a stop.
    std::atomic<bool> m_bSampling{false};
    std::shared_ptr<ControllerLink> m_pLink;               // GUI thread only; held while sampling
    LinkNews m_news;                                       // guarded by m_lockData
    ClockOrigin m_clockOrigin;                             // guarded by m_lockData
    RobotFlagsReading m_lastFlags;                         // GUI thread only
    std::chrono::steady_clock::time_point m_samplingSince; // GUI thread only

    mutable Tarn_Lock m_lockTrigger;
    TriggerSettings m_triggerSettings; // guarded by m_lockTrigger
    std::atomic<bool> m_bTriggerArmed{false};
    std::atomic<bool> m_bCapture{true};
    unsigned m_nFirings = 0;         // guarded by m_lockTrigger
    double m_dLastFiring = 0.0;      // guarded by m_lockTrigger
    double m_dLastFiringValue = 0.0; // guarded by m_lockTrigger
    CaptureBounds m_bounds;          // guarded by m_lockTrigger
    bool m_bInside = true;           // guarded by m_lockTrigger
    CaptureCutter m_cutter;          // guarded by m_lockTrigger
    bool m_bRepeat = false;          // guarded by m_lockTrigger
    bool m_bCapturesOnly = false;    // guarded by m_lockTrigger
    // Armed since the last capture ended: the cutter keeps the history a window reaches.
    std::atomic<bool> m_bCutting{false};

    // Set and reset by the GUI thread under m_lockData; fed by the acquisition thread under it.
    std::unique_ptr<ScopeFileRecorder> m_pFileRecorder;
    struct FinishingFile
    {
        std::unique_ptr<ScopeFileRecorder> recorder;
        bool failedBefore; // its failure was shown while it recorded
    };
    std::vector<FinishingFile> m_finishingFiles; // GUI thread only
    QVector<ScopeFileCurve> m_fileColumns;       // GUI thread only
    // Guarded by m_lockData: the newest record time gone to disk, the lag of the last batch
    // (see CaptureBounds) and how many slots a record feeds.
    double m_dTeedThrough = -std::numeric_limits<double>::infinity();
    double m_dTeeLag = 0.0;
    int m_nChannelSlots = 0;  // the controller's values in each record
    int m_nRecordedSlots = 0; // and the derived ones after them
    // Handed to the acquisition thread whole; only that thread evaluates them.
    std::shared_ptr<std::vector<DerivedExpression>> m_pDerived;
};
