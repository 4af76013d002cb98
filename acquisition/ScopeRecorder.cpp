#include "ScopeRecorder.h"

#include "ScopeLimits.h"
#include "Tarn_LockGurad.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// A stretch the controller's records were dropped from: one record of no values, which the
// curves draw as a gap and the files keep as such.
ScopeRecord gapRecord(double time)
{
    return ScopeRecord(time);
}

} // namespace

ScopeRecorder::ScopeRecorder() = default;

ScopeRecorder::~ScopeRecorder()
{
    stopSampling();
}

bool ScopeRecorder::startSampling(const std::vector<int> &scopeIndexes, QString *error)
{
    if (m_bSampling)
        return true;
    std::shared_ptr<ControllerLink> link = ControllerLink::acquire(error);
    if (!link || !link->fits(this, scopeIndexes, error))
        return false;
    m_pLink = std::move(link);
    forgetCaptureHistory();
    m_samplingSince = std::chrono::steady_clock::now();
    {
        Tarn_LockGurad guard(&m_lockData);
        m_news = LinkNews();
        m_clockOrigin = ClockOrigin();
        m_nRecords = 0;
        m_bSampling = true;
    }
    return true;
}

void ScopeRecorder::stopSampling()
{
    if (m_pLink) {
        m_lastFlags = m_pLink->robotFlags();
        m_pLink->unsubscribe(this);
    }
    {
        Tarn_LockGurad guard(&m_lockData);
        m_bSampling = false;
        // Records held back for a trigger that may still cut them are on the curves now.
        if (m_dTeeLag > 0.0 && std::isfinite(m_dTeeLag))
            teeBufferLocked(kInfinity);
        m_dTeeLag = 0.0;
    }
    m_pLink.reset(); // the last scope to stop ends the link
    Tarn_LockGurad guard(&m_lockTrigger);
    m_cutter.closeEarly();
    m_bCutting = false;
    fireTriggerLocked(TriggerSettings::OpenGrab);
}

bool ScopeRecorder::channelsFit(const std::vector<int> &scopeIndexes, QString *error) const
{
    return !m_pLink || m_pLink->fits(this, scopeIndexes, error);
}

void ScopeRecorder::bindSlots(const std::vector<int> &scopeIndexes,
                              std::vector<DerivedExpression> derived)
{
    unsigned generation = 0;
    {
        Tarn_LockGurad guard(&m_lockData);
        clearLocked();
        for (std::size_t slot = 0; slot < scopeIndexes.size(); ++slot)
            m_buffer.setSlotIndex(static_cast<int>(slot), scopeIndexes[slot]);
        m_nChannelSlots = static_cast<int>(scopeIndexes.size());
        const std::size_t room = std::size_t(ScopeLimits::kCurveSlots - m_nChannelSlots);
        if (derived.size() > room)
            derived.erase(derived.begin() + std::ptrdiff_t(room), derived.end());
        for (std::size_t k = 0; k < derived.size(); ++k)
            m_buffer.setComputedSlot(m_nChannelSlots + static_cast<int>(k));
        m_nRecordedSlots = m_nChannelSlots + static_cast<int>(derived.size());
        m_pDerived = std::make_shared<std::vector<DerivedExpression>>(std::move(derived));
        generation = ++m_nSetupGeneration;
        m_news.refusedCode.reset();
    }
    forgetCaptureHistory();
    if (m_pLink)
        m_pLink->subscribe(this, scopeIndexes, generation, nullptr);
}

void ScopeRecorder::clear()
{
    {
        Tarn_LockGurad guard(&m_lockData);
        clearLocked();
    }
    forgetCaptureHistory();
}

// A capture holds the channels of one set-up: a new one starts the history over.
void ScopeRecorder::forgetCaptureHistory()
{
    Tarn_LockGurad guard(&m_lockTrigger);
    m_cutter.reset();
}

void ScopeRecorder::clearLocked()
{
    m_buffer.clear();
    m_buffer.clearSlotIndexes();
    m_nChannelSlots = 0;
    m_nRecordedSlots = 0;
    m_pDerived.reset();
    m_dTeedThrough = -kInfinity;
    m_dTeeLag = 0.0;
}

