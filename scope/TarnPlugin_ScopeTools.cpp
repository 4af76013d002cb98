// The widget's operator tools beyond the form: the plot's context menu with freeze and
// set-ups, labels that always fit their text, and set-ups kept in files or QSettings.
#include "TarnPlugin_Scope.h"

#include "QScopeSetting.h"
#include "QwtScope.h"
#include "ScopeContextMenu.h"
#include "ScopeRecorder.h"
#include "ScopeSetupFile.h"
#include "ui_TarnPlugin_Scope.h"

#include <QAction>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QSaveFile>
#include <QSettings>

#include <qwt_plot_textlabel.h>
#include <qwt_text.h>

#include <algorithm>

namespace {

const char *const kSetupFilter = "Scope set-up (*.json)";
const char *const kFormMinWidth = "tarnFormMinimumWidth";
const char *const kRefusedSetupKey = "tarnRefusedSetupKey";
constexpr qint64 kMaxSetupBytes = 1 << 20;

// The form's widths were made for one font; with another (or at another scale) a label gets
// at least the width its text needs. Value labels only grow, so the strip does not jitter.
void fitToText(QLabel *label, bool growOnly)
{
    if (!label->property(kFormMinWidth).isValid())
        label->setProperty(kFormMinWidth, label->minimumWidth());
    const int formMinimum = label->property(kFormMinWidth).toInt();
    const int floor = growOnly ? label->minimumWidth() : formMinimum;
    label->setMaximumWidth(QWIDGETSIZE_MAX);
    label->setMinimumWidth(std::max({floor, formMinimum, label->sizeHint().width()}));
}

// A set-up is remembered under the scope's objectName. Scopes the host left unnamed (the
// form names them after the class) would share one key, so only one of them at a time gets
// it; any other is refused for good.
QString settingsKey(QWidget *scope)
{
    const QString name = scope->objectName();
    if (!name.isEmpty() && name != QLatin1String(scope->metaObject()->className()))
        return QStringLiteral("TarnScope/%1/setup").arg(name);
    static QPointer<QWidget> unnamedHolder;
    if (!unnamedHolder && !scope->property(kRefusedSetupKey).toBool())
        unnamedHolder = scope;
    if (unnamedHolder != scope) {
        scope->setProperty(kRefusedSetupKey, true);
        return QString();
    }
    return QStringLiteral("TarnScope/TarnPlugin_Scope/setup");
}

void selectText(QComboBox *box, const QString &text, const char *what, QStringList &skipped)
{
    if (text.isEmpty())
        return;
    const int index = box->findText(text);
    if (index >= 0)
        box->setCurrentIndex(index);
    else
        skipped << QStringLiteral("%1 \"%2\"").arg(QLatin1String(what), text);
}

} // namespace

void TarnPlugin_Scope::createOperatorTools()
{
    m_pTools = new ScopeContextMenu(m_pScope, this);

    m_pFreezeAction = new QAction(QStringLiteral("Freeze view"), this);
    m_pFreezeAction->setObjectName(QStringLiteral("ScopeAction_Freeze"));
    m_pFreezeAction->setCheckable(true);
    m_pFreezeAction->setShortcut(QKeySequence(Qt::Key_F));
    connect(m_pFreezeAction, &QAction::toggled, this, &TarnPlugin_Scope::setViewFrozen);

    auto *saveSetup = new QAction(QStringLiteral("Save set-up…"), this);
    saveSetup->setObjectName(QStringLiteral("ScopeAction_SaveSetup"));
    connect(saveSetup, SIGNAL(triggered()), this, SLOT(saveSetupToFile()));
    auto *loadSetup = new QAction(QStringLiteral("Load set-up…"), this);
    loadSetup->setObjectName(QStringLiteral("ScopeAction_LoadSetup"));
    connect(loadSetup, SIGNAL(triggered()), this, SLOT(loadSetupFromFile()));
    m_pTools->addActions({m_pFreezeAction});
    m_pTools->addActions({saveSetup, loadSetup});

    m_pFrozenLabel = new QwtPlotTextLabel;
    QwtText text(QStringLiteral("View frozen, recording goes on"));
    text.setRenderFlags(Qt::AlignRight | Qt::AlignTop);
    text.setColor(QColor(170, 60, 0));
    text.setBackgroundBrush(QColor(255, 255, 255, 225));
    m_pFrozenLabel->setText(text);
    m_pFrozenLabel->setMargin(8);
    m_pFrozenLabel->setVisible(false);
    m_pFrozenLabel->attach(m_pScope);

    connect(m_pScopeSetting, SIGNAL(userSetAxisInfo()), this, SLOT(rememberSetup()));
}

void TarnPlugin_Scope::setViewFrozen(bool frozen)
{
    frozen = frozen && m_pRecorder->isSampling();
    if (m_pFreezeAction->isChecked() != frozen)
        m_pFreezeAction->setChecked(frozen); // comes back here through toggled
    if (m_bViewFrozen == frozen)
        return;
    m_bViewFrozen = frozen;
    m_pFrozenLabel->setVisible(frozen);
    m_pScope->replot();
}

void TarnPlugin_Scope::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        fitLabelsToText(false);
}

void TarnPlugin_Scope::fitLabelsToText(bool valuesOnly)
{
    if (valuesOnly) {
        for (QLabel *label : {ui->Kvel_Scope_lb_MoxCPU, ui->Kvel_Scope_lb_MoxMem,
                              ui->Kvel_Scope_lb_ReadScopeMaxCyc, ui->Kvel_Scope_lb_ReadScopeCyc})
            fitToText(label, true);
        return;
    }
    for (QFrame *frame :
         {ui->ScopePageFrame_Setting, ui->ScopePageFrame_CtlPanel, ui->ScopePageFrame_Trigger}) {
        for (QLabel *label : frame->findChildren<QLabel *>())
            fitToText(label, false);
    }
}

