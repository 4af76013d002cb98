#include "ScopeSoak.h"
#include "ScopeLimits.h"
#include "SoakMemory.h"

#include "GuiWatchdog.h"
#include "ModalDialogAnswerer.h"
#include "RecorderSoak.h"
#include "ScopeCatalog.h"
#include "ScopeChannel.h"
#include "ScopeTestSupport.h"
#include "TarnPlugin_Scope.h"
#include "TarnSim.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTextStream>

#include <qwt_legend.h>
#include <qwt_legend_label.h>

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

namespace {

constexpr int kGuiSilenceLimitMs = 2000;
constexpr int kReadSilenceLimitMs = 2000;
constexpr int kSettleAfterStopMs = 150;
constexpr int kLongestRunMs = 20000;
// What Qt's caches (file dialogs, fonts, icons) add to the heap once they are warm: about
// 1.3 MB after 10 minutes and 1.4 MB after 30 in our runs. A leak keeps growing past it.
constexpr double kHeapWarmUpMB = 2.0;
const std::vector<int> kLinkLeaves{1,  2,  3,  4,  5,  7,  8,  9,  10, 12,
                                   13, 14, 15, 16, 17, 19, 20, 21, 22};
// Target ACS and Actual ACS: the companions record them, so a full selection with them
// fits beside the companions.
const std::vector<int> kCompanionLinkLeaves{1, 2};
const std::vector<int> kEndEffectorLeaves{1, 2, 4, 5, 7, 8};
const std::vector<int> kDiagnostics{1,  2,  3,  4,  5,  6,  7,  8,  9,  10,
                                    11, 12, 13, 14, 15, 16, 17, 18, 31, 32};
enum SelectionKind
{
    FullSelection,
    PlateauSelection, // a full selection, the same for both memory plateaus
    RandomSelection,
    FewChannels, // added while others sample, they grow the controller's list
    TooManyChannels
};

double residentMB()
{
    QFile statm("/proc/self/statm");
    if (!statm.open(QIODevice::ReadOnly))
        return 0.0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * sysconf(_SC_PAGESIZE) / 1048576.0 : 0.0;
}

// What the program's heap holds in live blocks, all arenas and mapped chunks included.
double heapInUseMB()
{
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd) / 1048576.0;
}

QString describe(const QStringList &messages)
{
    return messages.isEmpty() ? QString("no message") : messages.join(" | ");
}

std::vector<int> indexesOf(const std::vector<ScopeChannel> &channels)
{
    std::vector<int> indexes;
    for (const ScopeChannel &channel : channels)
        indexes.push_back(channel.binding.scopeIndex);
    return indexes;
}

QStringList titlesOf(const std::vector<ScopeChannel> &channels)
{
    QStringList titles;
    for (const ScopeChannel &channel : channels)
        titles << channel.title;
    return titles;
}

// What the controller is asked to record for these channels: those with data, each once.
std::size_t distinctChannels(const std::vector<std::vector<int>> &lists)
{
    std::set<int> used;
    for (const std::vector<int> &list : lists) {
        for (int index : list) {
            if (ScopeCatalog::carriesData(index))
                used.insert(index);
        }
    }
    return used.size();
}

// Exports and imports keep a gap record's NaN.
bool sameValue(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

} // namespace

ScopeSoak::ScopeSoak(double minutes, uint32_t seed)
    : m_seconds(minutes * 60.0), m_seed(seed), m_rng(seed)
{}

ScopeSoak::~ScopeSoak() = default;

int ScopeSoak::uniform(int lo, int hi)
{
    return std::uniform_int_distribution<int>(lo, hi)(m_rng);
}

bool ScopeSoak::chance(double p)
{
    return std::bernoulli_distribution(p)(m_rng);
}

void ScopeSoak::fail(const QString &what)
{
    std::printf("FAIL: %s\n", qPrintable(what));
    std::fflush(stdout);
    m_failures << what;
}

// ---- the run -------------------------------------------------------------------------

