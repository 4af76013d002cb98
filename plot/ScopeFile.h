#pragma once

#include "CurveBinding.h"

#include <QString>
#include <QStringList>
#include <QVector>

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
// only the first kMaxCurves of them are kept in curves, since the plot has no more slots.
struct ScopeFileContent
{
    QVector<ScopeFileCurve> curves;
    int curveCount = 0;
    bool hasTime = false;
    QVector<double> times;
};

// The text form of a recording: a "time" column and one column per curve, header fields
// title_axis_item_unit, numbers with three decimals and '.', lines ending in a line feed.
// Plain data in and out, so it is tested and measured without a plot.
class ScopeFile
{
public:
    static constexpr int kMaxCurves = 48;

    // The lines of a file, each with its line feed; empty when there is no curve.
    static QStringList toLines(const QVector<ScopeFileCurve> &curves);
    // Reads lines as they come from a file; a trailing "\n" or "\r\n" is not content.
    static ScopeFileContent fromLines(const QStringList &lines);

    static QString headerField(const QString &title, const CurveBinding &binding);
    // The binding (with the given slot) and the title a header field describes.
    static CurveBinding parseHeaderField(const QString &field, int slot, QString *title);
    // A field as a number; anything that is not a finite number reads as 0.0.
    static double parseNumber(const QString &field);

private:
    static QString rowOf(const QVector<ScopeFileCurve> &curves, int row);
};
