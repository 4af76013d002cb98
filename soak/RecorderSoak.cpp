#include "RecorderSoak.h"

#include "ScopeFile.h"
#include "ScopeFileMeta.h"
#include "SoakMemory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <csignal>
#include <cstdio>

namespace {

const QStringList kQuantities{"Target ACS",      "Actual ACS", "Target JointVel",
                              "Actual JointVel", "Target Cur", "Actual Cur"};
constexpr int kWindowMs = 10000;
// The window fills in its 10 s and the kept captures reach their bound of two (about one a
// window fires); the plateau is measured over the half minute after.
constexpr int kKeptCaptures = 2;
constexpr int kWarmUpSeconds = 40;
constexpr int kPlateauSeconds = 30;
constexpr int kStopTimeoutMs = 60000;
// A read in flight when sampling stops is delivered but never appended.
constexpr long kMostUnappendedTail = 1000;

QString channels()
{
    QStringList titles;
    for (int joint = 1; joint <= 6; ++joint)
        for (const QString &quantity : kQuantities)
            titles << QStringLiteral("J%1 %2").arg(joint).arg(quantity);
    return titles.join(',');
}

double residentMB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0.0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').at(0).toDouble() / 1024.0;
    return 0.0;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::nth_element(values.begin(), values.begin() + long(values.size() / 2), values.end());
    return values[values.size() / 2];
}

} // namespace

RecorderSoak::RecorderSoak(const QString &folder) : m_folder(folder)
{
    m_sampler.setInterval(1000);
    QObject::connect(&m_sampler, &QTimer::timeout, [this] { sampleMemory(); });
}

RecorderSoak::~RecorderSoak()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

bool RecorderSoak::start()
{
    const QString library = QDir(m_folder).filePath(QStringLiteral("controller/") +
                                                    QFileInfo(TARN_PROD_STANDIN_PATH).fileName());
    if (!QDir().mkpath(QFileInfo(library).path()) ||
        !QFile::copy(QStringLiteral(TARN_PROD_STANDIN_PATH), library)) {
        fail(QStringLiteral("tarnscope-record: the stand-in cannot be copied to %1").arg(library));
        return false;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TARNSCOPE_CONTROLLER_LIBRARY"), library);
    env.insert(QStringLiteral("TARNSIM_DELIVERY_LOG"), QDir(m_folder).filePath("delivered.txt"));
    m_process.setProcessEnvironment(env);
    m_process.setWorkingDirectory(m_folder);
    m_process.setStandardErrorFile(QDir(m_folder).filePath("recorder.log"));
    m_process.start(QStringLiteral(TARNSCOPE_RECORD_PATH),
                    {"--channels", channels(), "--period", QString::number(kWindowMs), "--trigger",
                     "J1 Actual Cur>0@-500", "--repeat", "--keep", QString::number(kKeptCaptures),
                     "--captures", "captures", "--record-to", "run.csv", "--rotate-mb", "50",
                     "--status-seconds", "60"});
    if (!m_process.waitForStarted()) {
        fail(QStringLiteral("tarnscope-record did not start: %1").arg(m_process.errorString()));
        return false;
    }
    m_sampler.start();
    return true;
}

void RecorderSoak::sampleMemory()
{
    if (m_process.state() == QProcess::Running)
        m_residentMB.push_back(residentMB(m_process.processId()));
}

QStringList RecorderSoak::finish()
{
    m_sampler.stop();
    if (!m_failures.isEmpty() && m_process.state() != QProcess::Running)
        return m_failures; // it never started
    if (m_process.state() != QProcess::Running) {
        fail(QStringLiteral("tarnscope-record ended by itself with %1; see %2/recorder.log")
                 .arg(m_process.exitCode())
                 .arg(m_folder));
        return m_failures;
    }
    ::kill(pid_t(m_process.processId()), SIGTERM);
    if (!m_process.waitForFinished(kStopTimeoutMs))
        fail(QStringLiteral("tarnscope-record did not end within a minute of SIGTERM"));
    else if (m_process.exitStatus() != QProcess::NormalExit || m_process.exitCode() != 0)
        fail(QStringLiteral("tarnscope-record ended with %1 after SIGTERM; see %2/recorder.log")
                 .arg(m_process.exitCode())
                 .arg(m_folder));
    checkMemory();
    checkFiles();
    return m_failures;
}

// After the warm-up the window is full and the captures kept are at their bound: nothing
// more should be held.
void RecorderSoak::checkMemory()
{
    if (int(m_residentMB.size()) < kWarmUpSeconds + kPlateauSeconds + 1)
        return; // too short a soak to tell
    const auto plateauBegin = m_residentMB.begin() + kWarmUpSeconds;
    m_plateauMB = median({plateauBegin, plateauBegin + kPlateauSeconds});
    m_peakMB = *std::max_element(plateauBegin, m_residentMB.end());
    if (SoakMemory::kMeaningful && m_peakMB > m_plateauMB * (1.0 + SoakMemory::kTolerance))
        fail(QStringLiteral("tarnscope-record: resident memory grew from %1 to %2 MB")
                 .arg(m_plateauMB, 0, 'f', 1)
                 .arg(m_peakMB, 0, 'f', 1));
}

void RecorderSoak::checkFiles()
{
    std::vector<double> delivered;
    QFile log(QDir(m_folder).filePath("delivered.txt"));
    if (log.open(QIODevice::ReadOnly))
        while (!log.atEnd())
            delivered.push_back(log.readLine().trimmed().toDouble());
    std::vector<double> recorded;
    const QDir dir(m_folder);
    for (QString name = "run.csv"; QFile::exists(dir.filePath(name));
         name = QStringLiteral("run_%1.csv").arg(++m_files + 1, 3, 10, QChar('0'))) {
        ScopeFileContent content;
        QString error;
        if (ScopeFile::load(dir.filePath(name), &content, {}, &error) != ScopeFile::Outcome::Done ||
            content.raggedRows > 0 || content.lastLineCut) {
            fail(QStringLiteral("tarnscope-record: %1 does not read whole: %2").arg(name, error));
            return;
        }
        const ScopeFileMeta meta =
            ScopeFileMeta::loadBeside(dir.filePath(name)).value_or(ScopeFileMeta());
        const double offset = meta.controllerTime.value_or(0.0) - meta.firstRowTime.value_or(0.0);
        for (double t : content.times)
            recorded.push_back(t + offset);
    }
    m_records = qint64(recorded.size());
    m_captures = QDir(dir.filePath("captures")).entryList({"*.csv"}, QDir::Files).size();
    const auto first = recorded.empty()
                           ? delivered.end()
                           : std::find(delivered.begin(), delivered.end(), recorded.front());
    const bool unbroken = first != delivered.end() &&
                          std::size_t(delivered.end() - first) >= recorded.size() &&
                          std::equal(recorded.begin(), recorded.end(), first);
    if (!unbroken)
        fail(QStringLiteral("tarnscope-record: its files are not one unbroken stretch of the %1 "
                            "records delivered")
                 .arg(delivered.size()));
    else if (delivered.end() - first - long(recorded.size()) > kMostUnappendedTail)
        fail(QStringLiteral("tarnscope-record: %1 records delivered before SIGTERM are missing")
                 .arg(delivered.end() - first - long(recorded.size())));
}

void RecorderSoak::printFigures() const
{
    std::printf("tarnscope-record (own process, 36 ch, 1 kHz, 10 s window): %lld records in %d "
                "files, %d captures saved; resident memory %.1f MB after the window filled, "
                "at most %.1f MB later\n",
                static_cast<long long>(m_records), m_files, m_captures, m_plateauMB, m_peakMB);
}