int ScopeSoak::run()
{
    TarnSim::reset();
    TarnSim::setCycleMs(1.0);
    TarnSim::setDeliveryLog(true);
    auto *scope = new TarnPlugin_Scope;
    m_scope.reset(scope);
    m_scope->resize(1137, 620);
    m_scope->show();
    if (!QTest::qWaitForWindowExposed(m_scope.get()))
        fail("the scope window was never exposed");
    QObject::connect(scope, &TarnPlugin_Scope::errorOccurred,
                     [this](const QString &text) { m_errors << text; });
    QObject::connect(scope, &TarnPlugin_Scope::samplingChanged, [this](bool sampling) {
        if (!sampling)
            noteMainStopped();
    });
    startRecordingToFile();
    m_recorder = std::make_unique<RecorderSoak>(m_dir.filePath("recorder"));
    m_recorder->start();
    for (const auto &[name, set] :
         {std::pair<const char *, int>{"companion A", 0}, {"companion B", 1}})
        m_companions.push_back(std::make_unique<CompanionScope>(
            name, set, [this] { collectDeliveries(); }, m_history.reads()));
    m_watchdog = std::make_unique<GuiWatchdog>(kGuiSilenceLimitMs);
    m_watchdog->start();
    QElapsedTimer total;
    total.start();
    std::printf("scope soak: %.1f min, seed %u, 1 kHz, three scopes share the controller (the "
                "main one up to 36 channels, two companions 6 or 12 of them), offscreen\n",
                m_seconds / 60.0, m_seed);

    // Dialogs and message boxes load their caches once; the first plateau comes after.
    m_watchdog->setPhase("warm-up");
    for (const auto &companion : m_companions)
        startCompanion(*companion);
    confirmSelection(TooManyChannels);
    confirmSelection(FullSelection);
    start(false, false);
    pump(2000);
    stopByButton();
    exportAndImport();

    const double plateauSeconds = std::clamp(m_seconds / 5.0, 45.0, 120.0);
    const Plateau first = plateau(plateauSeconds, "first plateau");
    const double randomSeconds =
        std::max(20.0, m_seconds - plateauSeconds - total.elapsed() / 1000.0);
    randomPhase(randomSeconds);
    const Plateau last = plateau(plateauSeconds, "last plateau");
    if (isSampling())
        stopByButton();
    m_watchdog->setPhase("shut-down");
    for (const auto &companion : m_companions) {
        if (companion->isSampling())
            stopCompanion(*companion);
    }
    // Reading the files back takes the GUI thread for a while: the watchdog has done its part.
    const long long longestSilence = m_watchdog->longestSilenceMs();
    m_watchdog.reset();
    checkRecordedFiles();
    for (const QString &failure : m_recorder->finish())
        fail(failure);

    const Counts &c = m_counts;
    std::printf("ran %.1f s\n", total.elapsed() / 1000.0);
    std::printf("selections: %d confirmed, %d refused (over 36 channels); refused beside the "
                "companions (over 36 together): %d set-ups, %d starts\n",
                c.confirmed, c.refused, c.setupsRefusedBesideOthers, c.startsRefusedBesideOthers);
    std::printf("period changes: %d; starts: %d; stops: %d by button, %d on robot error; "
                "errors ignored with the box off: %d\n",
                c.periods, c.starts, c.stops, c.errorStops, c.errorsIgnored);
    std::printf("triggers armed: %d; legend entries toggled: %d\n", c.triggers, c.legendClicks);
    std::printf("exports: %d checked, %d refused as empty; imports checked: %d\n", c.exports,
                c.emptyExports, c.imports);
    std::printf("records delivered: %llu; samples checked on the curves after Stop: %llu; gap "
                "records on them: %llu (%d recordings begin with one)\n",
                static_cast<unsigned long long>(c.delivered),
                static_cast<unsigned long long>(c.verified),
                static_cast<unsigned long long>(c.gaps), c.recordingsStartingWithGap);
    for (const auto &companion : m_companions) {
        const CompanionScope::Figures &f = companion->figures();
        std::printf(
            "%s: %d recordings checked, %llu records (%llu gap records); re-chosen %d "
            "times; refused beside the others: %d starts, %d set-ups\n",
            qPrintable(companion->name()), f.checks, static_cast<unsigned long long>(f.records),
            static_cast<unsigned long long>(f.gaps), f.rechosen, f.refusedStarts, f.refusedSetups);
    }
    std::printf(
        "read during a stop and missing from the curves: %d; recordings that begin after their "
        "epoch's first read: %d; recordings without a data channel: %d\n",
        c.lateBatches, c.droppedFirstBatches, c.unobservable);
    std::printf("longest GUI silence: %lld ms (limit %d ms)\n", longestSilence, kGuiSilenceLimitMs);
    m_recorder->printFigures();
    for (const auto &[name, p] : {std::pair<const char *, Plateau>{"first", first}, {"last", last}})
        std::printf("resident memory, %s plateau (10 s window, 36 channels, both companions "
                    "sampling): %.1f..%.1f MB, "
                    "median %.1f MB over %d samples (spread %.1f %%); %.1f MB before the "
                    "allocator's free pages were trimmed\n",
                    name, p.minMB, p.maxMB, p.medianMB, p.samples,
                    100.0 * (p.maxMB - p.minMB) / p.minMB, p.untrimmedMB);
    // Resident memory between the plateaus also counts the allocator's fragmentation and
    // Qt's caches (fonts, icons, file system); a leak shows in the heap's live blocks.
    const double drift = 100.0 * (last.medianMB - first.medianMB) / first.medianMB;
    const double heapDrift = 100.0 * (last.heapMB - first.heapMB) / first.heapMB;
    std::printf("last plateau against the first: resident memory %+.1f %%, heap in use %.1f -> "
                "%.1f MB (%+.1f %%)\n",
                drift, first.heapMB, last.heapMB, heapDrift);
    if (!SoakMemory::kMeaningful)
        std::printf("memory not checked: sanitizer build\n");
    else if (std::fabs(heapDrift) > 100.0 * SoakMemory::kTolerance &&
             std::fabs(last.heapMB - first.heapMB) > kHeapWarmUpMB)
        fail(QString("the heap in use moved %1 % between the plateaus").arg(heapDrift, 0, 'f', 1));

    m_companions.clear();
    m_scope.reset();
    std::printf("%s: %d failure(s)\n", m_failures.isEmpty() ? "PASS" : "FAIL",
                static_cast<int>(m_failures.size()));
    return m_failures.isEmpty() ? 0 : 1;
}

