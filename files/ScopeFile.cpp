#include "ScopeFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QStringList>
#include <QVarLengthArray>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

constexpr int kAxisWithEndEffectorItem = 6; // axes 0..5 carry a link item
// A sign, the 309 digits of the largest double, the point and three decimals.
constexpr int kMaxNumberChars = ScopeFile::kMaxNumberChars;
constexpr int kRowsPerChunk = 4096;
constexpr qint64 kReadChunkBytes = qint64(4) << 20;
constexpr qint64 kBytesPerProgressStep = qint64(1) << 20;
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

// Qt reports a short write (a file size limit, a full disk) as "Unknown error" and may
// even commit the truncated file; the system's reason is still in errno.
bool writeAll(QFileDevice &file, const QByteArray &bytes, QString *error)
{
    errno = 0;
    if (file.write(bytes) == bytes.size())
        return true;
    const int code = errno;
    *error = code != 0 ? qt_error_string(code) : file.errorString();
    return false;
}

// QSaveFile's commit ignores a failed sync, and some full disks show only there.
bool syncToDisk(QFileDevice &file, QString *error)
{
#ifdef Q_OS_WIN
    const bool synced = _commit(file.handle()) == 0;
#else
    const bool synced = ::fsync(file.handle()) == 0;
#endif
    if (!synced)
        *error = qt_error_string(errno);
    return synced;
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

// The data rows, row by row into one table of cells, each row as wide as the kept curves.
class RowReader
{
public:
    RowReader(const QVector<int> &roles, ScopeFileContent &content)
        : m_roles(roles), m_content(content), m_width(content.curves.size()), m_lengths(m_width, 0)
    {}

    void read(const char *begin, const char *end, int line)
    {
        if (begin == end)
            return; // a blank line carries nothing
        const int row = static_cast<int>(m_times.size());
        m_times.push_back(kNaN);
        m_cells.resize(m_cells.size() + m_width, kNaN);
        double *cells = m_cells.data() + static_cast<size_t>(row) * m_width;
        int column = 0;
        for (const char *field = begin;; ++column) {
            const char *comma = findOrEnd(field, end, ',');
            if (column < m_roles.size() && m_roles[column] != kIgnoredColumn)
                readField(field, comma, m_roles[column], row, cells, line);
            if (comma == end)
                break;
            field = comma + 1;
        }
        if (column + 1 != m_roles.size())
            note(m_content.raggedRows, m_content.firstRaggedLine, line);
    }

    void finish()
    {
        m_content.times = QVector<double>(m_times.begin(), m_times.end());
        for (int k = 0; k < m_width; ++k) {
            QVector<double> &y = m_content.curves[k].y;
            y.resize(m_lengths[k]);
            for (int row = 0; row < m_lengths[k]; ++row)
                y[row] = m_cells[static_cast<size_t>(row) * m_width + k];
        }
    }

private:
    void readField(const char *begin, const char *end, int role, int row, double *cells, int line)
    {
        double value = kNaN;
        const Cell cell = readCell(begin, end, &value);
        if (cell == Cell::Unreadable || (cell == Cell::Missing && role == kTimeColumn))
            note(m_content.unreadableFields, m_content.firstUnreadableLine, line);
        if (cell != Cell::Number)
            value = kNaN;
        if (role == kTimeColumn) {
            m_times.back() = value;
            return;
        }
        cells[role] = value;
        // A column that runs out holds empty fields to the end: its curve ends there.
        if (cell != Cell::Missing)
            m_lengths[role] = row + 1;
    }

    static void note(int &count, int &firstLine, int line)
    {
        if (count++ == 0)
            firstLine = line;
    }

    const QVector<int> &m_roles;
    ScopeFileContent &m_content;
    const int m_width;
    std::vector<int> m_lengths;
    std::vector<double> m_times;
    std::vector<double> m_cells;
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

} // namespace

char *ScopeFile::writeNumber(char *out, double value)
{
    return ::writeNumber(out, value);
}

QString ScopeFile::headerField(const QString &title, const CurveBinding &binding)
{
    const int item =
        binding.axis < kAxisWithEndEffectorItem ? binding.linkItem : binding.endEffItem;
    return title + QString("_%1_%2_%3")
                       .arg(QString::number(binding.axis), QString::number(item), binding.unit);
}

CurveBinding ScopeFile::parseHeaderField(const QString &field, int slot, QString *title)
{
    const QStringList parts = field.split(QLatin1Char('_'));
    CurveBinding binding;
    binding.slot = slot;
    *title = parts.at(0);
    if (parts.size() < 4) {
        binding.axis = 0;
        binding.unit = QStringLiteral("Unit");
        return binding;
    }
    binding.axis = parts.at(1).toInt();
    const int item = parts.at(2).toInt();
    if (binding.axis >= kAxisWithEndEffectorItem)
        binding.endEffItem = item;
    else
        binding.linkItem = item;
    binding.unit = parts.at(3);
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
                           QByteArray &out)
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
        p = writeNumber(p, curves[holder].x[row]);
        for (int k = 0; k < columns; ++k) {
            *p++ = ',';
            if (lengths[k] > row)
                p = writeNumber(p, values[k][row]);
        }
        *p++ = '\n';
        out.resize(static_cast<int>(p - out.constData()));
    }
}

