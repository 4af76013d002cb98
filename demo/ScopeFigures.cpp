#include "ScopeFigures.h"

#include <QAbstractButton>
#include <QLabel>
#include <QWidget>

#include <qwt_plot.h>
#include <qwt_plot_curve.h>

#include <algorithm>
#include <limits>

namespace {

QString labelText(const QWidget *scope, const char *name)
{
    const auto *label = scope->findChild<const QLabel *>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("?");
}

} // namespace

ScopeFigures ScopeFigures::readFrom(const QWidget *scope)
{
    ScopeFigures figures;
    if (const auto *plot = scope->findChild<const QwtPlot *>()) {
        int fewest = std::numeric_limits<int>::max();
        for (const QwtPlotItem *item : plot->itemList(QwtPlotItem::Rtti_PlotCurve)) {
            const auto *curve = static_cast<const QwtPlotCurve *>(item);
            const int samples = static_cast<int>(curve->dataSize());
            figures.channels << curve->title().text();
            fewest = std::min(fewest, samples);
            figures.mostSamples = std::max(figures.mostSamples, samples);
        }
        figures.fewestSamples = figures.channels.isEmpty() ? 0 : fewest;
    }
    figures.cpuLoad = labelText(scope, "Kvel_Scope_lb_MoxCPU");
    figures.memory = labelText(scope, "Kvel_Scope_lb_MoxMem");
    figures.readCycle = labelText(scope, "Kvel_Scope_lb_ReadScopeCyc");
    figures.readCycleMax = labelText(scope, "Kvel_Scope_lb_ReadScopeMaxCyc");
    const auto *stop =
        scope->findChild<const QAbstractButton *>(QStringLiteral("ScopePlugin_btn_StopScope"));
    figures.sampling = stop && !stop->isHidden();
    return figures;
}