void ScopeRecorder::setWindow(double widthMs)
{
    {
        Tarn_LockGurad guard(&m_lockData);
        m_buffer.setWindow(widthMs);
    }
    Tarn_LockGurad guard(&m_lockTrigger);
    m_cutter.setPeriod(widthMs);
}

SampleSnapshot ScopeRecorder::snapshot() const
{
    Tarn_LockGurad guard(&m_lockData);
    return m_buffer.snapshot();
}

ScopeRecording ScopeRecorder::recording() const
{
    SampleSnapshot samples;
    ClockOrigin clock;
    {
        Tarn_LockGurad guard(&m_lockData);
        samples = m_buffer.snapshot();
        clock = m_clockOrigin;
    }
    return ScopeRecording::sampled(m_fileColumns, samples.times, samples.channels, clock);
}

// ---- acquisition thread ------------------------------------------------------------

// The link hands over each read: its load figures always count, its records only when they
// follow this scope's current channels.
void ScopeRecorder::deliver(const LinkDelivery &delivery)
{
    m_readCycle.recordRead();
    setControllerLoad(delivery.cpuLoad, delivery.memKB);
    if (!m_bSampling || delivery.generation != m_nSetupGeneration)
        return;
    const std::vector<ScopeRecord> records = widened(delivery);
    if (delivery.gapAt)
        checkTrigger({gapRecord(*delivery.gapAt)});
    checkTrigger(records);
    const CaptureBounds bounds = captureBounds();
    Tarn_LockGurad guard(&m_lockData);
    if (delivery.generation != m_nSetupGeneration || !m_bSampling)
        return;
    m_news.steps.insert(m_news.steps.end(), delivery.steps.begin(), delivery.steps.end());
    // The newest record of a read is about as old as the read itself.
    if (!m_clockOrigin.isKnown() && !delivery.records.empty())
        m_clockOrigin = ClockOrigin{delivery.records.back().dTime, QDateTime::currentDateTimeUtc()};
    if (delivery.gapAt && m_bCapture) {
        appendGapLocked(*delivery.gapAt);
        ++m_news.gaps;
    }
    appendBatchLocked(records, bounds);
}

// The controller's values and those the scope computes from them, record by record; none
// when the set-up changed since the delivery was read. Each expression reads the record as
// far as it is filled: the channels and the derived channels before it.
std::vector<ScopeRecord> ScopeRecorder::widened(const LinkDelivery &delivery) const
{
    std::shared_ptr<std::vector<DerivedExpression>> derived;
    int first = 0;
    {
        Tarn_LockGurad guard(&m_lockData);
        if (delivery.generation != m_nSetupGeneration)
            return {};
        derived = m_pDerived;
        first = m_nChannelSlots;
    }
    std::vector<ScopeRecord> wide;
    wide.reserve(delivery.records.size());
    for (const _ST_ReadScopeData &record : delivery.records) {
        wide.emplace_back(record);
        ScopeRecord &row = wide.back();
        for (std::size_t k = 0; derived && k < derived->size(); ++k)
            row.dValue[first + int(k)] = (*derived)[k].evaluate(row.dValue);
    }
    return wide;
}

void ScopeRecorder::refuse(unsigned generation, int code)
{
    Tarn_LockGurad guard(&m_lockData);
    if (generation == m_nSetupGeneration)
        m_news.refusedCode = code;
}

void ScopeRecorder::appendGapLocked(double time)
{
    appendBatchLocked({gapRecord(time)}, CaptureBounds());
}

LinkNews ScopeRecorder::takeLinkNews()
{
    Tarn_LockGurad guard(&m_lockData);
    return std::exchange(m_news, LinkNews());
}

ClockOrigin ScopeRecorder::clockOrigin() const
{
    Tarn_LockGurad guard(&m_lockData);
    return m_clockOrigin;
}

RobotFlagsReading ScopeRecorder::robotFlags() const
{
    return m_pLink ? m_pLink->robotFlags() : m_lastFlags;
}