ScopeSoak::Plateau ScopeSoak::plateau(double seconds, const char *name)
{
    m_watchdog->setPhase(name);
    if (isSampling())
        stopByButton();
    for (const auto &companion : m_companions) {
        if (!companion->isSampling())
            startCompanion(*companion);
    }
    confirmSelection(PlateauSelection);
    setPeriod(QString::number(ScopeLimits::kDefaultPeriodMs));
    // Pages the allocator kept from the larger windows of the random phase are not growth;
    // what it held before handing them back is reported too.
    const double untrimmedMB = residentMB();
    malloc_trim(0);
    start(false, false);
    // The first read brings up to 10 s of backlog, so the window is full at once; the
    // buffer's storage settles once it has dropped a window's worth, a period later.
    const int fillMs = 25000;
    pump(fillMs);
    m_rssMB.clear();
    m_heapMB.clear();
    m_measuring = true;
    pump(std::max(5000, static_cast<int>(seconds * 1000) - fillMs));
    m_measuring = false;
    stopByButton();

    Plateau p;
    std::vector<double> sorted = m_rssMB;
    std::sort(sorted.begin(), sorted.end());
    if (sorted.empty())
        return p;
    p.minMB = sorted.front();
    p.maxMB = sorted.back();
    p.medianMB = sorted[sorted.size() / 2];
    p.samples = static_cast<int>(sorted.size());
    p.untrimmedMB = untrimmedMB;
    std::sort(m_heapMB.begin(), m_heapMB.end());
    p.heapMB = m_heapMB[m_heapMB.size() / 2];
    if (SoakMemory::kMeaningful && p.maxMB > p.minMB * (1.0 + SoakMemory::kTolerance))
        fail(QString("%1: resident memory grew from %2 to %3 MB with a constant window")
                 .arg(name)
                 .arg(p.minMB)
                 .arg(p.maxMB));
    return p;
}

void ScopeSoak::randomPhase(double seconds)
{
    m_watchdog->setPhase("random schedule");
    QElapsedTimer phase;
    phase.start();
    while (phase.elapsed() < seconds * 1000.0) {
        if (isSampling())
            samplingStep();
        else
            stoppedStep();
        companionStep();
    }
}

// Now and then a companion takes its other set while sampling, or stops, is checked, perhaps
// takes its other set, and starts again a step or two later (unless the main scope's channels
// leave it no room). A set that adds channels to a full controller list rebuilds it: the
// other scopes' recordings get a gap.
void ScopeSoak::companionStep()
{
    for (const auto &companion : m_companions) {
        const int roll = uniform(0, 99);
        if (!companion->isSampling()) {
            if (roll < 50)
                startCompanion(*companion);
        } else if (roll < 4) {
            stopCompanion(*companion);
            if (chance(0.5))
                rechooseCompanion(*companion);
        } else if (roll < 12) {
            rechooseCompanion(*companion);
        }
    }
}

void ScopeSoak::stoppedStep()
{
    const bool needSelection = m_indexes.empty() || m_selectionRefused;
    if (needSelection || chance(0.3)) {
        const int roll = uniform(0, 99);
        confirmSelection(roll < 15 ? TooManyChannels : roll < 60 ? FullSelection : RandomSelection);
    }
    if (chance(0.25))
        randomPeriod();
    start(chance(0.3), chance(0.4));
}

void ScopeSoak::samplingStep()
{
    const int roll = uniform(0, 99);
    if (roll < 35)
        pump(uniform(200, 2500));
    else if (roll < 47)
        randomPeriod();
    else if (roll < 55)
        confirmSelection(uniform(0, 99) < 15   ? TooManyChannels
                         : uniform(0, 99) < 40 ? FewChannels
                                               : RandomSelection);
    else if (roll < 65)
        toggleLegendEntries();
    else if (roll < 75)
        injectError();
    else if (m_runTimer.elapsed() > 2000)
        stopByButton();
    else
        pump(100);
    if (isSampling() && m_runTimer.elapsed() > kLongestRunMs)
        stopByButton();
    if (!isSampling() && chance(0.5))
        exportAndImport();
}

// ---- driving the widget --------------------------------------------------------------

bool ScopeSoak::isSampling() const
{
    return ScopeTest::child(m_scope.get(), "ScopePlugin_btn_StartScope")->isHidden();
}

std::vector<ScopeChannel> ScopeSoak::dialogSelection() const
{
    const QScopeSetting *dialog = ScopeTest::dialogOf(m_scope.get());
    return selectedChannels(dialog->componentSelection(), dialog->linkSelection(),
                            dialog->endEffectorSelection());
}

// Whether the main scope may sample these channels beside the companions that sample.
bool ScopeSoak::fitsBesideCompanions(const std::vector<int> &indexes) const
{
    std::vector<std::vector<int>> lists{indexes};
    for (const auto &companion : m_companions) {
        if (companion->isSampling())
            lists.push_back(companion->indexes());
    }
    return distinctChannels(lists) <= static_cast<std::size_t>(ScopeLimits::kMaxChannels);
}

// Runs an action that may open modal dialogs and answers them the way a user would.
QStringList ScopeSoak::answering(const std::function<void()> &action, const QString &fileName)
{
    ModalDialogAnswerer answerer(fileName);
    answerer.start();
    action();
    QElapsedTimer timer;
    timer.start();
    while (QApplication::activeModalWidget() && timer.elapsed() < 15000)
        pump(20);
    answerer.stop();
    if (answerer.gaveUp())
        fail("a dialog stayed open: " + describe(answerer.messages()));
    return answerer.messages();
}

