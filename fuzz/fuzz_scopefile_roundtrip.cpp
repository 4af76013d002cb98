// Curves made from the input are written and read back: the bytes are what the plain Qt
// formatting (QString::number(v, 'f', 3)) writes, save the sign of a negative zero, every
// title, binding and value comes back as written, NaN included, and a second write of
// what was read gives the same bytes.
#include "FuzzSupport.h"
#include "ScopeLimits.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QStringList>

#include <cmath>
#include <cstring>

using namespace FuzzSupport;

namespace {

constexpr int kMaxRows = 64;

double anyDouble(FuzzedDataProvider &in)
{
    const auto bits = in.ConsumeIntegral<uint64_t>();
    double value = 0.0;
    std::memcpy(&value, &bits, sizeof value);
    switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
        return value; // any bit pattern: NaN, infinities, subnormals, huge
    case 1:
        return static_cast<double>(static_cast<int64_t>(bits % 2000001) - 1000000) / 16.0;
    default:
        return in.ConsumeFloatingPointInRange(-1e7, 1e7);
    }
}

// Text that a header field keeps as it is: no separator, no line end, valid UTF-8.
QString fieldText(FuzzedDataProvider &in)
{
    QString text = QString::fromUtf8(QByteArray::fromStdString(in.ConsumeRandomLengthString(12)));
    for (const QChar c : {QChar(','), QChar('_'), QChar('\n'), QChar('\r'), QChar(0)})
        text.remove(c);
    return text;
}

// Qt writes -0.0 as "0.000" although it writes -0.0001 as "-0.000"; the file keeps the sign.
QString numberText(double value)
{
    return value == 0.0 && std::signbit(value) ? QStringLiteral("-0.000")
                                               : QString::number(value, 'f', 3);
}

// The file as the plain Qt formatting writes it.
QByteArray writtenByQt(const QVector<ScopeFileCurve> &curves)
{
    QString text = "time";
    int rows = 0;
    for (const ScopeFileCurve &c : curves) {
        text += ',' + ScopeFile::headerField(c.title, c.binding);
        rows = std::max(rows, c.y.size());
    }
    text += '\n';
    for (int r = 0; r < rows; ++r) {
        for (const ScopeFileCurve &c : curves) {
            if (c.y.size() > r) {
                text += numberText(c.x[r]);
                break;
            }
        }
        for (const ScopeFileCurve &c : curves)
            text += ',' + (c.y.size() > r ? numberText(c.y[r]) : QString());
        text += '\n';
    }
    return text.toUtf8();
}

double readByQt(double value)
{
    return numberText(value).toDouble();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const int rows = in.ConsumeIntegralInRange(0, kMaxRows);
    QVector<double> times;
    for (int r = 0; r < rows; ++r)
        times << anyDouble(in);
    QVector<ScopeFileCurve> curves(in.ConsumeIntegralInRange(1, ScopeLimits::kCurveSlots + 3));
    for (ScopeFileCurve &c : curves) {
        c.title = fieldText(in);
        c.binding.axis = in.ConsumeIntegral<int>();
        c.binding.linkItem = in.ConsumeIntegral<int>();
        c.binding.endEffItem = in.ConsumeIntegral<int>();
        c.binding.unit = fieldText(in);
        c.x = times.mid(0, in.ConsumeIntegralInRange(0, rows));
        for (int i = 0; i < c.x.size(); ++i)
            c.y << anyDouble(in);
    }

    const QByteArray bytes = ScopeFile::toBytes(curves);
    check(bytes == writtenByQt(curves), "bytes differ from QString::number's");
    const std::optional<ScopeFileContent> content = ScopeFile::fromBytes(bytes);
    check(content && content->hasTime && content->curveCount == curves.size(), "header");
    check(content->raggedRows == 0 && content->unreadableFields == 0, "complaints");
    int longest = 0;
    for (int k = 0; k < content->curves.size(); ++k) {
        const ScopeFileCurve &written = curves[k];
        const ScopeFileCurve &read = content->curves[k];
        check(read.title == written.title && read.binding.unit == written.binding.unit,
              "title and unit");
        check(read.binding.axis == written.binding.axis, "axis");
        const bool endEff = written.binding.axis >= 6;
        check((endEff ? read.binding.endEffItem : read.binding.linkItem) ==
                  (endEff ? written.binding.endEffItem : written.binding.linkItem),
              "item");
        check(read.y.size() == written.y.size(), "curve length");
        for (int i = 0; i < read.y.size(); ++i)
            check(sameValue(read.y[i], readByQt(written.y[i])), "value as Qt reads it");
        longest = std::max(longest, read.y.size());
    }
    for (int r = 0; r < content->times.size(); ++r)
        check(sameValue(content->times[r], readByQt(times[r])), "time as Qt reads it");
    if (curves.size() <= ScopeLimits::kCurveSlots) {
        check(content->times.size() >= longest, "rows");
        check(ScopeFile::toBytes(asLoaded(*content)) == bytes, "second write differs");
    }
    return 0;
}