LinkHealth ScopeRecorder::controllerHealth() const
{
    if (!m_pLink)
        return LinkHealth();
    LinkHealth health = m_pLink->health();
    health.silence = std::min(health.silence, std::chrono::steady_clock::now() - m_samplingSince);
    return health;
}

// A recording bounded by a fired trigger is cut exactly at its bounds: an end before what is
// buffered cuts the buffers back, and the first record past it ends the capture.
void ScopeRecorder::appendBatchLocked(const std::vector<ScopeRecord> &records,
                                      const CaptureBounds &bounds)
{
    if (bounds.until)
        m_buffer.dropAfter(*bounds.until);
    std::size_t appended = 0;
    for (const ScopeRecord &record : records) {
        if (!m_bCapture)
            break;
        if (bounds.until && record.dTime > *bounds.until) {
            m_bCapture = false;
            break;
        }
        m_buffer.appendRecord(record);
        ++appended;
    }
    m_nRecords += appended;
    if (bounds.from)
        m_buffer.dropBefore(*bounds.from);
    teeToFileLocked(records, appended, bounds);
}

// Settled records go to disk straight from the batch; while a trigger may still cut some,
// they wait in the buffer and go from there once settled, so the file holds what the curves
// keep. Only the values of bound slots are copied.
void ScopeRecorder::teeToFileLocked(const std::vector<ScopeRecord> &records, std::size_t appended,
                                    const CaptureBounds &bounds)
{
    if (!m_pFileRecorder)
        return;
    if (bounds.settledBehind == 0.0 && m_dTeeLag == 0.0) {
        const std::size_t width = static_cast<std::size_t>(m_nRecordedSlots);
        std::vector<double> rows;
        rows.reserve(appended * (width + 1));
        for (std::size_t i = 0; i < appended; ++i) {
            const ScopeRecord &record = records[i];
            if (!std::isfinite(record.dTime) || (bounds.from && record.dTime < *bounds.from))
                continue;
            rows.push_back(record.dTime);
            rows.insert(rows.end(), record.dValue, record.dValue + width);
            m_dTeedThrough = record.dTime;
        }
        m_pFileRecorder->push(std::move(rows), m_nRecordedSlots, m_clockOrigin);
        return;
    }
    if (!m_buffer.times().isEmpty())
        teeBufferLocked(m_buffer.times().last() - bounds.settledBehind);
    m_dTeeLag = bounds.settledBehind;
}

// The buffered records after the last one gone to disk, up to `limit`.
void ScopeRecorder::teeBufferLocked(double limit)
{
    const SampleColumn &times = m_buffer.times();
    if (!m_pFileRecorder || times.isEmpty())
        return;
    if (times.last() < m_dTeedThrough)
        m_dTeedThrough = -kInfinity; // the controller's clock started over
    int first = times.size();
    while (first > 0 && times.at(first - 1) > m_dTeedThrough)
        --first;
    std::vector<double> rows;
    for (int i = first; i < times.size() && times.at(i) <= limit; ++i) {
        rows.push_back(times.at(i));
        for (int slot = 0; slot < m_nRecordedSlots; ++slot) {
            const SampleColumn &column = m_buffer.channel(slot);
            rows.push_back(column.size() == times.size() ? column.at(i) : 0.0);
        }
        m_dTeedThrough = times.at(i);
    }
    m_pFileRecorder->push(std::move(rows), m_nRecordedSlots, m_clockOrigin);
}

bool ScopeRecorder::startRecordingToFile(const FileRecordingOptions &options, QString *error)
{
    stopRecordingToFile();
    std::unique_ptr<ScopeFileRecorder> recorder =
        ScopeFileRecorder::start(options, m_fileColumns, error);
    if (!recorder)
        return false;
    Tarn_LockGurad guard(&m_lockData);
    m_pFileRecorder = std::move(recorder);
    // From now on: what is buffered already is not recorded again.
    m_dTeedThrough = m_buffer.times().isEmpty() ? -kInfinity : m_buffer.times().last();
    m_dTeeLag = 0.0;
    return true;
}