void ScopeSoak::chooseSelection(int kind)
{
    QWidget *dialog = ScopeTest::dialogOf(m_scope.get());
    for (const char *button :
         {"Kvel_Scope_btn_SetCompUnSelectAll", "Kvel_Scope_btn_SetLinkUnSelectAll",
          "Kvel_Scope_btn_SetEndUnSelectAll"})
        ScopeTest::click(dialog, button);
    std::vector<int> links = kLinkLeaves;
    std::shuffle(links.begin(), links.end(), m_rng);
    auto check = [this](const char *tree, int id) {
        ScopeTest::checkRows(m_scope.get(), tree, {id});
    };
    if (kind == FullSelection || kind == PlateauSelection) {
        links.erase(std::remove_if(links.begin(), links.end(),
                                   [](int id) {
                                       return std::count(kCompanionLinkLeaves.begin(),
                                                         kCompanionLinkLeaves.end(), id) > 0;
                                   }),
                    links.end());
        links.insert(links.begin(), kCompanionLinkLeaves.begin(), kCompanionLinkLeaves.end());
    }
    if (kind == PlateauSelection) {
        if (m_plateauLinks.empty())
            m_plateauLinks.assign(links.begin(), links.begin() + 6);
        links = m_plateauLinks;
    }
    if (kind == FewChannels) {
        for (int j = uniform(1, 2); j > 0; --j)
            check("Kvel_Scope_tree_SetComponent", AXIS_J1 + j - 1);
        for (int k = uniform(1, 3); k > 0; --k)
            check("Kvel_Scope_tree_SetLink", links[static_cast<std::size_t>(k - 1)]);
        return;
    }
    if (kind != RandomSelection) {
        for (int j = 0; j < 6; ++j)
            check("Kvel_Scope_tree_SetComponent", AXIS_J1 + j);
        for (int k = 0; k < (kind == TooManyChannels ? uniform(7, 10) : 6); ++k)
            check("Kvel_Scope_tree_SetLink", links[static_cast<std::size_t>(k)]);
        return;
    }
    const int joints = uniform(0, 6);
    const int linkCount = joints ? uniform(1, std::min(6, 36 / joints)) : 0;
    const int carts = uniform(0, 6);
    const int room = 36 - joints * linkCount;
    const int endCount =
        carts ? uniform(0, std::min<int>(kEndEffectorLeaves.size(), room / carts)) : 0;
    const int diagnostics =
        uniform(room - carts * endCount > 0 ? 1 : 0, std::min(6, room - carts * endCount));
    for (int j = 0; j < joints; ++j)
        check("Kvel_Scope_tree_SetComponent", AXIS_J1 + j);
    for (int k = 0; k < linkCount; ++k)
        check("Kvel_Scope_tree_SetLink", links[static_cast<std::size_t>(k)]);
    for (int c = 0; c < carts; ++c)
        check("Kvel_Scope_tree_SetComponent", AXIS_X + c);
    std::vector<int> ends = kEndEffectorLeaves;
    std::shuffle(ends.begin(), ends.end(), m_rng);
    for (int k = 0; k < endCount; ++k)
        check("Kvel_Scope_tree_SetEndEffector", ends[static_cast<std::size_t>(k)]);
    std::vector<int> diags = kDiagnostics;
    std::shuffle(diags.begin(), diags.end(), m_rng);
    for (int k = 0; k < diagnostics; ++k)
        check("Kvel_Scope_tree_SetComponent", diags[static_cast<std::size_t>(k)]);
}

void ScopeSoak::confirmSelection(int kind)
{
    auto *scope = static_cast<TarnPlugin_Scope *>(m_scope.get());
    auto *dialog = ScopeTest::dialogOf(scope);
    ScopeTest::click(scope, "ScopePlugin_btn_Setting");
    chooseSelection(kind);
    const std::vector<ScopeChannel> chosen = dialogSelection();
    const std::size_t channels = chosen.size();
    const bool refused = channels > static_cast<std::size_t>(ScopeLimits::kMaxChannels);
    if (refused != (kind == TooManyChannels))
        fail(QString("the soak chose %1 channels for selection kind %2").arg(channels).arg(kind));
    const bool crowded = !refused && isSampling() && !fitsBesideCompanions(indexesOf(chosen));
    const QStringList before = scope->channels();
    collectDeliveries();
    const std::size_t batchBefore = m_history.batches();
    m_errors.clear();
    const QStringList messages =
        answering([dialog] { ScopeTest::click(dialog, "Kvel_Scope_btn_SetOK"); });
    if (refused) {
        ++m_counts.refused;
        if (!describe(messages).contains("36") || scope->channels() != before)
            fail(QString("%1 channels were not refused: %2").arg(channels).arg(describe(messages)));
        // Nothing changes: a running recording goes on with its channels.
        m_selectionRefused = true;
        return;
    }
    if (crowded) {
        // Refused without a box, the dialog's checks put back.
        ++m_counts.setupsRefusedBesideOthers;
        if (!messages.isEmpty() || !m_errors.join(" | ").contains("other scopes use") ||
            scope->channels() != before || indexesOf(dialogSelection()) != m_indexes)
            fail(QString("a set-up of %1 channels beside the companions was not refused as it "
                         "should: %2; said %3")
                     .arg(channels)
                     .arg(describe(messages), describe(m_errors)));
        return;
    }
    ++m_counts.confirmed;
    if (!messages.isEmpty() || scope->channels() != titlesOf(chosen))
        fail(QString("confirming %1 channels: %2; said %3")
                 .arg(channels)
                 .arg(describe(messages), describe(m_errors)));
    m_selectionRefused = false;
    // A stopped scope leaves the controller alone; one that samples subscribes anew.
    if (!isSampling())
        return;
    beginEpoch(true);
    m_history.excuse(batchBefore - std::min(batchBefore, kBatchesBefore),
                     m_history.batches() + kBatchesAfter);
}

