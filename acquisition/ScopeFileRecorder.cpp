#include "ScopeFileRecorder.h"

#include "FileEntry.h"
#include "ScopeCatalog.h"
#include "ScopeFileMeta.h"
#include "ScopeFileWriter.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <chrono>
#include <new>

namespace {

constexpr int64_t kSyncIntervalMs = 500; // with the wake-up below: on disk within a second
constexpr auto kWakeUp = std::chrono::milliseconds(250);
constexpr int kMaxNumberedTries = 10000;

int64_t nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

std::vector<bool> columnsWithData(const QVector<ScopeFileCurve> &columns)
{
    std::vector<bool> hasData;
    for (const ScopeFileCurve &column : columns)
        hasData.push_back(column.binding.carriesData());
    return hasData;
}

// "run.csv" gives "run_002.csv", "run_003.csv", … beside it.
QString numberedName(const QString &fileName, int number)
{
    const QFileInfo info(fileName);
    const QString suffix = info.suffix().isEmpty() ? QString() : "." + info.suffix();
    return QDir::cleanPath(info.dir().filePath(QString("%1_%2%3")
                                                   .arg(info.completeBaseName())
                                                   .arg(number, 3, 10, QLatin1Char('0'))
                                                   .arg(suffix)));
}

// Anything there takes the name, a link that leads nowhere too.
bool isTaken(const QString &name)
{
    return FileEntry::at(name).exists() || FileEntry::at(ScopeFileMeta::fileNameFor(name)).exists();
}

ScopeFile::NumberFormat numberFormat(const FileRecordingOptions &options)
{
    return options.exactValues ? ScopeFile::NumberFormat::Exact
                               : ScopeFile::NumberFormat::ThreeDecimals;
}

} // namespace

std::unique_ptr<ScopeFileRecorder> ScopeFileRecorder::start(const FileRecordingOptions &options,
                                                            const QVector<ScopeFileCurve> &columns,
                                                            QString *error)
{
    auto writer = std::make_unique<ScopeFileWriter>();
    const auto existing =
        options.replace ? ScopeFileWriter::Existing::Replace : ScopeFileWriter::Existing::Refuse;
    if (!writer->open(options.fileName, existing, columns, columnsWithData(columns),
                      numberFormat(options), error))
        return nullptr;
    return std::unique_ptr<ScopeFileRecorder>(
        new ScopeFileRecorder(options, std::move(writer), columns));
}

ScopeFileRecorder::ScopeFileRecorder(const FileRecordingOptions &options,
                                     std::unique_ptr<ScopeFileWriter> writer,
                                     const QVector<ScopeFileCurve> &columns)
    : m_options(options), m_writer(std::move(writer)), m_columns(columns), m_fileStartMs(nowMs()),
      m_lastSyncMs(m_fileStartMs)
{
    m_written.fileName = m_writer->fileName();
    m_written.files = 1;
    m_written.bytes = m_writer->bytesWritten();
    m_published = m_written;
    m_thread = std::thread([this] { run(); });
}

ScopeFileRecorder::~ScopeFileRecorder()
{
    finish();
    m_thread.join();
}

void ScopeFileRecorder::finish()
{
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
}

void ScopeFileRecorder::setColumns(const QVector<ScopeFileCurve> &columns)
{
    Item item;
    item.columns = std::make_shared<const QVector<ScopeFileCurve>>(columns);
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_queue.push_back(std::move(item)); // never dropped: the rows after it need it
    }
    m_wake.notify_one();
}

void ScopeFileRecorder::push(std::vector<double> rows, int width, const ClockOrigin &origin)
{
    if (rows.empty() || width < 0)
        return;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        if (m_queuedValues + rows.size() > m_options.queueValues) {
            m_dropped += static_cast<qint64>(rows.size() / static_cast<std::size_t>(width + 1));
            return;
        }
        m_queuedValues += rows.size();
        Item item;
        item.rows = std::move(rows);
        item.width = width;
        item.origin = origin;
        m_queue.push_back(std::move(item));
    }
    m_wake.notify_one();
}

FileRecordingStatus ScopeFileRecorder::status() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    FileRecordingStatus status = m_published;
    status.dropped = m_dropped;
    return status;
}

// ---- writer thread -------------------------------------------------------------------

void ScopeFileRecorder::run()
{
    for (;;) {
        bool stopping = false;
        const std::deque<Item> items = takeItems(&stopping);
        for (const Item &item : items)
            write(item);
        syncWhenDue(stopping);
        publish();
        if (stopping)
            break;
    }
    m_writer->close();
    m_finished = true;
}

// Everything queued; `stopping` once the queue is empty and the recorder is going.
std::deque<ScopeFileRecorder::Item> ScopeFileRecorder::takeItems(bool *stopping)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_wake.wait_for(lock, kWakeUp, [this] { return !m_queue.empty() || m_stopping; });
    std::deque<Item> items;
    items.swap(m_queue);
    m_queuedValues = 0;
    *stopping = m_stopping;
    return items;
}