// The writer finishes on its own thread: neither the GUI nor the acquisition thread waits
// for the disk. Only the scope's end waits for a writer still busy.
void ScopeRecorder::stopRecordingToFile()
{
    std::unique_ptr<ScopeFileRecorder> finishing;
    {
        Tarn_LockGurad guard(&m_lockData);
        finishing = std::move(m_pFileRecorder);
    }
    if (finishing) {
        finishing->finish();
        const bool failed = !finishing->status().failure.isEmpty();
        m_finishingFiles.push_back({std::move(finishing), failed});
    }
}

QVector<FileRecordingStatus> ScopeRecorder::reapFinishedFiles()
{
    QVector<FileRecordingStatus> failures;
    const auto finished = [&failures](const FinishingFile &file) {
        if (!file.recorder->hasFinished())
            return false;
        const FileRecordingStatus status = file.recorder->status();
        if (!file.failedBefore && !status.failure.isEmpty())
            failures << status;
        return true;
    };
    m_finishingFiles.erase(
        std::remove_if(m_finishingFiles.begin(), m_finishingFiles.end(), finished),
        m_finishingFiles.end());
    return failures;
}

FileRecordingStatus ScopeRecorder::fileRecordingStatus() const
{
    return m_pFileRecorder ? m_pFileRecorder->status() : FileRecordingStatus();
}

void ScopeRecorder::setFileColumns(const QVector<ScopeFileCurve> &columns)
{
    m_fileColumns = columns;
    if (m_pFileRecorder)
        m_pFileRecorder->setColumns(columns);
}

CaptureBounds ScopeRecorder::captureBounds() const
{
    Tarn_LockGurad guard(&m_lockTrigger);
    CaptureBounds bounds = m_bounds;
    if (m_bCapturesOnly)
        return bounds;
    const std::optional<double> delay = m_triggerSettings.delay;
    if (m_bTriggerArmed && delay) {
        if (m_triggerSettings.mode == TriggerSettings::OpenGrab && m_bCapture)
            bounds.settledBehind = kInfinity;
        else if (m_triggerSettings.mode == TriggerSettings::EndGrab && *delay < 0.0)
            bounds.settledBehind = -*delay;
    }
    return bounds;
}

// ---- trigger -----------------------------------------------------------------------

void ScopeRecorder::setTriggerSettings(const TriggerSettings &settings)
{
    Tarn_LockGurad guard(&m_lockTrigger);
    m_triggerSettings = settings;
}

void ScopeRecorder::armTrigger(bool armed, int mode, bool again)
{
    Tarn_LockGurad guard(&m_lockTrigger);
    armTriggerLocked(armed, mode, again);
}

// With a delay the trigger is a scope's: it fires on a crossing, so it first waits for a
// sample inside the threshold. Without one a level fires at once, as it always did.
void ScopeRecorder::armTriggerLocked(bool armed, int mode, bool again)
{
    const bool waitedToOpen = m_bTriggerArmed && !m_bCapture;
    m_bTriggerArmed = armed;
    m_bounds = CaptureBounds();
    m_bInside = !again && !m_triggerSettings.delay;
    m_bCutting = armed || m_cutter.isOpen();
    if (m_bCapturesOnly) {
        m_bCapture = true;
        return;
    }
    if (!armed) {
        // A trigger given up while it waited to open leaves the scope recording, not held.
        if (waitedToOpen)
            m_bCapture = true;
        return;
    }
    if (mode == TriggerSettings::OpenGrab)
        m_bCapture = m_triggerSettings.delay.has_value();
    else if (mode == TriggerSettings::EndGrab)
        m_bCapture = true;
}

CaptureState ScopeRecorder::captureState() const
{
    Tarn_LockGurad guard(&m_lockTrigger);
    const bool waitingToOpen =
        m_bTriggerArmed && m_triggerSettings.mode == TriggerSettings::OpenGrab;
    return CaptureState{m_bTriggerArmed, m_bCapture,         m_nFirings,
                        m_dLastFiring,   m_dLastFiringValue, waitingToOpen};
}