void ScopeSoak::setPeriod(const QString &text)
{
    ScopeTest::child<QLineEdit>(m_scope.get(), "ScopePlugin_edit_PeriodTime")->setText(text);
    m_period = shownPeriod();
    m_rules.windowMin = std::min(m_rules.windowMin, static_cast<double>(m_period));
    m_rules.windowMax = std::max(m_rules.windowMax, static_cast<double>(m_period));
    ++m_counts.periods;
}

int ScopeSoak::shownPeriod() const
{
    const QString text =
        ScopeTest::child<QLineEdit>(m_scope.get(), "ScopePlugin_edit_PeriodTime")->text();
    return std::max(ScopeLimits::kMinPeriodMs, text.toInt());
}

void ScopeSoak::randomPeriod()
{
    if (chance(0.05)) {
        const char *const odd[] = {"", "0", "7", "10"};
        setPeriod(odd[uniform(0, 3)]);
        return;
    }
    const double exponent = std::uniform_real_distribution<double>(1.0, 6.0)(m_rng);
    setPeriod(QString::number(std::min(999999, static_cast<int>(std::pow(10.0, exponent)))));
}

void ScopeSoak::setStopWhenError(bool on)
{
    auto *box = ScopeTest::child<QCheckBox>(m_scope.get(), "cb_StopWhenError");
    if (box->isChecked() != on)
        box->click();
    m_stopWhenError = on;
}

// A lone radio button: a click toggles it, as it does for the operator.
void ScopeSoak::setTriggerOn(bool on)
{
    auto *radio = ScopeTest::child<QAbstractButton>(m_scope.get(), "cb_Trigger");
    if (radio->isChecked() != on)
        radio->click();
    if (radio->isChecked() != on)
        fail("the trigger radio button does not follow clicks");
}

void ScopeSoak::armTrigger()
{
    QWidget *scope = m_scope.get();
    auto *channels = ScopeTest::child<QComboBox>(scope, "Kvel_Scope_cmb_TriggerSel");
    auto *mode = ScopeTest::child<QComboBox>(scope, "Kvel_Scope_cmb_TriggerFS");
    setTriggerOn(true);
    mode->setCurrentIndex(uniform(0, 1));
    ScopeTest::child<QComboBox>(scope, "Kvel_Scope_cmb_TriggerCondition")
        ->setCurrentIndex(uniform(0, 1));
    ScopeTest::child<QCheckBox>(scope, "cb_AbsoluteValue")->setChecked(chance(0.3));
    if (channels->count() > 0)
        channels->setCurrentIndex(uniform(0, channels->count() - 1));
    // A threshold the channel crosses within a few seconds, most of the time.
    const int slot = channels->currentIndex();
    double threshold = 0.0;
    if (slot >= 0 && static_cast<std::size_t>(slot) < m_indexes.size()) {
        const double from = m_log.isEmpty() ? 0.0 : m_log.times().back();
        const double t = from + uniform(0, 8000);
        threshold = TarnSim::sampleValue(m_indexes[static_cast<std::size_t>(slot)], t);
    }
    ScopeTest::child<QLineEdit>(scope, "Kvel_Scope_edit_TriggerThreshold")
        ->setText(QString::number(threshold, 'f', 3));
    m_rules.capture = mode->currentIndex() == 0 ? RecordingRules::Capture::FromTrigger
                                                : RecordingRules::Capture::UntilTrigger;
    ++m_counts.triggers;
}

void ScopeSoak::start(bool withTrigger, bool stopWhenError)
{
    m_rules = RecordingRules();
    if (withTrigger)
        armTrigger();
    else
        setTriggerOn(false);
    setStopWhenError(stopWhenError);
    const std::vector<ScopeChannel> chosen = dialogSelection();
    const bool refused = chosen.size() > static_cast<std::size_t>(ScopeLimits::kMaxChannels);
    const bool crowded = !refused && !fitsBesideCompanions(indexesOf(chosen));
    collectDeliveries();
    m_errors.clear();
    const QStringList messages = answering([this] { ScopeTest::start(m_scope.get()); });
    if (refused) { // the scope stays stopped
        if (!describe(messages).contains("36") || isSampling())
            fail("Start with a refused selection: " + describe(messages));
        return;
    }
    if (crowded) { // a warning box names the refusal; the scope stays stopped
        ++m_counts.startsRefusedBesideOthers;
        if (isSampling() || !describe(messages).contains("other scopes use") ||
            !m_errors.join(" | ").contains("other scopes use"))
            fail(QString("Start with %1 channels beside the companions was not refused as it "
                         "should: %2; said %3")
                     .arg(chosen.size())
                     .arg(describe(messages), describe(m_errors)));
        m_selectionRefused = true;
        return;
    }
    if (!isSampling()) {
        fail(QString("Start did not start sampling: %1; said %2")
                 .arg(describe(messages), describe(m_errors)));
        return;
    }
    beginEpoch(false);
    m_runStartBatch = m_history.batches();
    m_history.excuse(m_runStartBatch - std::min(m_runStartBatch, kBatchesBefore),
                     m_runStartBatch + kBatchesAfter);
    // The import sets the period from the file it loads; the edit always shows it.
    m_period = shownPeriod();
    m_rules.windowMin = m_rules.windowMax = m_period;
    m_runTimer.start();
    m_sinceDelivery.start();
    ++m_counts.starts;
}

