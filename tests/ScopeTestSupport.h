#pragma once

// Helpers for driving a scope widget the way an operator does: check rows in the
// selection dialog's trees, press buttons by object name, answer modal boxes, and
// script the simulated controller's batches.

#include "QScopeSetting.h"
#include "QwtScope.h"
#include "TarnSim.h"
#include "TriggerSettings.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QtTest>

#include <qwt_plot_curve.h>

#include <functional>
#include <memory>

namespace ScopeTest {

inline QScopeSetting *dialogOf(QWidget *scope)
{
    return scope->findChild<QScopeSetting *>();
}
inline QwtScope *plotOf(QWidget *scope)
{
    return scope->findChild<QwtScope *>();
}

template <typename T = QWidget> T *child(QWidget *parent, const char *name)
{
    T *w = parent->findChild<T *>(QString::fromLatin1(name));
    if (!w)
        qFatal("no child %s", name);
    return w;
}

// Row ids are the pre-order line numbers of the tree's text.
inline QModelIndex indexOfId(QAbstractItemModel *model, int id)
{
    int counter = 0;
    std::function<QModelIndex(const QModelIndex &)> walk = [&](const QModelIndex &parent) {
        for (int row = 0; row < model->rowCount(parent); ++row) {
            const QModelIndex index = model->index(row, 0, parent);
            if (counter++ == id)
                return index;
            const QModelIndex found = walk(index);
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

inline void checkComponents(QWidget *scope, std::initializer_list<int> ids)
{
    checkRows(scope, "Kvel_Scope_tree_SetComponent", ids);
}
inline void checkLinks(QWidget *scope, std::initializer_list<int> ids)
{
    checkRows(scope, "Kvel_Scope_tree_SetLink", ids);
}
inline void checkEndEffectors(QWidget *scope, std::initializer_list<int> ids)
{
    checkRows(scope, "Kvel_Scope_tree_SetEndEffector", ids);
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

// Answers the next modal dialog of type Dialog with `act` and notes that it showed. The
// polling timer belongs to the answer, so it stops when the answer goes out of scope;
// it gives up after a few seconds.
struct ModalAnswer
{
    bool shown = false;
    std::unique_ptr<QTimer> timer;
    QElapsedTimer elapsed;
};

template <typename Dialog>
void answerNextModal(ModalAnswer *answer, std::function<void(Dialog *)> act)
{
    answer->timer = std::make_unique<QTimer>();
    answer->elapsed.start();
    QObject::connect(answer->timer.get(), &QTimer::timeout, [answer, act] {
        auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        if (dialog) {
            answer->shown = true;
            act(dialog);
        }
        if (dialog || answer->elapsed.elapsed() > 5000)
            answer->timer->stop();
    });
    answer->timer->start(20);
}

// Reads the next QMessageBox and presses Ok.
struct MessageBoxAnswer : ModalAnswer
{
    QString title;
    QString text;
};

inline void answerNextMessageBox(MessageBoxAnswer *answer)
{
    answerNextModal<QMessageBox>(answer, [answer](QMessageBox *box) {
        answer->title = box->windowTitle();
        answer->text = box->text();
        QTimer::singleShot(0, box->button(QMessageBox::Ok), &QAbstractButton::click);
    });
}

// Types the name into the next file dialog and accepts it; an empty name cancels.
inline void answerNextFileDialog(ModalAnswer *answer, const QString &fileName)
{
    answerNextModal<QFileDialog>(answer, [fileName](QFileDialog *dialog) {
        if (fileName.isEmpty()) {
            QTimer::singleShot(0, dialog, &QDialog::reject);
            return;
        }
        dialog->findChild<QLineEdit *>("fileNameEdit")->setText(fileName);
        QTimer::singleShot(0, dialog, &QDialog::accept);
    });
}

inline _ST_ReadScopeData record(double time, std::initializer_list<double> values)
{
    _ST_ReadScopeData r{};
    r.dTime = time;
    int k = 0;
    for (double v : values)
        r.dValue[k++] = v;
    return r;
}

// A batch whose records all carry `value` in every position.
inline TarnSim::Batch constantBatch(std::initializer_list<double> times, double value,
                                    double cpu = 0.0, uint32_t mem = 0)
{
    TarnSim::Batch batch;
    for (double t : times) {
        _ST_ReadScopeData r{};
        r.dTime = t;
        std::fill(std::begin(r.dValue), std::end(r.dValue), value);
        batch.records.push_back(r);
    }
    batch.cpuLoad = cpu;
    batch.memKB = mem;
    return batch;
}

inline QVector<double> curveX(QwtPlotCurve *curve)
{
    QVector<double> out;
    for (size_t i = 0; i < curve->dataSize(); ++i)
        out << curve->sample(static_cast<int>(i)).x();
    return out;
}

inline QVector<double> curveY(QwtPlotCurve *curve)
{
    QVector<double> out;
    for (size_t i = 0; i < curve->dataSize(); ++i)
        out << curve->sample(static_cast<int>(i)).y();
    return out;
}

// Waits until every queued batch has been read and one more read step followed.
inline bool waitForBatchesConsumed(int timeoutMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (TarnSim::pendingBatches() > 0 && timer.elapsed() < timeoutMs)
        QTest::qWait(10);
    const uint64_t reads = TarnSim::callCounts().readScopeData;
    while (TarnSim::callCounts().readScopeData < reads + 1 && timer.elapsed() < timeoutMs)
        QTest::qWait(10);
    return TarnSim::pendingBatches() == 0;
}

} // namespace ScopeTest
