#pragma once

#include "CurveBinding.h"
#include "SafeFileWriter.h"
#include "ScopeLimits.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <functional>
#include <optional>

// One curve as a scope file carries it: title, binding (its scope index is not stored)
// and samples. On reading, x stays empty: the file's time column is shared.
struct ScopeFileCurve
{
    QString title;
    CurveBinding binding;
    QVector<double> x;
    QVector<double> y;
};

// What a scope file holds once read. curveCount counts every curve field of the header;
// only the first ScopeLimits::kCurveSlots of them are kept in curves, since the plot has no more
// slots. Every data row gives one time (NaN when the row has none that reads as a number); a
// curve's values are paired with the times index by index and end with its last filled
// field, and a cell that is missing or not a number as a whole is NaN, a gap.
struct ScopeFileContent
{
    QVector<ScopeFileCurve> curves;
    int curveCount = 0;
    bool hasTime = false;
    QVector<double> times;
    // Rows whose number of fields differs from the header's, and fields that hold text
    // other than a number; with the 1-based line of the first of each, 0 when none.
    int raggedRows = 0;
    int firstRaggedLine = 0;
    int unreadableFields = 0;
    int firstUnreadableLine = 0;
    // The last data line has no line feed and fewer fields than the header, or does not end
    // in a number (a recording cut off by a crash): it is left out.
    bool lastLineCut = false;

    // What of the file named so cannot be shown as it stands, one line per kind; empty for
    // a file read whole. What an import tells the operator, from the button or from code.
    QString notes(const QString &fileName) const;
};

// The text form of a recording: a "time" column and one column per curve, header fields
// title_axis_item_unit, numbers with three decimals and '.', lines ending in a line feed.
// The format works on plain data, so it is tested and measured without a plot; save and
// load add the file, its errors and a way to follow and cancel long runs.
class ScopeFile
{
public:
    // How values are written: rounded to three decimals (the scope file's own format), or
    // with the shortest text that reads back to the same double.
    enum class NumberFormat
    {
        ThreeDecimals,
        Exact
    };

    // Files with more lines are refused: 55 hours at 1 kHz, and their values still fit the
    // index range of a curve. Loading streams the file, holding only its values.
    static constexpr int kMaxLines = 200000000;

    // Told how far a long save or load has come; returning false cancels it.
    using Progress = std::function<bool(qint64 done, qint64 total)>;
    enum class Outcome
    {
        Done,
        Cancelled,
        Failed
    };

    // The whole file; empty when there is no curve.
    static QByteArray toBytes(const QVector<ScopeFileCurve> &curves,
                              NumberFormat format = NumberFormat::ThreeDecimals);
    // Reads a file's bytes; nothing when the progress callback cancels or there are more
    // than kMaxLines lines.
    static std::optional<ScopeFileContent> fromBytes(const QByteArray &bytes,
                                                     const Progress &progress = Progress());

    // Writes through SafeFileWriter: replacing, through a temporary file that takes the name
    // only when complete. On failure *error holds the reason, and nothing is left behind.
    static Outcome save(const QString &fileName, const QVector<ScopeFileCurve> &curves,
                        const Progress &progress, QString *error,
                        NumberFormat format = NumberFormat::ThreeDecimals,
                        SafeFileWriter::Mode mode = SafeFileWriter::Mode::Replace);
    // The curves' rows [first, last), each curve with the samples it has there; with first
    // equal to last, the curves without samples, for the header.
    using RowStretch = std::function<QVector<ScopeFileCurve>(int first, int last)>;
    // The same, asking for the rows a stretch at a time, so that a long recording is never
    // held a second time whole.
    static Outcome save(const QString &fileName, int rows, const RowStretch &stretch,
                        const Progress &progress, QString *error,
                        NumberFormat format = NumberFormat::ThreeDecimals,
                        SafeFileWriter::Mode mode = SafeFileWriter::Mode::Replace);
    // Reads through SafeFileReader; refuses a file whose values would not fit in the memory
    // available.
    static Outcome load(const QString &fileName, ScopeFileContent *content,
                        const Progress &progress, QString *error);

    static QString headerField(const QString &title, const CurveBinding &binding);
    // A number as the file writes it; `out` has kMaxNumberChars free.
    static constexpr int kMaxNumberChars = 320;
    static char *writeNumber(char *out, double value, NumberFormat format);
    // The binding (with the given slot) and the title a header field describes.
    static CurveBinding parseHeaderField(const QString &field, int slot, QString *title);

private:
    static QByteArray header(const QVector<ScopeFileCurve> &curves);
    static void appendRows(const QVector<ScopeFileCurve> &curves, int first, int last,
                           NumberFormat format, QByteArray &out);
};