// Stops between two reads, so no read step is in flight when the curves get their
// final refresh.
void ScopeSoak::stopByButton()
{
    const uint64_t delivered = m_counts.delivered;
    QElapsedTimer timer;
    timer.start();
    while (m_counts.delivered == delivered && timer.elapsed() < 500) {
        QTest::qWait(1);
        collectDeliveries();
    }
    QTest::qWait(5);
    collectDeliveries();
    ScopeTest::stop(m_scope.get());
    ++m_counts.stops;
    pump(kSettleAfterStopMs);
    checkRecording(false);
}

void ScopeSoak::injectError()
{
    TarnSim::setErrorFlag(true);
    if (m_stopWhenError) {
        QElapsedTimer timer;
        timer.start();
        while (isSampling() && timer.elapsed() < 3000)
            pump(20);
        if (isSampling()) {
            fail("\"Stop when Error\" did not stop sampling within 3 s");
            stopByButton();
        } else {
            ++m_counts.errorStops;
            pump(kSettleAfterStopMs);
            checkRecording(true);
        }
    } else {
        pump(uniform(800, 1500));
        ++m_counts.errorsIgnored;
        if (!isSampling())
            fail("sampling stopped on a robot error with \"Stop when Error\" off");
    }
    TarnSim::setErrorFlag(false);
}

void ScopeSoak::toggleLegendEntries()
{
    QwtScope *plot = ScopeTest::plotOf(m_scope.get());
    auto *legend = qobject_cast<QwtLegend *>(plot->legend());
    const QwtPlotItemList items = plot->itemList(QwtPlotItem::Rtti_PlotCurve);
    if (!legend || items.isEmpty())
        return;
    for (int n = uniform(1, 3); n > 0; --n) {
        QwtPlotItem *item = items[uniform(0, items.size() - 1)];
        auto *label = qobject_cast<QwtLegendLabel *>(legend->legendWidget(plot->itemToInfo(item)));
        if (!label)
            continue;
        QTest::mouseClick(label, Qt::LeftButton);
        ++m_counts.legendClicks;
    }
    pump(50);
    for (QwtPlotItem *item : items) {
        auto *label = qobject_cast<QwtLegendLabel *>(legend->legendWidget(plot->itemToInfo(item)));
        if (label && label->isChecked() == item->isVisible())
            fail(QString("legend entry \"%1\" is %2 but its curve is %3")
                     .arg(item->title().text(), label->isChecked() ? "checked" : "unchecked",
                          item->isVisible() ? "shown" : "hidden"));
    }
}

// ---- following the controller --------------------------------------------------------

void ScopeSoak::pump(int ms)
{
    QElapsedTimer timer;
    timer.start();
    qint64 nextSample = 0;
    while (timer.elapsed() < ms) {
        QTest::qWait(std::min<int>(10, std::max<qint64>(1, ms - timer.elapsed())));
        collectDeliveries();
        watchReads();
        if (m_measuring && timer.elapsed() >= nextSample) {
            m_rssMB.push_back(residentMB());
            m_heapMB.push_back(heapInUseMB());
            nextSample = timer.elapsed() + 500;
        }
    }
}

// A scope that samples reads every 51 ms; a longer silence means its thread is stuck.
void ScopeSoak::watchReads()
{
    if (!isSampling() || m_sinceDelivery.elapsed() < kReadSilenceLimitMs) {
        m_readsStuckReported = false;
        return;
    }
    if (!m_readsStuckReported)
        fail(
            QString("no record delivered for %1 ms while sampling").arg(m_sinceDelivery.elapsed()));
    m_readsStuckReported = true;
}

void ScopeSoak::collectDeliveries()
{
    for (const DeliveredRead &read : DeliveredReads::group(TarnSim::takeDeliveries())) {
        m_sinceDelivery.start();
        m_counts.delivered += read.times.size();
        const std::size_t number = m_history.batches();
        m_history.addRead(read, m_epoch, m_straddling);
        if (m_mainSampling)
            m_log.addRead(read);
        else
            m_history.excuse(number, number + 1);
    }
}

// The main scope subscribed anew (Start, or a set-up while sampling) with the dialog's
// channels: what it records from now on follows them.
void ScopeSoak::beginEpoch(bool straddles)
{
    ++m_epoch;
    m_indexes = indexesOf(dialogSelection());
    m_history.noteIndexes(m_epoch, m_indexes);
    m_log.clear();
    m_mainSampling = true;
    m_straddling = straddles;
    collectDeliveries(); // read while it subscribed
    m_straddling = false;
    m_log.noteSubscribed();
}

// From the main scope's samplingChanged: what was read meanwhile may or may not be on its
// curves, what comes after is not.
void ScopeSoak::noteMainStopped()
{
    if (!m_mainSampling)
        return;
    const std::size_t reads = m_log.reads().reads();
    collectDeliveries();
    m_readsDuringStop = m_log.reads().reads() - reads;
    m_mainSampling = false;
    m_stopBatch = m_history.batches();
    m_history.excuse(m_stopBatch - std::min(m_stopBatch, kBatchesBefore),
                     m_stopBatch + kBatchesAfter);
}

