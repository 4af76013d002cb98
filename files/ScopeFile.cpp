#include "ScopeFile.h"

#include "SafeFileReader.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <QVarLengthArray>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace {

constexpr int kAxisWithEndEffectorItem = 6; // axes 0..5 carry a link item
// A sign, the 309 digits of the largest double, the point and three decimals.
constexpr int kMaxNumberChars = ScopeFile::kMaxNumberChars;
constexpr int kRowsPerChunk = 4096;
constexpr qint64 kReadChunkBytes = qint64(4) << 20;
// Longer lines are refused: a scope file's rows are a few kilobytes at most.
constexpr std::size_t kMaxLineBytes = std::size_t(64) << 20;
constexpr qint64 kBytesPerProgressStep = qint64(1) << 20;
// Below this the system is not asked how much memory it has left.
constexpr double kMemoryWorthAsking = double(qint64(64) << 20);
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// What a header column feeds: a kept curve (0..47), the time, or nothing.
constexpr int kTimeColumn = -1;
constexpr int kIgnoredColumn = -2;

// Below this, numbers are rounded with integers; above, to_chars writes them.
constexpr double kSmallNumberLimit = 1e9;

// |value| in thousandths, rounded to the nearest; exactly halfway rounds away from zero,
// as Qt does. Exact: the double is taken apart into mantissa * 2^-shift.
uint64_t roundedThousandths(double magnitude)
{
    uint64_t bits = 0;
    std::memcpy(&bits, &magnitude, sizeof bits);
    const int biased = static_cast<int>(bits >> 52);
    uint64_t mantissa = bits & ((uint64_t(1) << 52) - 1);
    int shift = 1074; // subnormal
    if (biased != 0) {
        mantissa |= uint64_t(1) << 52;
        shift = 1075 - biased; // at least 23 below the limit
    }
    if (shift >= 64)
        return 0;                            // below 2^-11
    const uint64_t scaled = mantissa * 1000; // below 2^63
    const uint64_t rest = scaled & ((uint64_t(1) << shift) - 1);
    return (scaled >> shift) + (rest >= uint64_t(1) << (shift - 1) ? 1 : 0);
}

// Qt rounds a value exactly halfway between two thousandths away from zero, to_chars to
// even. Such a value is an odd multiple of 1/16; from 2^49 on no double has a fraction
// that fine.
bool isThousandthTie(double value)
{
    if (!(std::fabs(value) < 0x1p49))
        return false;
    const double sixteenths = value * 16.0;
    const auto whole = static_cast<long long>(sixteenths);
    return static_cast<double>(whole) == sixteenths && (whole & 1) != 0;
}

char *writeLargeNumber(char *out, double value)
{
    char *const limit = out + kMaxNumberChars;
    if (!isThousandthTie(value))
        return std::to_chars(out, limit, value, std::chars_format::fixed, 3).ptr;
    // Exact with four decimals, the last a 5 after a 2 or a 7: rounding up never carries.
    char *end = std::to_chars(out, limit, value, std::chars_format::fixed, 4).ptr;
    ++end[-2];
    return end - 1;
}

// Writes what QString::number(value, 'f', 3) gives, at least kMaxNumberChars free.
char *writeNumber(char *out, double value)
{
    if (std::isnan(value)) {
        std::memcpy(out, "nan", 3); // Qt drops the sign of a NaN
        return out + 3;
    }
    const double magnitude = std::fabs(value);
    if (!(magnitude < kSmallNumberLimit))
        return writeLargeNumber(out, value);
    // Qt writes -0.0 as "0.000" but -0.0001 as "-0.000", which then reads back as -0.0: the
    // sign follows the sign bit so that an exported file re-exports byte for byte.
    if (std::signbit(value))
        *out++ = '-';
    const uint64_t thousandths = roundedThousandths(magnitude);
    out = std::to_chars(out, out + 24, thousandths / 1000).ptr;
    const auto fraction = static_cast<unsigned>(thousandths % 1000);
    out[0] = '.';
    out[1] = static_cast<char>('0' + fraction / 100);
    out[2] = static_cast<char>('0' + fraction / 10 % 10);
    out[3] = static_cast<char>('0' + fraction % 10);
    return out + 4;
}

int sampleCount(const ScopeFileCurve &curve)
{
    return std::min(curve.x.size(), curve.y.size());
}

