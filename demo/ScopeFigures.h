#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// What a host can read off a scope widget through its object tree: the bound channels, how
// many samples their curves hold, and the status strip as shown. A plain value, read on
// the GUI thread.
struct ScopeFigures
{
    QStringList channels; // curve titles, in slot order
    int fewestSamples = 0;
    int mostSamples = 0;
    QString cpuLoad; // texts of the status labels
    QString memory;
    QString readCycle;
    QString readCycleMax;
    bool sampling = false; // the Stop button is offered

    static ScopeFigures readFrom(const QWidget *scope);
};