std::vector<CurveSamples> ScopeSoak::attachedCurves() const
{
    std::vector<CurveSamples> curves;
    const QwtPlotItemList items =
        ScopeTest::plotOf(m_scope.get())->itemList(QwtPlotItem::Rtti_PlotCurve);
    for (int k = 0; k < items.size(); ++k) {
        const auto *curve = static_cast<const QwtPlotCurve *>(items[k]);
        CurveSamples samples;
        samples.scopeIndex = static_cast<std::size_t>(k) < m_indexes.size()
                                 ? m_indexes[static_cast<std::size_t>(k)]
                                 : -1;
        for (size_t i = 0; i < curve->dataSize(); ++i) {
            const QPointF p = curve->sample(static_cast<int>(i));
            samples.x << p.x();
            samples.y << p.y();
        }
        curves.push_back(std::move(samples));
    }
    return curves;
}

void ScopeSoak::checkRecording(bool stoppedByWidget)
{
    collectDeliveries();
    // A run with a trigger records only part of what was delivered.
    if (m_rules.capture != RecordingRules::Capture::Always)
        m_history.excuse(m_runStartBatch - std::min(m_runStartBatch, kBatchesBefore),
                         m_stopBatch + kBatchesAfter);
    if (isSampling())
        fail("still sampling after Stop");
    RecordingRules rules = m_rules;
    rules.lastReadsMayMiss = m_readsDuringStop + (stoppedByWidget ? 1 : 0);
    const std::vector<CurveSamples> curves = attachedCurves();
    if (curves.size() != m_indexes.size())
        fail(
            QString("%1 curves attached for %2 channels").arg(curves.size()).arg(m_indexes.size()));
    // Channels without data ("NULL") get no samples; the others are checked together.
    std::vector<CurveSamples> data;
    for (const CurveSamples &curve : curves) {
        if (curve.scopeIndex >= 1 && curve.scopeIndex <= 182)
            data.push_back(curve);
        else if (!curve.x.isEmpty())
            fail(QString("the curve of index %1 holds samples").arg(curve.scopeIndex));
    }
    if (data.empty()) {
        ++m_counts.unobservable;
        return;
    }
    const RecordingVerdict verdict = ::checkRecording(m_log, rules, data, TarnSim::sampleValue);
    m_counts.verified += verdict.samples * data.size();
    m_counts.gaps += verdict.gaps;
    m_counts.recordingsStartingWithGap += verdict.startsWithGap ? 1 : 0;
    m_counts.lateBatches += verdict.lastBatchMissed ? 1 : 0;
    m_counts.droppedFirstBatches += verdict.firstBatchDropped ? 1 : 0;
    if (!verdict.error.isEmpty())
        fail(QString("recording of %1 channels, period %2..%3 ms, capture %4, %5 records in %6 "
                     "reads delivered (%7 of them may be dropped, %8 missed at the stop): %9")
                 .arg(data.size())
                 .arg(rules.windowMin)
                 .arg(rules.windowMax)
                 .arg(static_cast<int>(rules.capture))
                 .arg(m_log.times().size())
                 .arg(m_log.reads().reads())
                 .arg(m_log.readsTheScopeMayDrop())
                 .arg(rules.lastReadsMayMiss)
                 .arg(verdict.error));
}

// ---- the companions ------------------------------------------------------------------

// Whether these channels of a companion fit beside those of the other sampling scopes.
bool ScopeSoak::companionFits(const CompanionScope &companion,
                              const std::vector<int> &indexes) const
{
    std::vector<std::vector<int>> lists{indexes};
    if (m_mainSampling)
        lists.push_back(m_indexes);
    for (const auto &other : m_companions) {
        if (other.get() != &companion && other->isSampling())
            lists.push_back(other->indexes());
    }
    return distinctChannels(lists) <= static_cast<std::size_t>(ScopeLimits::kMaxChannels);
}

void ScopeSoak::startCompanion(CompanionScope &companion)
{
    const QString error = companion.start(companionFits(companion, companion.indexes()));
    if (!error.isEmpty())
        fail(error);
}

void ScopeSoak::rechooseCompanion(CompanionScope &companion)
{
    const QString error =
        companion.chooseOtherSet(companionFits(companion, companion.otherSetIndexes()));
    if (!error.isEmpty())
        fail(error);
}

void ScopeSoak::stopCompanion(CompanionScope &companion)
{
    const QString error = companion.stopAndCheck();
    if (!error.isEmpty())
        fail(error);
}

// ---- scope files -----------------------------------------------------------------------

