#pragma once

#include "CompanionScope.h"
#include "RecordedFileCheck.h"
#include "RecordingCheck.h"
#include "ScopeChannel.h"
#include "ScopeLimits.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <vector>

class GuiWatchdog;
class RecorderSoak;
class QWidget;

// Runs a scope widget against the simulated robot at 1 kHz for a while, doing what an
// operator does on a fixed-seed random schedule, and checks after every recording that
// the curves (and every export) hold exactly what the controller delivered. Two companion
// scopes share the controller with it all along, as on other tabs of an HMI, and are checked
// likewise when they stop. Two phases with a fixed selection and period bracket the random
// one to measure resident memory. tarnscope-record runs beside them all along as its own
// process, on another controller. GUI thread only; owns the widgets.
class ScopeSoak
{
public:
    ScopeSoak(double minutes, uint32_t seed);
    ~ScopeSoak();

    // Prints the figures; 0 when every check passed.
    int run();

private:
    struct Counts
    {
        int confirmed = 0, refused = 0, periods = 0, starts = 0, stops = 0, errorStops = 0;
        int setupsRefusedBesideOthers = 0, startsRefusedBesideOthers = 0;
        int recordingsStartingWithGap = 0;
        int triggers = 0, errorsIgnored = 0, exports = 0, emptyExports = 0, imports = 0;
        int legendClicks = 0, lateBatches = 0, droppedFirstBatches = 0, unobservable = 0;
        uint64_t delivered = 0, verified = 0, gaps = 0;
    };
    // Reads around an event (start, set-up, stop) the scope may rightly not record.
    static constexpr std::size_t kBatchesBefore = 2, kBatchesAfter = 3;
    struct Plateau
    {
        double minMB = 0, maxMB = 0, medianMB = 0, untrimmedMB = 0, heapMB = 0;
        int samples = 0;
    };

    void randomPhase(double seconds);
    void stoppedStep();
    void samplingStep();
    void companionStep();
    Plateau plateau(double seconds, const char *name);

    // Driving the widget.
    void chooseSelection(int kind);
    void confirmSelection(int kind);
    void setPeriod(const QString &text);
    void randomPeriod();
    int shownPeriod() const;
    void start(bool withTrigger, bool stopWhenError);
    void setTriggerOn(bool on);
    void armTrigger();
    void setStopWhenError(bool on);
    void stopByButton();
    void injectError();
    void toggleLegendEntries();
    void exportAndImport();
    bool isSampling() const;
    std::vector<ScopeChannel> dialogSelection() const;
    bool fitsBesideCompanions(const std::vector<int> &indexes) const;
    QStringList answering(const std::function<void()> &action, const QString &fileName = {});

    // Following the controller.
    void pump(int ms);
    void collectDeliveries();
    void watchReads();
    void beginEpoch(bool straddles);
    void noteMainStopped();
    void checkRecording(bool stoppedByWidget);
    bool companionFits(const CompanionScope &companion, const std::vector<int> &indexes) const;
    void startCompanion(CompanionScope &companion);
    void rechooseCompanion(CompanionScope &companion);
    void stopCompanion(CompanionScope &companion);
    void startRecordingToFile();
    void checkRecordedFiles();
    std::vector<CurveSamples> attachedCurves() const;
    void fail(const QString &what);

    int uniform(int lo, int hi);
    bool chance(double p);

    const double m_seconds;
    const uint32_t m_seed;
    std::mt19937 m_rng;
    std::unique_ptr<QWidget> m_scope;
    std::unique_ptr<GuiWatchdog> m_watchdog;
    std::vector<std::unique_ptr<CompanionScope>> m_companions;
    QTemporaryDir m_dir;
    std::unique_ptr<RecorderSoak> m_recorder; // tarnscope-record beside the scopes, in m_dir

    // An epoch begins at each Start and each set-up confirmed while sampling.
    uint64_t m_epoch = 0;
    std::vector<int> m_indexes; // the main scope's channels in this epoch, in curve order
    bool m_mainSampling = false;
    bool m_straddling = false; // reads now collected may still follow the previous epoch
    RecordingLog m_log;
    DeliveryHistory m_history; // the whole run, for the recording to disk and the companions
    std::size_t m_runStartBatch = 0;
    std::size_t m_stopBatch = 0;
    std::size_t m_readsDuringStop = 0;
    QStringList m_errors; // what the main scope's errorOccurred said lately
    QString m_recordFile;
    RecordingRules m_rules;
    bool m_selectionRefused = false;
    bool m_stopWhenError = false;
    int m_period = ScopeLimits::kDefaultPeriodMs;
    QElapsedTimer m_runTimer;      // since the last Start
    QElapsedTimer m_sinceDelivery; // since the last record delivered
    bool m_readsStuckReported = false;
    int m_files = 0;
    bool m_measuring = false;
    std::vector<double> m_rssMB;     // sampled while measuring a plateau
    std::vector<double> m_heapMB;    // likewise
    std::vector<int> m_plateauLinks; // the link items both plateaus record

    Counts m_counts;
    QStringList m_failures;
};
