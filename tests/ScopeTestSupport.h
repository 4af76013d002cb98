#pragma once

// Driving a scope widget the way an operator does (rows checked in the selection trees,
// buttons pressed by object name, modal dialogs answered) against scripted controller
// batches.

#include "ModalDialogAnswerer.h"
#include "QScopeSetting.h"
#include "QwtScope.h"
#include "TarnPlugin_Scope.h"
#include "TarnSim.h"

#include <QAbstractButton>
#include <QTreeView>
#include <QtTest>

#include <qwt_plot_curve.h>

#include <functional>
#include <memory>

namespace ScopeTest {

template <typename T = QWidget> T *child(QWidget *parent, const char *name)
{
    T *w = parent->findChild<T *>(QString::fromLatin1(name));
    if (!w)
        qFatal("no child %s", name);
    return w;
}
inline QScopeSetting *dialogOf(QWidget *scope)
{
    return scope->findChild<QScopeSetting *>();
}
inline QwtScope *plotOf(QWidget *scope)
{
    return scope->findChild<QwtScope *>();
}

// A fresh scope on a reset, scripted stand-in.
inline std::unique_ptr<TarnPlugin_Scope> freshScope()
{
    TarnSim::reset();
    TarnSim::setScripted(true);
    auto scope = std::make_unique<TarnPlugin_Scope>();
    scope->show();
    return scope;
}

// Row ids are the pre-order line numbers of the tree's text.
inline QModelIndex indexOfId(QAbstractItemModel *model, int id)
{
    int counter = 0;
    std::function<QModelIndex(const QModelIndex &)> walk = [&](const QModelIndex &parent) {
        for (int row = 0; row < model->rowCount(parent); ++row) {
            const QModelIndex index = model->index(row, 0, parent);
            const QModelIndex found = counter++ == id ? index : walk(index);
            if (found.isValid())
                return found;
        }
        return QModelIndex();
    };
    return walk(QModelIndex());
}

inline void checkRows(QWidget *scope, const char *tree, std::initializer_list<int> ids,
                      bool on = true)
{
    QAbstractItemModel *model = child<QTreeView>(dialogOf(scope), tree)->model();
    for (int id : ids)
        model->setData(indexOfId(model, id), on ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
}
inline void checkComponents(QWidget *scope, std::initializer_list<int> ids, bool on = true)
{
    checkRows(scope, "Kvel_Scope_tree_SetComponent", ids, on);
}
inline void checkLinks(QWidget *scope, std::initializer_list<int> ids)
{
    checkRows(scope, "Kvel_Scope_tree_SetLink", ids);
}

inline void click(QWidget *parent, const char *button)
{
    child<QAbstractButton>(parent, button)->click();
}
inline void confirmSelection(QWidget *scope)
{
    click(dialogOf(scope), "Kvel_Scope_btn_SetOK");
}
inline void start(QWidget *scope)
{
    click(scope, "ScopePlugin_btn_StartScope");
}
inline void stop(QWidget *scope)
{
    click(scope, "ScopePlugin_btn_StopScope");
}

// Runs `action` (Start, or a set-up confirmed while sampling) and waits until the scope's
// first read after it, which only flushes what the controller sampled before, is over:
// batches queued from then on are recorded. A read under way since before the action may
// come first, so the third read to begin afterwards is the first sure to follow the flush.
inline bool flushedAfter(const std::function<void()> &action, int timeoutMs = 5000)
{
    const uint64_t reads = TarnSim::callCounts().readScopeData;
    action();
    return QTest::qWaitFor([reads] { return TarnSim::callCounts().readScopeData >= reads + 3; },
                           timeoutMs);
}
inline bool startFlushed(QWidget *scope)
{
    return flushedAfter([scope] { start(scope); });
}

// Runs an operator's action that opens modal dialogs; returns the "title: text" of each
// message box, answered with Ok or Yes (or, `takingDefaults`, a question's default button);
// a file dialog gets `fileName`.
inline QStringList runAnswering(const std::function<void()> &action,
                                const QString &fileName = QString(), bool takingDefaults = false)
{
    ModalDialogAnswerer answerer(fileName);
    answerer.setTakingDefaults(takingDefaults);
    answerer.start();
    action();
    QCoreApplication::processEvents();
    answerer.stop();
    return answerer.messages();
}

// Presses a button whose slot opens modal dialogs, answered as runAnswering does.
inline QStringList clickAnswering(QWidget *parent, const char *button,
                                  const QString &fileName = QString())
{
    return runAnswering([parent, button] { click(parent, button); }, fileName);
}

inline _ST_ReadScopeData record(double time, double value)
{
    _ST_ReadScopeData r{};
    r.dTime = time;
    std::fill(std::begin(r.dValue), std::end(r.dValue), value);
    return r;
}

inline TarnSim::Batch batch(std::initializer_list<double> times, double value)
{
    TarnSim::Batch b;
    for (double t : times)
        b.records.push_back(record(t, value));
    return b;
}

// Records whose values are their own time stamps.
inline TarnSim::Batch stampedBatch(double first, int count)
{
    TarnSim::Batch b;
    for (int i = 0; i < count; ++i)
        b.records.push_back(record(first + i, first + i));
    return b;
}

// "x:y x:y ..." of a curve.
inline QString points(QwtPlotCurve *curve)
{
    QStringList out;
    for (size_t i = 0; i < curve->dataSize(); ++i) {
        const QPointF p = curve->sample(static_cast<int>(i));
        out << QString("%1:%2").arg(p.x()).arg(p.y());
    }
    return out.join(' ');
}

// Waits until every queued batch has been read and one more read step followed.
inline bool waitForBatchesConsumed(int timeoutMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (TarnSim::pendingBatches() > 0 && timer.elapsed() < timeoutMs)
        QTest::qWait(5);
    const uint64_t reads = TarnSim::callCounts().readScopeData;
    while (TarnSim::callCounts().readScopeData < reads + 1 && timer.elapsed() < timeoutMs)
        QTest::qWait(5);
    return TarnSim::pendingBatches() == 0;
}

// The same while the GUI thread sleeps, so that no refresh runs meanwhile (a busy GUI).
inline bool batchesConsumedWithoutEvents(int followingReads = 1, int timeoutMs = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (TarnSim::pendingBatches() > 0 && timer.elapsed() < timeoutMs)
        QThread::msleep(5);
    const uint64_t reads = TarnSim::callCounts().readScopeData;
    while (TarnSim::callCounts().readScopeData < reads + followingReads &&
           timer.elapsed() < timeoutMs)
        QThread::msleep(5);
    return timer.elapsed() < timeoutMs;
}

} // namespace ScopeTest