void ScopeSoak::exportAndImport()
{
    const std::vector<CurveSamples> curves = attachedCurves();
    const bool hasData = std::any_of(curves.begin(), curves.end(),
                                     [](const CurveSamples &c) { return !c.x.isEmpty(); });
    const QString fileName = m_dir.filePath(QString("export_%1.csv").arg(++m_files));
    const QStringList messages = answering(
        [this] { ScopeTest::click(m_scope.get(), "ScopePlugin_btn_ExportScope"); }, fileName);
    if (!hasData) {
        ++m_counts.emptyExports;
        if (!describe(messages).contains("ERROR:Empty ScopeData!") || QFile::exists(fileName))
            fail("export without data: " + describe(messages));
        return;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        fail("the export wrote no file: " + describe(messages));
        return;
    }
    QStringList lines;
    while (!file.atEnd())
        lines << QString::fromUtf8(file.readLine()).trimmed();
    file.close();
    ++m_counts.exports;
    const int rows = curves.empty() ? 0 : curves.front().x.size();
    if (lines.size() != rows + 1 ||
        lines[0].split(',').size() != static_cast<int>(curves.size()) + 1) {
        fail(QString("the export has %1 lines for %2 samples of %3 curves")
                 .arg(lines.size())
                 .arg(rows)
                 .arg(curves.size()));
        return;
    }
    auto near = [](double a, double b) {
        return sameValue(a, b) || std::fabs(a - b) <= 0.0005 + 1e-12 * std::fabs(b);
    };
    std::vector<QStringList> table;
    for (int r = 0; r < rows; ++r) {
        const QStringList fields = lines[r + 1].split(',');
        bool equal = fields.size() == static_cast<int>(curves.size()) + 1 &&
                     near(fields[0].toDouble(), curves.front().x[r]);
        for (std::size_t c = 0; equal && c < curves.size(); ++c)
            equal = near(fields[static_cast<int>(c) + 1].toDouble(), curves[c].y[r]);
        if (!equal) {
            fail(QString("export row %1 \"%2\" differs from the curves").arg(r).arg(lines[r + 1]));
            return;
        }
        table.push_back(fields);
    }
    if (chance(0.5)) {
        answering([this] { ScopeTest::click(m_scope.get(), "ScopePlugin_btn_ImportScope"); },
                  fileName);
        ++m_counts.imports;
        m_indexes.clear(); // the import empties the selection
        const std::vector<CurveSamples> loaded = attachedCurves();
        bool equal = loaded.size() == curves.size();
        for (std::size_t c = 0; equal && c < loaded.size(); ++c) {
            equal = loaded[c].x.size() == rows;
            for (int r = 0; equal && r < rows; ++r)
                equal = loaded[c].x[r] == table[r][0].toDouble() &&
                        sameValue(loaded[c].y[r], table[r][static_cast<int>(c) + 1].toDouble());
        }
        if (!equal)
            fail(QString("the import of %1 curves x %2 rows differs from the file")
                     .arg(curves.size())
                     .arg(rows));
    }
    QFile::remove(fileName);
}

// ---- the recording to disk ---------------------------------------------------------------

// The whole run goes to disk, in files of about 8 MB, so rotation is exercised too.
void ScopeSoak::startRecordingToFile()
{
    auto *scope = static_cast<TarnPlugin_Scope *>(m_scope.get());
    m_recordFile = m_dir.filePath("recording.csv");
    // 1 kHz, with room for the backlog of reads after a pause and the shut-down.
    m_history.reserve(static_cast<std::size_t>((m_seconds + 120.0) * 1500.0));
    scope->setRecordingRotation(0, 8);
    QString error;
    if (!scope->startRecordingToFile(m_recordFile, &error))
        fail("recording to disk did not start: " + error);
}

// Afterwards the files hold exactly the records the controller delivered while the scope
// recorded them, in order, once each.
void ScopeSoak::checkRecordedFiles()
{
    auto *scope = static_cast<TarnPlugin_Scope *>(m_scope.get());
    pump(kSettleAfterStopMs);
    collectDeliveries();
    if (!scope->isRecordingToFile())
        fail("the recording to disk ended during the run");
    const qint64 lost = scope->recordingLostRecords();
    QSignalSpy complete(scope, &TarnPlugin_Scope::recordingToFileChanged);
    scope->stopRecordingToFile();
    QElapsedTimer waited;
    waited.start();
    while (complete.isEmpty() && waited.elapsed() < 10000)
        pump(10);
    if (complete.isEmpty())
        fail("the recorded file was not complete 10 s after recording to disk stopped");
    QStringList files{m_recordFile};
    const auto numbered = [this](int n) {
        return m_dir.filePath(QString("recording_%1.csv").arg(n, 3, 10, QLatin1Char('0')));
    };
    for (int n = 2; QFile::exists(numbered(n)); ++n)
        files << numbered(n);
    qint64 bytes = 0;
    for (const QString &file : files)
        bytes += QFileInfo(file).size();
    const RecordedFileVerdict verdict =
        RecordedFileCheck::check(files, m_history, TarnSim::sampleValue);
    std::printf("recording to disk: %zu file(s) (%zu begin with a gap row, %zu hold only "
                "that), %.1f MB, %zu rows (%zu gap rows) checked against %zu records delivered "
                "(%zu rightly not recorded: stopped, starts, stops, set-ups, triggers; %zu "
                "dropped for rebuilt lists), %lld lost\n",
                verdict.files, verdict.filesStartingWithGap, verdict.filesOfGapRowsOnly,
                bytes / 1048576.0, verdict.rows, verdict.gapRows, m_history.times().size(),
                verdict.missingExcused, verdict.droppedForGaps, static_cast<long long>(lost));
    if (lost > 0)
        fail(QString("%1 records lost on the way to disk").arg(lost));
    if (!verdict.error.isEmpty())
        fail("recording to disk: " + verdict.error);
    for (const QString &file : files)
        QFile::remove(file);
}
