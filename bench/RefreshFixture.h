#pragma once

#include "DerivedExpression.h"
#include "QwtScope.h"
#include "RobotSignals.h"
#include "SampleBuffer.h"

#include <QCoreApplication>

#include <algorithm>
#include <vector>

// A scope as the widget drives it, for measuring: the simulated robot's six quantities of
// six joints (controller indexes 43 to 78) at 1 kHz filling a window of a given number of
// samples, the plot shown offscreen at the size of a typical screen; optionally with derived
// channels after them (one quantity minus the next, as a following error is), computed as
// the records arrive.
class RefreshFixture
{
public:
    static constexpr int kChannels = 36;
    static constexpr int kWidth = 1137;
    static constexpr int kHeight = 620;
    // What arrives between two curve refreshes: six ticks of 64 ms at 1 kHz.
    static constexpr int kRecordsPerRefresh = 384;

    explicit RefreshFixture(int samples, int derived = 0)
    {
        m_buffer.setWindow(samples - 1.0);
        QStringList titles;
        for (int slot = 0; slot < kChannels; ++slot) {
            m_buffer.setSlotIndex(slot, 43 + slot);
            CurveBinding binding;
            binding.scopeIndex = 43 + slot;
            binding.slot = slot;
            titles << QStringLiteral("C%1").arg(slot);
            m_plot.addCurve(slot, titles.last(), binding);
        }
        for (int k = 0; k < derived; ++k) {
            const int slot = kChannels + k;
            m_derived.push_back(*DerivedExpression::compile(
                QStringLiteral("\"C%1\" - \"C%2\"").arg(k).arg(k + 1), titles));
            m_buffer.setComputedSlot(slot);
            CurveBinding binding;
            binding.computed = true;
            binding.slot = slot;
            m_plot.addCurve(slot, QStringLiteral("D%1").arg(k), binding);
        }
        m_plot.setXScale(0.0, samples - 1.0, (samples - 1.0) / 10.0);
        m_plot.resize(kWidth, kHeight);
        m_plot.show();
        append(samples);
        refresh();
    }

    void append(int records)
    {
        ScopeRecord record;
        for (int i = 0; i < records; ++i, ++m_time) {
            record.dTime = m_time;
            for (int k = 0; k < kChannels; ++k)
                record.dValue[k] = m_signals.value(43 + k, m_time);
            for (std::size_t k = 0; k < m_derived.size(); ++k)
                record.dValue[kChannels + k] = m_derived[k].evaluate(record.dValue);
            m_buffer.appendRecord(record);
        }
    }

    // The widget's refresh tick: snapshot, curves, value axis, replot and its paint.
    void refresh()
    {
        const SampleSnapshot snapshot = m_buffer.snapshot();
        const double origin = snapshot.times.at(0);
        double lo = 0.0;
        double hi = 0.0;
        for (int slot = 0; slot < kChannels + int(m_derived.size()); ++slot) {
            double cmin = 0.0;
            double cmax = 0.0;
            m_plot.setCurveSamples(slot, snapshot.times, origin,
                                   snapshot.channels[static_cast<std::size_t>(slot)], cmin, cmax,
                                   ScopeSeriesData::TimeDrawing::OnWholePixels);
            lo = slot == 0 ? cmin : std::min(lo, cmin);
            hi = slot == 0 ? cmax : std::max(hi, cmax);
        }
        const double half = std::max((hi - lo) * 1.01 / 2.0, 0.01);
        m_plot.setYScale((hi + lo) / 2.0 - half, (hi + lo) / 2.0 + half);
        m_plot.replot();
        QCoreApplication::processEvents();
    }

    QwtScope &plot() { return m_plot; }
    SampleBuffer &buffer() { return m_buffer; }

private:
    SampleBuffer m_buffer;
    QwtScope m_plot;
    double m_time = 0.0;
    RobotSignals m_signals;
    std::vector<DerivedExpression> m_derived;
};