int rowCount(const QVector<ScopeFileCurve> &curves)
{
    int rows = 0;
    for (const ScopeFileCurve &curve : curves)
        rows = std::max(rows, sampleCount(curve));
    return rows;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

enum class Cell
{
    Missing,
    Number,
    Unreadable
};

// A field as QString::toDouble reads it: white space around it ignored, a '+' allowed.
Cell readCell(const char *begin, const char *end, double *value)
{
    while (begin < end && isBlank(*begin))
        ++begin;
    while (end > begin && isBlank(end[-1]))
        --end;
    if (begin == end)
        return Cell::Missing;
    if (*begin == '+' && end - begin > 1 && begin[1] != '-' && begin[1] != '+')
        ++begin;
    const auto [stop, code] = std::from_chars(begin, end, *value);
    return code == std::errc() && stop == end ? Cell::Number : Cell::Unreadable;
}

// The text of the line that starts at begin and ends before lineEnd (its '\n'): a NUL
// byte ends it, and so does a '\r' before the line feed.
const char *contentEnd(const char *begin, const char *lineEnd)
{
    const auto *nul = static_cast<const char *>(std::memchr(begin, '\0', lineEnd - begin));
    const char *end = nul ? nul : lineEnd;
    if (end > begin && end[-1] == '\r')
        --end;
    return end;
}

const char *findOrEnd(const char *begin, const char *end, char c)
{
    const auto *found = static_cast<const char *>(std::memchr(begin, c, end - begin));
    return found ? found : end;
}

// Values of one column as they are read, in blocks: growing never copies what is stored.
// Blocks double in size up to one larger than the allocator keeps in its heap, so all but
// the first few are mapped on their own and return to the system as soon as they are let
// go. A long file so needs little more than its values, also while its blocks are joined.
class GrowingColumn
{
public:
    int size() const { return m_size; }

    void append(double value)
    {
        if (m_filled == m_blockSize)
            addBlock();
        m_blocks.back().second[m_filled++] = value;
        ++m_size;
    }

    void fillTo(int count, double value)
    {
        while (m_size < count)
            append(value);
    }

    // The values in one vector; each block is let go once copied.
    QVector<double> take()
    {
        QVector<double> values(m_size);
        double *out = values.data();
        int count = m_size;
        for (auto &[size, block] : m_blocks) {
            const int n = std::min(count, size);
            std::memcpy(out, block.get(), static_cast<std::size_t>(n) * sizeof(double));
            out += n;
            count -= n;
            block.reset();
        }
        m_blocks.clear();
        m_blockSize = m_filled = m_size = 0;
        return values;
    }

private:
    static constexpr int kFirstBlockValues = 1 << 12;
    static constexpr int kLargestBlockValues = (1 << 22) + 512; // just over 32 MiB

    void addBlock()
    {
        m_blockSize = std::clamp(2 * m_blockSize, kFirstBlockValues, kLargestBlockValues);
        m_blocks.emplace_back(m_blockSize, new double[m_blockSize]); // written before read
        m_filled = 0;
    }

    std::vector<std::pair<int, std::unique_ptr<double[]>>> m_blocks;
    int m_blockSize = 0;
    int m_filled = 0;
    int m_size = 0;
};

// The data rows, row by row. A curve stores values only up to its last filled field, so the
// memory follows the values the file holds, not its header's columns times its rows.
class RowReader
{
public:
    RowReader(const QVector<int> &roles, ScopeFileContent &content)
        : m_roles(roles), m_content(content),
          m_columns(static_cast<std::size_t>(content.curves.size()))
    {}

    void read(const char *begin, const char *end, int line)
    {
        if (begin == end)
            return; // a blank line carries nothing
        double time = kNaN;
        int column = 0;
        for (const char *field = begin;; ++column) {
            const char *comma = findOrEnd(field, end, ',');
            if (column < m_roles.size() && m_roles[column] != kIgnoredColumn)
                readField(field, comma, m_roles[column], time, line);
            if (comma == end)
                break;
            field = comma + 1;
        }
        if (column + 1 != m_roles.size())
            note(m_content.raggedRows, m_content.firstRaggedLine, line);
        m_times.append(time);
        ++m_stored;
        ++m_rows;
    }

    // Whether a last line without its line feed is whole: it has every field and ends in a
    // number. One with fewer fields, or cut inside its last number, was cut while written.
    bool isWhole(const char *begin, const char *end) const
    {
        int fields = 1;
        const char *last = begin;
        for (const char *comma = findOrEnd(begin, end, ','); comma != end;
             comma = findOrEnd(comma + 1, end, ',')) {
            ++fields;
            last = comma + 1;
        }
        double value = 0.0;
        return fields >= m_roles.size() && readCell(last, end, &value) == Cell::Number;
    }

    qint64 storedValues() const { return m_stored; }

    void finish()
    {
        m_content.times = m_times.take();
        for (int k = 0; k < m_content.curves.size(); ++k)
            m_content.curves[k].y = m_columns[static_cast<std::size_t>(k)].take();
    }

private:
    void readField(const char *begin, const char *end, int role, double &time, int line)
    {
        double value = kNaN;
        const Cell cell = readCell(begin, end, &value);
        if (cell == Cell::Unreadable || (cell == Cell::Missing && role == kTimeColumn))
            note(m_content.unreadableFields, m_content.firstUnreadableLine, line);
        if (cell != Cell::Number)
            value = kNaN;
        if (role == kTimeColumn) {
            time = value;
            return;
        }
        // A column that runs out holds empty fields to the end: its curve ends there.
        if (cell == Cell::Missing)
            return;
        GrowingColumn &column = m_columns[static_cast<std::size_t>(role)];
        m_stored += m_rows + 1 - column.size();
        column.fillTo(m_rows, kNaN);
        column.append(value);
    }

    static void note(int &count, int &firstLine, int line)
    {
        if (count++ == 0)
            firstLine = line;
    }

    const QVector<int> &m_roles;
    ScopeFileContent &m_content;
    int m_rows = 0;
    qint64 m_stored = 0;
    GrowingColumn m_times;
    std::vector<GrowingColumn> m_columns;
};

// Reads the header line into the content; the role of every column.
QVector<int> readHeader(const QString &line, ScopeFileContent &content)
{
    QVector<int> roles;
    if (line.isEmpty())
        return roles; // an empty file, or one that starts with a blank line
    for (const QString &field : line.split(QLatin1Char(','))) {
        if (field == QLatin1String("time")) {
            roles << (content.hasTime ? kIgnoredColumn : kTimeColumn);
            content.hasTime = true;
            continue;
        }
        const int slot = content.curveCount++;
        if (slot >= ScopeLimits::kCurveSlots) {
            roles << kIgnoredColumn;
            continue;
        }
        ScopeFileCurve curve;
        curve.binding = ScopeFile::parseHeaderField(field, slot, &curve.title);
        content.curves << curve;
        roles << slot;
    }
    return roles;
}

// A scope file's text as it comes, in pieces of any size: the first line is the header,
// every later one a data row. A line is read once its line feed has come; the text after
// the last line feed is handed to finish() and read as a line of its own.
class LineReader
{
public:
    explicit LineReader(ScopeFileContent &content) : m_content(content) {}

    // Whether the rest of the file can still change the content: not past the line limit,
    // and only with a time column and a curve.
    bool wantsMore() const { return !m_tooManyLines && (m_line == 0 || m_rows); }
    bool tooManyLines() const { return m_tooManyLines; }

    // Reads the whole lines of [begin, end); returns where the unfinished one begins.
    const char *readLines(const char *begin, const char *end)
    {
        while (wantsMore()) {
            const auto *lineEnd = static_cast<const char *>(std::memchr(begin, '\n', end - begin));
            if (!lineEnd)
                break;
            readLine(begin, lineEnd);
            begin = lineEnd + 1;
        }
        return begin;
    }

    qint64 storedValues() const { return m_rows ? m_rows->storedValues() : 0; }

    // The text after the last line feed; then the columns. Editors often end a file without
    // a line feed: a last row that is whole is read; one cut off while it was written is
    // noted, not read.
    void finish(const char *begin, const char *end)
    {
        if (begin != end && wantsMore()) {
            if (m_line == 0 || m_rows->isWhole(begin, contentEnd(begin, end)))
                readLine(begin, end);
            else
                m_content.lastLineCut = true;
        }
        if (m_rows)
            m_rows->finish();
    }

private:
    void readLine(const char *begin, const char *lineEnd)
    {
        if (++m_line > ScopeFile::kMaxLines) {
            m_tooManyLines = true;
            return;
        }
        if (m_line == 1)
            readHeaderLine(begin, lineEnd);
        else
            m_rows->read(begin, contentEnd(begin, lineEnd), m_line);
    }

    void readHeaderLine(const char *begin, const char *lineEnd)
    {
        if (lineEnd - begin >= 3 && std::memcmp(begin, "\xEF\xBB\xBF", 3) == 0)
            begin += 3; // the byte-order mark some editors write
        const char *end = contentEnd(begin, lineEnd);
        m_roles = readHeader(QString::fromUtf8(begin, static_cast<int>(end - begin)), m_content);
        if (m_content.hasTime && m_content.curveCount > 0)
            m_rows = std::make_unique<RowReader>(m_roles, m_content);
    }

    ScopeFileContent &m_content;
    QVector<int> m_roles;
    std::unique_ptr<RowReader> m_rows; // none without a time column or a curve
    int m_line = 0;
    bool m_tooManyLines = false;
};

QString tooLittleMemoryError()
{
    return QCoreApplication::translate("ScopeFile", "too large for the memory available");
}

QString tooManyLinesError()
{
    return QCoreApplication::translate("ScopeFile", "more than %1 lines").arg(ScopeFile::kMaxLines);
}

// The values read so far, projected to the whole file, are held twice: by the content and by
// the plot it is shown on. Nothing when that fits in the memory available (or the system
// does not say); else why the file is not read.
std::optional<QString> memoryShortage(qint64 storedValues, qint64 done, qint64 size)
{
    if (done <= 0 || done >= size)
        return std::nullopt;
    const double projected = double(storedValues) * double(size) / double(done);
    const double needed = (2.0 * projected - double(storedValues)) * sizeof(double);
    if (needed < kMemoryWorthAsking)
        return std::nullopt;
    const std::optional<qint64> available = SafeFileReader::availableMemory();
    if (!available || needed <= double(*available))
        return std::nullopt;
    return QCoreApplication::translate("ScopeFile",
                                       "reading it needs about %1 MiB of memory, %2 MiB are "
                                       "available")
        .arg(qint64(needed) >> 20)
        .arg(*available >> 20);
}

// Reads the file piece by piece into `content`; only the unfinished last line is carried
// from one piece to the next, so the file is never held whole.
ScopeFile::Outcome readStream(QFile &file, ScopeFileContent &content,
                              const ScopeFile::Progress &progress, QString *error)
{
    const qint64 size = file.size();
    LineReader reader(content);
    std::vector<char> buffer(static_cast<std::size_t>(kReadChunkBytes));
    std::size_t kept = 0;
    qint64 done = 0;
    while (reader.wantsMore()) {
        if (kept == buffer.size()) {
            if (buffer.size() >= kMaxLineBytes) {
                *error = QCoreApplication::translate("ScopeFile", "a line longer than %1 MiB")
                             .arg(kMaxLineBytes >> 20);
                return ScopeFile::Outcome::Failed;
            }
            buffer.resize(buffer.size() * 2);
        }
        const qint64 got =
            file.read(buffer.data() + kept, static_cast<qint64>(buffer.size() - kept));
        if (got < 0) {
            *error = file.errorString();
            return ScopeFile::Outcome::Failed;
        }
        if (got == 0)
            break;
        done += got;
        const char *end = buffer.data() + kept + got;
        const char *rest = reader.readLines(buffer.data(), end);
        kept = static_cast<std::size_t>(end - rest);
        std::memmove(buffer.data(), rest, kept);
        if (progress && !progress(done, std::max(size, done)))
            return ScopeFile::Outcome::Cancelled;
        if (const std::optional<QString> shortage =
                memoryShortage(reader.storedValues(), done, size)) {
            *error = *shortage;
            return ScopeFile::Outcome::Failed;
        }
    }
    reader.finish(buffer.data(), buffer.data() + kept);
    if (reader.tooManyLines()) {
        *error = tooManyLinesError();
        return ScopeFile::Outcome::Failed;
    }
    return ScopeFile::Outcome::Done;
}

} // namespace

