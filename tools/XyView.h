#pragma once

#include "XyPath.h"

#include <QDialog>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QwtPlot;
class QwtPlotCurve;
class QwtPlotMarker;

// "XY view": one curve against another (a TCP path, target against actual), paired by time,
// with a mark where the time plot's first cursor stands (or at the newest sample), and equal
// scales on request. The scope refreshes it while it is shown; the path is paired again only
// when the recording or the choice changed. A window of its own beside the scope, which owns
// it (a Qt child); GUI thread.
class XyView : public QDialog
{
    Q_OBJECT

public:
    // The path of x and y as the recording stands; nothing for a title not recorded.
    using Pair = std::function<std::optional<XyPath>(const QString &x, const QString &y)>;
    // The point of x and y at the time cursor; nothing without a sample there.
    using CursorPoint = std::function<std::optional<QPointF>(const QString &x, const QString &y)>;

    // What the operator chose, as a set-up keeps it; curves not offered yet are chosen once
    // they are.
    struct Choices
    {
        QString x;
        QString y;
        bool equalScales = false;
    };

    XyView(Pair pair, CursorPoint cursorPoint, QWidget *parent);

    Choices choices() const;
    void setChoices(const Choices &choices);

    // The curves offered, keeping the ones chosen where they are still there.
    void setChannels(const QStringList &titles);
    // `recordingStamp` changes whenever the recording does (its size and newest time).
    void refresh(const QString &recordingStamp);
    int pointCount() const { return m_pointCount; }

private:
    void rebuildPath();
    void scaleAxes();

    Pair m_pair;
    Choices m_wanted;
    CursorPoint m_cursorPoint;
    QComboBox *m_x;
    QComboBox *m_y;
    QCheckBox *m_equal;
    QLabel *m_summary;
    QwtPlot *m_plot;
    QwtPlotCurve *m_path;  // owned by the plot
    QwtPlotMarker *m_mark; // owned by the plot
    QString m_shownKey;    // the choice and recording the path was paired for
    QString m_stamp;
    std::optional<QRectF> m_bounds; // of the points; none without a path
    int m_pointCount = 0;
};