QByteArray ScopeFile::toBytes(const QVector<ScopeFileCurve> &curves)
{
    if (curves.isEmpty())
        return QByteArray();
    QByteArray bytes = header(curves);
    appendRows(curves, 0, rowCount(curves), bytes);
    return bytes;
}

std::optional<ScopeFileContent> ScopeFile::fromBytes(const QByteArray &bytes,
                                                     const Progress &progress)
{
    ScopeFileContent content;
    const char *const start = bytes.constData();
    const char *const end = start + bytes.size();
    const char *p = start;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        p += 3; // the byte-order mark some editors write
    const char *lineEnd = findOrEnd(p, end, '\n');
    const char *headerEnd = contentEnd(p, lineEnd);
    const QVector<int> roles =
        readHeader(QString::fromUtf8(p, static_cast<int>(headerEnd - p)), content);
    if (!content.hasTime || content.curveCount == 0)
        return content;

    RowReader reader(roles, content);
    qint64 nextReport = kBytesPerProgressStep;
    for (int line = 2; lineEnd < end; ++line) {
        p = lineEnd + 1;
        lineEnd = findOrEnd(p, end, '\n');
        if (lineEnd == end && p != end) {
            content.lastLineCut = true;
            break;
        }
        reader.read(p, contentEnd(p, lineEnd), line);
        if (progress && lineEnd - start >= nextReport) {
            if (!progress(lineEnd - start, bytes.size()))
                return std::nullopt;
            nextReport = lineEnd - start + kBytesPerProgressStep;
        }
    }
    reader.finish();
    return content;
}

ScopeFile::Outcome ScopeFile::save(const QString &fileName, const QVector<ScopeFileCurve> &curves,
                                   const Progress &progress, QString *error)
{
    QSaveFile file(fileName);
    // Unbuffered, so a failed write is seen while errno still tells why.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *error = file.errorString();
        return Outcome::Failed;
    }
    const int rows = rowCount(curves);
    QByteArray chunk;
    chunk.reserve(kRowsPerChunk * (curves.size() + 1) * 12); // kept across truncate(0)
    if (!curves.isEmpty())
        chunk.append(header(curves));
    for (int row = 0;;) {
        const int last = std::min(rows, row + kRowsPerChunk);
        appendRows(curves, row, last, chunk);
        if (!writeAll(file, chunk, error)) {
            file.cancelWriting();
            return Outcome::Failed;
        }
        chunk.truncate(0);
        row = last;
        if (progress && !progress(row, rows)) {
            file.cancelWriting();
            return Outcome::Cancelled;
        }
        if (row >= rows)
            break;
    }
    if (!syncToDisk(file, error)) {
        file.cancelWriting();
        return Outcome::Failed;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return Outcome::Failed;
    }
    return Outcome::Done;
}

ScopeFile::Outcome ScopeFile::load(const QString &fileName, ScopeFileContent *content,
                                   const Progress &progress, QString *error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return Outcome::Failed;
    }
    const QString tooLarge =
        QCoreApplication::translate("ScopeFile", "larger than %1 MiB").arg(kMaxFileBytes >> 20);
    const qint64 size = file.size();
    if (size > kMaxFileBytes) {
        *error = tooLarge;
        return Outcome::Failed;
    }
    // Reading is the first half of the work, parsing the second.
    QByteArray bytes;
    bytes.reserve(static_cast<int>(size));
    for (;;) {
        const int before = bytes.size();
        if (before > kMaxFileBytes) {
            *error = tooLarge;
            return Outcome::Failed;
        }
        bytes.resize(before + static_cast<int>(kReadChunkBytes));
        const qint64 got = file.read(bytes.data() + before, kReadChunkBytes);
        bytes.resize(before + static_cast<int>(std::max<qint64>(got, 0)));
        if (got < 0) {
            *error = file.errorString();
            return Outcome::Failed;
        }
        if (got == 0)
            break;
        if (progress && !progress(bytes.size(), 2 * std::max<qint64>(size, bytes.size())))
            return Outcome::Cancelled;
    }
    const qint64 total = bytes.size();
    const Progress parsing = [&progress, total](qint64 done, qint64) {
        return progress(total + done, 2 * total);
    };
    std::optional<ScopeFileContent> read = fromBytes(bytes, progress ? parsing : Progress());
    if (!read)
        return Outcome::Cancelled;
    *content = std::move(*read);
    return Outcome::Done;
}