// The exact form reads back bit for bit: the sign of a zero and infinities included; a NaN is
// "nan", as in the rounded form.
char *ScopeFile::writeNumber(char *out, double value, NumberFormat format)
{
    if (format == NumberFormat::ThreeDecimals || std::isnan(value))
        return ::writeNumber(out, value);
    return std::to_chars(out, out + kMaxNumberChars, value).ptr;
}

QString ScopeFile::headerField(const QString &title, const CurveBinding &binding)
{
    const int item =
        binding.axis < kAxisWithEndEffectorItem ? binding.linkItem : binding.endEffItem;
    return title + QString("_%1_%2_%3")
                       .arg(QString::number(binding.axis), QString::number(item), binding.unit);
}

// Read from the right: a title may hold '_' itself and is kept as written. A field that does
// not end in _axis_item_unit with whole numbers is a title alone.
CurveBinding ScopeFile::parseHeaderField(const QString &field, int slot, QString *title)
{
    const QStringList parts = field.split(QLatin1Char('_'));
    const int n = parts.size();
    bool axisRead = false;
    bool itemRead = false;
    const int axis = n >= 4 ? parts.at(n - 3).toInt(&axisRead) : 0;
    const int item = n >= 4 ? parts.at(n - 2).toInt(&itemRead) : 0;
    CurveBinding binding;
    binding.slot = slot;
    if (!axisRead || !itemRead) {
        *title = field;
        binding.axis = 0;
        binding.unit = QStringLiteral("Unit");
        return binding;
    }
    *title = parts.mid(0, n - 3).join(QLatin1Char('_'));
    binding.axis = axis;
    if (axis >= kAxisWithEndEffectorItem)
        binding.endEffItem = item;
    else
        binding.linkItem = item;
    binding.unit = parts.at(n - 1);
    return binding;
}