void ScopeRecorder::fireTrigger(int mode)
{
    Tarn_LockGurad guard(&m_lockTrigger);
    fireTriggerLocked(mode);
}

void ScopeRecorder::fireTriggerLocked(int mode)
{
    m_bTriggerArmed = false;
    m_bounds = CaptureBounds();
    if (mode == TriggerSettings::OpenGrab || m_bCapturesOnly)
        m_bCapture = true;
    else if (mode == TriggerSettings::EndGrab)
        m_bCapture = false;
}

// Firing is serialised with Stop by the trigger lock: a stop between the test and the firing
// has disarmed the trigger, and firing then would undo the stop's capture. The batch is
// walked in stretches: in repeat mode a completed capture arms the trigger again at once,
// so a later crossing in the same batch is captured too.
void ScopeRecorder::checkTrigger(const std::vector<ScopeRecord> &records)
{
    if (records.empty() || (!m_bTriggerArmed && !m_bCutting))
        return;
    Tarn_LockGurad guard(&m_lockTrigger);
    std::size_t fed = 0;
    std::size_t scan = 0;
    for (;;) {
        if (m_bTriggerArmed) {
            const std::optional<std::size_t> firing =
                firingPosition(m_triggerSettings, records, scan, &m_bInside);
            if (firing) {
                m_cutter.feed(records, fed, *firing, m_triggerSettings);
                fed = *firing;
                fireAtLocked(records, scan, *firing);
            }
        }
        if (!m_cutter.isOpen()) {
            m_cutter.feed(records, fed, records.size(), m_triggerSettings);
            break;
        }
        const std::optional<std::size_t> completed =
            m_cutter.feed(records, fed, records.size(), m_triggerSettings);
        if (!completed)
            break;
        fed = scan = *completed;
        if (!m_bRepeat) {
            m_bCutting = false;
            break;
        }
        armTriggerLocked(true, m_triggerSettings.mode, true);
    }
}

void ScopeRecorder::fireAtLocked(const std::vector<ScopeRecord> &records, std::size_t stretch,
                                 std::size_t firing)
{
    const ScopeRecord &record = records[firing];
    m_dLastFiring = record.dTime;
    m_dLastFiringValue = record.dValue[m_triggerSettings.channel];
    ++m_nFirings;
    m_cutter.open(m_triggerSettings, records, stretch, firing);
    const std::optional<double> delay = m_triggerSettings.delay;
    if (!delay || m_bCapturesOnly) {
        fireTriggerLocked(m_triggerSettings.mode);
        return;
    }
    m_bTriggerArmed = false;
    if (m_triggerSettings.mode == TriggerSettings::OpenGrab) {
        m_bounds.from = record.dTime + *delay;
        m_bCapture = true;
    } else if (m_triggerSettings.mode == TriggerSettings::EndGrab) {
        m_bounds.until = record.dTime + *delay;
    }
}

void ScopeRecorder::setCaptureRepeat(bool repeat)
{
    Tarn_LockGurad guard(&m_lockTrigger);
    m_bRepeat = repeat;
}

void ScopeRecorder::setCapturesOnly(bool on)
{
    Tarn_LockGurad guard(&m_lockTrigger);
    m_bCapturesOnly = on;
    if (on)
        m_bCapture = true;
}

std::vector<CutCapture> ScopeRecorder::takeCaptures()
{
    Tarn_LockGurad guard(&m_lockTrigger);
    return m_cutter.takeCompleted();
}

// ---- status figures ----------------------------------------------------------------

void ScopeRecorder::resetReadCycle()
{
    m_readCycle.reset();
}

ReadCycle ScopeRecorder::readCycle() const
{
    return m_readCycle.figures();
}

void ScopeRecorder::setControllerLoad(double cpu, uint32_t memKB)
{
    Tarn_LockGurad guard(&m_lockLoad);
    m_load = ControllerLoad{cpu, memKB};
}

ControllerLoad ScopeRecorder::controllerLoad() const
{
    Tarn_LockGurad guard(&m_lockLoad);
    return m_load;
}
