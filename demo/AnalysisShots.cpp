#include "AnalysisShots.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPixmap>
#include <QTimer>
#include <qwt_legend_data.h>
#include <qwt_legend_label.h>

namespace {

const QStringList kPresets{"following-error", "velocity-error", "mechanical-power", "tcp-speed"};
// What the titles of each preset's channels end in.
const QStringList kPresetTitles{"Following error", "Velocity error", "Mechanical power",
                                "TCP speed"};

void click(QWidget *widget)
{
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, widget->mapToGlobal(at.toPoint()), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &event);
    }
}

bool trigger(QWidget *scope, const QString &action, QString &error)
{
    auto *found = scope->findChild<QAction *>(action);
    if (!found) {
        error = QStringLiteral("the scope has no action %1").arg(action);
        return false;
    }
    found->trigger();
    QApplication::processEvents();
    return true;
}

// Chooses an entry as a click does, so the window follows the choice.
bool choose(QDialog *window, const char *box, const QString &text, QString &error)
{
    auto *combo = window->findChild<QComboBox *>(QLatin1String(box));
    const int index = combo ? combo->findText(text) : -1;
    if (index < 0) {
        error = QStringLiteral("%1 does not offer \"%2\"").arg(window->windowTitle(), text);
        return false;
    }
    combo->setCurrentIndex(index);
    emit combo->activated(index);
    return true;
}

bool save(QDialog *window, const QString &file, QString &error)
{
    // The XY view follows the recording a few times a second.
    QEventLoop settle;
    QTimer::singleShot(300, &settle, &QEventLoop::quit);
    settle.exec();
    if (window->grab().save(file, "PNG"))
        return true;
    error = QStringLiteral("cannot write %1").arg(file);
    return false;
}

} // namespace

bool AnalysisShots::addPreset(QWidget *scope, const QString &preset, QString &error)
{
    const int index = kPresets.indexOf(preset);
    if (index < 0) {
        error = QStringLiteral("--derived wants one of %1, not \"%2\"")
                    .arg(kPresets.join(QStringLiteral(", ")), preset);
        return false;
    }
    return trigger(scope, QStringLiteral("ScopeAction_Preset%1").arg(index), error);
}

void AnalysisShots::showOnlyPreset(QWidget *scope, const QString &preset)
{
    const QString kept = kPresetTitles.value(kPresets.indexOf(preset));
    if (kept.isEmpty())
        return;
    for (QwtLegendLabel *label : scope->findChildren<QwtLegendLabel *>())
        if (!label->data().title().text().endsWith(kept))
            click(label);
    scope->setProperty("scaleToVisibleCurves", true);
    QApplication::processEvents();
}

bool AnalysisShots::writeSpectrum(QWidget *scope, const QString &channel, const QString &file,
                                  QString &error)
{
    if (!trigger(scope, QStringLiteral("ScopeAction_Spectrum"), error))
        return false;
    auto *window = scope->findChild<QDialog *>(QStringLiteral("SpectrumView"));
    if (!window || !choose(window, "Spectrum_cmb_Channel", channel, error) ||
        !choose(window, "Spectrum_cmb_Scale", QStringLiteral("dB"), error))
        return false;
    return save(window, file, error);
}

bool AnalysisShots::writeXy(QWidget *scope, const QString &x, const QString &y, const QString &file,
                            QString &error)
{
    if (!trigger(scope, QStringLiteral("ScopeAction_XyView"), error))
        return false;
    auto *window = scope->findChild<QDialog *>(QStringLiteral("XyView"));
    if (!window || !choose(window, "Xy_cmb_X", x, error) || !choose(window, "Xy_cmb_Y", y, error))
        return false;
    if (auto *equal = window->findChild<QCheckBox *>(QStringLiteral("Xy_cb_Equal")))
        equal->setChecked(true);
    return save(window, file, error);
}