QByteArray ScopeFile::header(const QVector<ScopeFileCurve> &curves)
{
    QString line = QStringLiteral("time");
    for (const ScopeFileCurve &curve : curves)
        line += QLatin1Char(',') + headerField(curve.title, curve.binding);
    line += QLatin1Char('\n');
    return line.toUtf8();
}

void ScopeFile::appendRows(const QVector<ScopeFileCurve> &curves, int first, int last,
                           NumberFormat format, QByteArray &out)
{
    QVarLengthArray<int, ScopeLimits::kCurveSlots> lengths;
    QVarLengthArray<const double *, ScopeLimits::kCurveSlots> values;
    for (const ScopeFileCurve &curve : curves) {
        lengths.append(sampleCount(curve));
        values.append(curve.y.constData());
    }
    const int columns = curves.size();
    const int rowBytes = (columns + 1) * (kMaxNumberChars + 1);
    for (int row = first; row < last; ++row) {
        const int start = out.size();
        out.resize(start + rowBytes);
        char *p = out.data() + start;
        // The time comes from the first curve that still holds samples.
        int holder = 0;
        while (lengths[holder] <= row)
            ++holder;
        p = writeNumber(p, curves[holder].x[row], format);
        for (int k = 0; k < columns; ++k) {
            *p++ = ',';
            if (lengths[k] > row)
                p = writeNumber(p, values[k][row], format);
        }
        *p++ = '\n';
        out.resize(static_cast<int>(p - out.constData()));
    }
}

