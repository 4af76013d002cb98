// Any bytes as a scope file, read through to the plot's curves: no crash, no undefined
// behaviour, the content keeps its invariants, and what the plot then exports reads back
// to the same file.
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
