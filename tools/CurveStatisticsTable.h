#pragma once

#include "CurveStatistics.h"

#include <QDialog>
#include <QVector>

class QLabel;
class QTableWidget;
class QwtScope;

// The statistics of the visible curves over the visible time range, as a small table that
// copies as tab-separated text. It opens wide enough for all its columns; the size the
// operator then gives it is kept while the widget lives (kept in memory, not in QSettings:
// the settings file is the host application's). Non-modal; a child of the scope widget.
// GUI thread only.
class CurveStatisticsTable : public QDialog
{
    Q_OBJECT

public:
    explicit CurveStatisticsTable(QWidget *parent = nullptr);

    // Figures of each visible curve of `plot` over the time axis as shown (zoom included).
    static QVector<CurveStatisticsRow> visibleRows(QwtScope *plot, double &from, double &to);

    void showFor(QwtScope *plot);
    // Header line, then one line per curve; cells separated by tabs.
    QString text() const;

public slots:
    void copyText();

private:
    void fitToTable();

    QLabel *m_range;
    QTableWidget *m_table;
    QVector<CurveStatisticsRow> m_rows;
    double m_from = 0.0;
    double m_to = 0.0;
    bool m_sized = false;
};