QByteArray ScopeFile::toBytes(const QVector<ScopeFileCurve> &curves, NumberFormat format)
{
    if (curves.isEmpty())
        return QByteArray();
    QByteArray bytes = header(curves);
    appendRows(curves, 0, rowCount(curves), format, bytes);
    return bytes;
}

std::optional<ScopeFileContent> ScopeFile::fromBytes(const QByteArray &bytes,
                                                     const Progress &progress)
{
    ScopeFileContent content;
    LineReader reader(content);
    const char *const start = bytes.constData();
    const char *const end = start + bytes.size();
    const char *p = start;
    // Steps of about a megabyte that end after a line feed, so no line is searched twice.
    while (p < end && reader.wantsMore()) {
        const char *stop = end;
        if (end - p > kBytesPerProgressStep) {
            stop = findOrEnd(p + kBytesPerProgressStep, end, '\n');
            stop += stop < end ? 1 : 0;
        }
        p = reader.readLines(p, stop);
        if (progress && !progress(stop - start, bytes.size()))
            return std::nullopt;
        if (stop == end)
            break;
    }
    reader.finish(p, end);
    if (reader.tooManyLines())
        return std::nullopt;
    return content;
}

ScopeFile::Outcome ScopeFile::save(const QString &fileName, const QVector<ScopeFileCurve> &curves,
                                   const Progress &progress, QString *error, NumberFormat format,
                                   SafeFileWriter::Mode mode)
{
    if (curves.isEmpty())
        return save(fileName, 0, RowStretch(), progress, error, format, mode);
    const RowStretch stretch = [&curves](int first, int last) {
        QVector<ScopeFileCurve> rows;
        for (const ScopeFileCurve &curve : curves) {
            const int count = std::max(0, std::min(sampleCount(curve), last) - first);
            rows.append(
                {curve.title, curve.binding, curve.x.mid(first, count), curve.y.mid(first, count)});
        }
        return rows;
    };
    return save(fileName, rowCount(curves), stretch, progress, error, format, mode);
}

