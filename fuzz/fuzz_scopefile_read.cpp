// Any bytes as a scope file, read through to the plot's curves: no crash, no undefined
// behaviour, the content keeps its invariants, the import's notes tell what it counted, and what
// the plot then exports reads back to the same file.
#include "FuzzSupport.h"
#include "QwtScope.h"
#include "ScopeLimits.h"

#include <cstdint>

using namespace FuzzSupport;

namespace {

QwtScope *plot()
{
    static QwtScope *scope = [] {
        auto *s = new QwtScope;
        s->resize(240, 160);
        return s;
    }();
    return scope;
}

// The import tells every kind of fault the read counted, one line each, naming the file,
// and is silent about a file read whole.
void checkNotes(const ScopeFileContent &content)
{
    const int kinds = int(content.curveCount > ScopeLimits::kCurveSlots) +
                      int(content.raggedRows > 0) + int(content.unreadableFields > 0) +
                      int(content.lastLineCut);
    const QString notes = content.notes(QStringLiteral("f.csv"));
    if (kinds == 0) {
        check(notes.isEmpty(), "no note on a file read whole");
        return;
    }
    const QStringList lines = notes.split('\n');
    check(lines.size() == kinds, "one note per kind of fault");
    for (const QString &line : lines)
        check(line.contains(QStringLiteral("f.csv")), "each note names the file");
}

void checkContent(const ScopeFileContent &content)
{
    check(content.curves.size() == std::min(content.curveCount, ScopeLimits::kCurveSlots),
          "kept curves");
    for (int k = 0; k < content.curves.size(); ++k) {
        check(content.curves[k].binding.slot == k, "slot order");
        check(content.curves[k].y.size() <= content.times.size(), "values without a row");
    }
    if (!content.hasTime || content.curveCount == 0)
        check(content.times.isEmpty(), "rows read without a time column or a curve");
    check(content.raggedRows <= content.times.size(), "ragged rows counted");
    check((content.raggedRows == 0) == (content.firstRaggedLine == 0), "first ragged line");
    check((content.unreadableFields == 0) == (content.firstUnreadableLine == 0),
          "first unreadable line");
    checkNotes(content);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    startApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<int>(size));
    const std::optional<ScopeFileContent> content = ScopeFile::fromBytes(bytes);
    check(content.has_value(), "read without progress was cancelled");
    checkContent(*content);

    QwtScope *scope = plot();
    scope->clearCurves();
    const ScopeRecording recording = ScopeRecording::loaded(*content, ScopeFileMeta());
    scope->attachCurvesOf(recording);
    scope->showSamplesOf(recording, ScopeSeriesData::TimeDrawing::Exact);
    check(scope->itemList(QwtPlotItem::Rtti_PlotCurve).size() == content->curves.size(),
          "curves on the plot");
    scope->grab();

    const QVector<ScopeFileCurve> shown = recording.fileCurves();
    for (int k = 0; k < shown.size(); ++k) {
        const QVector<double> &y = content->curves[k].y;
        const bool drawn = !y.isEmpty() && !content->times.isEmpty();
        check(shown[k].y.size() == (drawn ? y.size() : 0), "samples on the plot");
        for (int i = 0; i < shown[k].y.size(); ++i)
            check(sameValue(shown[k].y[i], y[i]) && sameValue(shown[k].x[i], content->times[i]),
                  "sample paired with its row's time");
    }
    const QByteArray written = ScopeFile::toBytes(shown);
    const std::optional<ScopeFileContent> reread = ScopeFile::fromBytes(written);
    check(reread && reread->raggedRows == 0 && reread->unreadableFields == 0,
          "an export reads back without complaint");
    check(ScopeFile::toBytes(asLoaded(*reread)) == written, "an export reads back as written");
    return 0;
}