// ---- set-ups ---------------------------------------------------------------------------

ScopeSetup TarnPlugin_Scope::currentSetup() const
{
    ScopeSetup setup;
    setup.components = m_pScopeSetting->checkedIds(QScopeSetting::Tree::Components);
    setup.links = m_pScopeSetting->checkedIds(QScopeSetting::Tree::Links);
    setup.endEffectors = m_pScopeSetting->checkedIds(QScopeSetting::Tree::EndEffectors);
    setup.periodMs = m_nPeriodTime;
    setup.triggerOn = ui->cb_Trigger->isChecked();
    setup.triggerChannel = ui->Kvel_Scope_cmb_TriggerSel->currentText();
    setup.triggerCondition = ui->Kvel_Scope_cmb_TriggerCondition->currentText();
    setup.triggerMode = ui->Kvel_Scope_cmb_TriggerFS->currentText();
    setup.triggerThreshold = ui->Kvel_Scope_edit_TriggerThreshold->text();
    setup.triggerDelay = ui->Kvel_Scope_edit_TriggerDelay->text();
    setup.triggerAbsolute = ui->cb_AbsoluteValue->isChecked();
    return setup;
}

// As if the operator had made the set-up by hand: period, dialog checks confirmed, then the
// trigger controls (the trigger channel list is filled by the confirmation).
void TarnPlugin_Scope::applySetup(const ScopeSetup &setup, QStringList &skipped)
{
    ui->ScopePlugin_edit_PeriodTime->setText(QString::number(setup.periodMs));
    m_pScopeSetting->setCheckedIds(QScopeSetting::Tree::Components, setup.components);
    m_pScopeSetting->setCheckedIds(QScopeSetting::Tree::Links, setup.links);
    m_pScopeSetting->setCheckedIds(QScopeSetting::Tree::EndEffectors, setup.endEffectors);
    setScopeSetting();

    // A lone auto-exclusive radio button cannot be unchecked by a click; a set-up can.
    ui->cb_Trigger->setAutoExclusive(false);
    ui->cb_Trigger->setChecked(setup.triggerOn);
    ui->cb_Trigger->setAutoExclusive(true);
    selectText(ui->Kvel_Scope_cmb_TriggerSel, setup.triggerChannel, "trigger channel", skipped);
    selectText(ui->Kvel_Scope_cmb_TriggerCondition, setup.triggerCondition, "trigger condition",
               skipped);
    selectText(ui->Kvel_Scope_cmb_TriggerFS, setup.triggerMode, "trigger mode", skipped);
    ui->Kvel_Scope_edit_TriggerThreshold->setText(setup.triggerThreshold);
    ui->Kvel_Scope_edit_TriggerDelay->setText(setup.triggerDelay);
    ui->cb_AbsoluteValue->setChecked(setup.triggerAbsolute);
}

void TarnPlugin_Scope::saveSetupToFile()
{
    QFileDialog dialog(this, "Save Set-up", "Tarn_Scope_Setup", kSetupFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("json");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString fileName = dialog.selectedFiles().first();
    const QByteArray json = currentSetup().toJson();
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size() || !file.flush() ||
        !file.commit()) {
        QMessageBox::warning(this, "Warning",
                             QString("ERROR:Cannot write %1: %2").arg(fileName, file.errorString()),
                             QMessageBox::Ok);
    }
}

void TarnPlugin_Scope::loadSetupFromFile()
{
    const QString fileName = QFileDialog::getOpenFileName(this, "Load Set-up", ".", kSetupFilter);
    if (fileName.isEmpty())
        return;
    QFile file(fileName);
    QStringList skipped;
    ScopeSetup setup;
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxSetupBytes) {
        skipped << QStringLiteral("everything: cannot read %1").arg(fileName);
    } else if (ScopeSetup::fromJson(file.readAll(), setup, skipped)) {
        applySetup(setup, skipped);
        rememberSetup();
    }
    if (!skipped.isEmpty())
        QMessageBox::warning(this, "Warning",
                             QString("ERROR:Set-up %1 loaded in part; skipped: %2")
                                 .arg(fileName, skipped.join(QStringLiteral("; "))),
                             QMessageBox::Ok);
}

void TarnPlugin_Scope::setPersistSetup(bool on)
{
    m_bPersistSetup = on;
    if (on && settingsKey(this).isEmpty())
        qWarning("TarnPlugin_Scope: persistSetup is on for a second scope without an objectName;"
                 " its set-up is not remembered. Give each scope its own objectName.");
    if (on && !m_bSetupRestored) {
        m_bSetupRestored = true;
        restoreRememberedSetup();
    }
}

void TarnPlugin_Scope::rememberSetup()
{
    const QString key = m_bPersistSetup ? settingsKey(this) : QString();
    if (!key.isEmpty())
        QSettings().setValue(key, QString::fromUtf8(currentSetup().toJson()));
}

// No message box at start-up: what the remembered set-up could not bring back goes to the log.
void TarnPlugin_Scope::restoreRememberedSetup()
{
    const QString key = settingsKey(this);
    const QString json = key.isEmpty() ? QString() : QSettings().value(key).toString();
    if (json.isEmpty())
        return;
    QStringList skipped;
    ScopeSetup setup;
    if (ScopeSetup::fromJson(json.toUtf8(), setup, skipped))
        applySetup(setup, skipped);
    if (!skipped.isEmpty())
        qWarning("TarnPlugin_Scope: remembered set-up restored in part; skipped: %s",
                 qUtf8Printable(skipped.join(QStringLiteral("; "))));
}