ScopeFile::Outcome ScopeFile::save(const QString &fileName, int rows, const RowStretch &stretch,
                                   const Progress &progress, QString *error, NumberFormat format,
                                   SafeFileWriter::Mode mode)
{
    SafeFileWriter file; // what is not committed is removed when it goes
    if (!file.open(fileName, mode, error))
        return Outcome::Failed;
    try {
        const QVector<ScopeFileCurve> curves = stretch ? stretch(0, 0) : QVector<ScopeFileCurve>();
        QByteArray chunk;
        chunk.reserve(kRowsPerChunk * (curves.size() + 1) * 12); // kept across truncate(0)
        if (!curves.isEmpty())
            chunk.append(header(curves));
        for (int row = 0;;) {
            const int last = std::min(rows, row + kRowsPerChunk);
            if (last > row)
                appendRows(stretch(row, last), 0, last - row, format, chunk);
            if (!file.write(chunk, error))
                return Outcome::Failed;
            chunk.truncate(0);
            row = last;
            if (progress && !progress(row, rows))
                return Outcome::Cancelled;
            if (row >= rows)
                break;
        }
    } catch (const std::bad_alloc &) {
        *error = tooLittleMemoryError();
        return Outcome::Failed;
    }
    return file.commit(error) ? Outcome::Done : Outcome::Failed;
}

ScopeFile::Outcome ScopeFile::load(const QString &fileName, ScopeFileContent *content,
                                   const Progress &progress, QString *error)
{
    SafeFileReader file;
    if (!file.open(fileName, error))
        return Outcome::Failed;
    ScopeFileContent read;
    try {
        const Outcome outcome = readStream(file.device(), read, progress, error);
        if (outcome != Outcome::Done)
            return outcome;
    } catch (const std::bad_alloc &) {
        *error = tooLittleMemoryError();
        return Outcome::Failed;
    }
    *content = std::move(read);
    return Outcome::Done;
}

// Worded for the import that tells them; their translations live there.
QString ScopeFileContent::notes(const QString &fileName) const
{
    QStringList notes;
    if (curveCount > ScopeLimits::kCurveSlots)
        notes << QCoreApplication::translate(
                     "ScopeFileActions", "ERROR:%1 holds %2 curves; only the first %3 are shown.")
                     .arg(fileName)
                     .arg(curveCount)
                     .arg(ScopeLimits::kCurveSlots);
    if (raggedRows > 0)
        notes << QCoreApplication::translate(
                     "ScopeFileActions",
                     "ERROR:%1 rows of %2 have a number of fields other than the "
                     "header's (first at line %3); missing values are left as gaps.")
                     .arg(raggedRows)
                     .arg(fileName)
                     .arg(firstRaggedLine);
    if (unreadableFields > 0)
        notes << QCoreApplication::translate(
                     "ScopeFileActions",
                     "ERROR:%1 fields of %2 are not numbers (first at line %3); they are "
                     "left as gaps.")
                     .arg(unreadableFields)
                     .arg(fileName)
                     .arg(firstUnreadableLine);
    if (lastLineCut)
        notes << QCoreApplication::translate(
                     "TarnPlugin_Scope",
                     "The last line of %1 was cut off, as by a crash while recording; the "
                     "file is shown up to its last whole line.")
                     .arg(fileName);
    return notes.join('\n');
}
