#pragma once

#include "SampleExtremes.h"
#include "StripBand.h"

#include <QList>
#include <QString>
#include <QVector>

#include <qwt_scale_div.h>

#include <optional>

// The strip view's layout: one strip per unit (blanks around it aside), top to bottom in the order
// the units first occur, each with its own value range from its visible curves. The value axis runs
// from 0 at the bottom to one unit per strip at the top; a strip's values fill its unit of axis but
// for a margin, so neighbours never touch. Hidden curves neither set a range nor get a strip
// of their own. A plain value, made anew at every replot; GUI thread.
class UnitStrips
{
public:
    struct Curve
    {
        int slot = -1;
        QString unit;
        bool visible = true;
        SampleExtremes values;
    };
    struct Strip
    {
        QString unit;
        StripBand band;
        QList<int> curveSlots;
        QVector<double> ticks; // values, within the band's range
    };

    static UnitStrips arrange(const QVector<Curve> &curves);

    int count() const { return m_strips.size(); }
    const Strip &strip(int index) const { return m_strips.at(index); }
    // The band of the strip that shows the slot's curve; none for a hidden or unknown one.
    std::optional<StripBand> bandOf(int slot) const;
    // The strip that holds this position of the value axis; -1 between strips or outside.
    int stripAt(double axisValue) const;
    // The value axis: from 0 to count() (at least 1), a major tick at each strip's values.
    QwtScaleDiv scaleDiv() const;

private:
    QVector<Strip> m_strips;
};