void ScopeFileRecorder::write(const Item &item)
{
    if (!m_written.failure.isEmpty())
        return;
    try {
        if (item.columns)
            changeColumns(*item.columns);
        else
            writeRows(item);
    } catch (const std::bad_alloc &) {
        fail(QStringLiteral("not enough memory to format the rows"));
    }
}

void ScopeFileRecorder::writeRows(const Item &item)
{
    if (item.width != m_writer->columnCount())
        return; // rows of another set-up than the header's; cannot happen in order
    const std::size_t stride = static_cast<std::size_t>(item.width) + 1;
    QString error;
    if (m_writer->rows() == 0 && item.rows.size() >= stride && !writeMeta(item, &error))
        return fail(error);
    for (std::size_t row = 0; row + stride <= item.rows.size(); row += stride) {
        m_writer->appendRow(item.rows[row], item.rows.data() + row + 1);
        ++m_written.records;
    }
    if (!m_writer->flush(&error))
        return fail(error);
    rotateWhenDue();
}

// A file's times count from its first row; the metadata says where that lay.
bool ScopeFileRecorder::writeMeta(const Item &firstRows, QString *error) const
{
    ScopeFileMeta meta;
    const double first = firstRows.rows.front();
    meta.firstRowTime = 0.0;
    meta.controllerTime = first;
    meta.started = firstRows.origin.wallClockAt(first);
    meta.exactValues = m_options.exactValues;
    for (const ScopeFileCurve &column : m_columns)
        meta.channels.append({column.title, column.binding.unit});
    QString reason;
    if (meta.saveBeside(m_writer->fileName(), &reason))
        return true;
    *error = QString("%1: %2").arg(ScopeFileMeta::fileNameFor(m_writer->fileName()), reason);
    return false;
}

// Same columns: the file goes on. A file still without rows takes the new header; otherwise
// the rows to come go to a new file, so every file reads back alone.
void ScopeFileRecorder::changeColumns(const QVector<ScopeFileCurve> &columns)
{
    auto sameColumns = [&] {
        if (columns.size() != m_columns.size())
            return false;
        for (int k = 0; k < columns.size(); ++k) {
            const ScopeFileCurve &a = columns[k];
            const ScopeFileCurve &b = m_columns[k];
            if (a.title != b.title || a.binding.scopeIndex != b.binding.scopeIndex ||
                ScopeFile::headerField(a.title, a.binding) !=
                    ScopeFile::headerField(b.title, b.binding))
                return false;
        }
        return true;
    };
    if (sameColumns())
        return;
    m_columns = columns;
    if (m_writer->rows() == 0) {
        QString error;
        if (!m_writer->open(m_written.fileName, ScopeFileWriter::Existing::Replace, m_columns,
                            columnsWithData(m_columns), numberFormat(m_options), &error))
            fail(error);
        return;
    }
    openNext();
}

QString ScopeFileRecorder::nextFreeName(const QString &fileName)
{
    if (!isTaken(fileName))
        return fileName;
    for (int number = 2; number < kMaxNumberedTries; ++number) {
        const QString name = numberedName(fileName, number);
        if (!isTaken(name))
            return name;
    }
    return fileName; // refused when opened, with the reason
}

bool ScopeFileRecorder::openNext()
{
    QString error;
    if (!m_writer->sync(&error)) {
        fail(error);
        return false;
    }
    m_writer->close();
    for (int tries = 0; tries < kMaxNumberedTries; ++tries) {
        const QString name = numberedName(m_options.fileName, m_nextNumber++);
        if (isTaken(name))
            continue;
        if (!m_writer->open(name, ScopeFileWriter::Existing::Refuse, m_columns,
                            columnsWithData(m_columns), numberFormat(m_options), &error)) {
            fail(QString("%1: %2").arg(name, error));
            return false;
        }
        m_written.fileName = name;
        ++m_written.files;
        m_fileStartMs = nowMs();
        return true;
    }
    fail(QString("no free numbered name beside %1").arg(m_options.fileName));
    return false;
}

void ScopeFileRecorder::rotateWhenDue()
{
    const qint64 limit = qint64(m_options.rotateMegabytes) << 20;
    const bool bySize = limit > 0 && m_writer->bytesWritten() >= limit;
    const bool byTime =
        m_options.rotateMinutes > 0 && nowMs() - m_fileStartMs >= m_options.rotateMinutes * 60000LL;
    if ((bySize || byTime) && m_writer->rows() > 0)
        openNext();
}

void ScopeFileRecorder::syncWhenDue(bool now)
{
    if (!m_written.failure.isEmpty() || !m_writer->isOpen())
        return;
    if (!now && nowMs() - m_lastSyncMs < kSyncIntervalMs)
        return;
    QString error;
    if (!m_writer->sync(&error))
        return fail(error);
    m_lastSyncMs = nowMs();
}

// What was written stays, whole lines only; nothing more is written.
void ScopeFileRecorder::fail(const QString &reason)
{
    m_written.failure = reason;
    m_writer->close();
}

void ScopeFileRecorder::publish()
{
    if (m_writer->isOpen())
        m_written.bytes = m_writer->bytesWritten();
    std::lock_guard<std::mutex> guard(m_mutex);
    m_published = m_written;
}
