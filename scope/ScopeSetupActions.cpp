#include "ScopeSetupActions.h"

#include "ChannelColours.h"
#include "DerivedChannelSet.h"
#include "GuardedDialog.h"
#include "QScopeSetting.h"
#include "SaveDialog.h"
#include "ScopeAnnouncer.h"
#include "ScopeCaptures.h"
#include "ScopeSetupFile.h"
#include "SpectrumView.h"
#include "TarnPlugin_Scope.h"
#include "TriggerControls.h"
#include "XyView.h"

#include <QAction>
#include <QPointer>
#include <QSettings>

namespace {

const char *const kSetupFilter = QT_TRANSLATE_NOOP("ScopeSetupActions", "Scope set-up (*.json)");
const char *const kRefusedSetupKey = "tarnRefusedSetupKey";
// The spectrum's windows as set-up files name them, in the order of SpectrumWindow.
const QStringList kSpectrumWindowTexts{"none", "hann", "flat top"};

void selectText(TriggerControls &controls, TriggerControls::Choice choice, const QString &text,
                const char *what, QStringList &skipped)
{
    if (!text.isEmpty() && !controls.selectChoiceText(choice, text))
        skipped << QStringLiteral("%1 \"%2\"").arg(ScopeSetupActions::tr(what), text);
}

// Set-up files hold numbers as the C locale writes them; older files hold the field's text
// as it was typed, which reads the same way. An empty threshold was a field left empty, which
// counted as 0.
void applyThreshold(TriggerControls &controls, const QString &text, const QLocale &locale,
                    QStringList &skipped)
{
    const std::optional<double> threshold =
        text.isEmpty() ? 0.0 : TriggerControls::readNumber(text, locale);
    if (threshold)
        controls.setThreshold(*threshold);
    else
        skipped << ScopeSetupActions::tr("trigger threshold \"%1\"").arg(text);
}

void applyDelay(TriggerControls &controls, const QString &text, const QLocale &locale,
                QStringList &skipped)
{
    const std::optional<double> delay =
        text.isEmpty() ? std::nullopt : TriggerControls::readNumber(text, locale);
    if (text.isEmpty() || delay)
        controls.setDelay(delay);
    else
        skipped << ScopeSetupActions::tr("trigger delay \"%1\"").arg(text);
}

QString fileText(std::optional<double> value)
{
    return value ? TriggerControls::writeNumber(*value, QLocale::c()) : QString();
}

} // namespace

// A set-up is remembered under the scope's objectName. Scopes the host left unnamed (the
// form names them after the class) would share one key, so only one of them at a time gets
// it; any other is refused for good.
QString ScopeSetupActions::settingsKey() const
{
    QWidget *scope = m_scope;
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

ScopeSetupActions::ScopeSetupActions(TarnPlugin_Scope *scope, Parts parts,
                                     ScopeAnnouncer &announcer, Host &host)
    : QObject(scope), m_scope(scope), m_parts(parts), m_announcer(announcer), m_host(host)
{
    auto *save = new QAction(TarnPlugin_Scope::tr("Save set-up…"), this);
    save->setObjectName(QStringLiteral("ScopeAction_SaveSetup"));
    connect(save, &QAction::triggered, this, &ScopeSetupActions::saveToFile);
    auto *load = new QAction(TarnPlugin_Scope::tr("Load set-up…"), this);
    load->setObjectName(QStringLiteral("ScopeAction_LoadSetup"));
    connect(load, &QAction::triggered, this, &ScopeSetupActions::loadFromFile);
    m_actions = {save, load};
    connect(&parts.channelDialog, &QScopeSetting::userSetAxisInfo, this,
            &ScopeSetupActions::rememberSetup);
}

ScopeSetup ScopeSetupActions::currentSetup() const
{
    const QScopeSetting &dialog = m_parts.channelDialog;
    const TriggerControls &controls = m_parts.trigger;
    ScopeSetup setup;
    setup.components = dialog.checkedIds(QScopeSetting::Tree::Components);
    setup.links = dialog.checkedIds(QScopeSetting::Tree::Links);
    setup.endEffectors = dialog.checkedIds(QScopeSetting::Tree::EndEffectors);
    setup.periodMs = m_scope->period();
    const TriggerSettings &trigger = controls.settings();
    setup.triggerOn = controls.isEnabled();
    setup.triggerChannel = controls.choiceText(TriggerControls::Choice::Channel);
    setup.triggerCondition = controls.choiceText(TriggerControls::Choice::Condition);
    setup.triggerMode = controls.choiceText(TriggerControls::Choice::Mode);
    setup.triggerThreshold = fileText(trigger.threshold);
    setup.triggerDelay = fileText(trigger.delay);
    setup.triggerAbsolute = trigger.absoluteValue;
    setup.triggerOptions = m_parts.captures.options();
    setup.stripView = m_scope->isStripView();
    setup.exactValues = m_scope->exactValues();
    setup.scaleToVisible = m_scope->scalesToVisibleCurves();
    setup.wallClockTime = m_scope->wallClockTime();
    setup.channelColours = m_parts.colours.assignment();
    setup.derivedChannels = m_parts.derived.channels();
    const XyView::Choices xy = m_parts.xy.choices();
    setup.xyX = xy.x;
    setup.xyY = xy.y;
    setup.xyEqualScales = xy.equalScales;
    const SpectrumView::Choices spectrum = m_parts.spectrum.choices();
    setup.spectrumCurve = spectrum.curve;
    setup.spectrumWindow = kSpectrumWindowTexts.at(int(spectrum.window));
    setup.spectrumDecibel = spectrum.scale == SpectrumScale::Decibel;
    return setup;
}

// As if the operator had made the set-up by hand: period, dialog checks confirmed, then the
// trigger controls (the trigger channel list is filled by the confirmation). The channel
// colours go first, so that the confirmed channels are shown in them.
void ScopeSetupActions::applySetup(const ScopeSetup &setup, QStringList &skipped)
{
    QStringList derived;
    for (const DerivedChannel &channel : setup.derivedChannels)
        derived << channel.title;
    for (const QString &title : m_parts.colours.restore(setup.channelColours, derived))
        skipped << tr("the colour of %1").arg(title);
    m_scope->setPeriod(setup.periodMs); // the file reader took only a valid one
    QScopeSetting &dialog = m_parts.channelDialog;
    dialog.setCheckedIds(QScopeSetting::Tree::Components, setup.components);
    dialog.setCheckedIds(QScopeSetting::Tree::Links, setup.links);
    dialog.setCheckedIds(QScopeSetting::Tree::EndEffectors, setup.endEffectors);
    m_parts.derived.setChannels(setup.derivedChannels);
    const QString refused = m_host.applyChannelChoice();
    if (!refused.isEmpty())
        skipped << refused;
    for (const QString &leftOut : m_host.derivedChannelsLeftOut())
        skipped << tr("derived channel %1").arg(leftOut);

    TriggerControls &controls = m_parts.trigger;
    controls.setEnabled(setup.triggerOn);
    selectText(controls, TriggerControls::Choice::Channel, setup.triggerChannel,
               QT_TRANSLATE_NOOP("ScopeSetupActions", "trigger channel"), skipped);
    selectText(controls, TriggerControls::Choice::Condition, setup.triggerCondition,
               QT_TRANSLATE_NOOP("ScopeSetupActions", "trigger condition"), skipped);
    selectText(controls, TriggerControls::Choice::Mode, setup.triggerMode,
               QT_TRANSLATE_NOOP("ScopeSetupActions", "trigger mode"), skipped);
    applyThreshold(controls, setup.triggerThreshold, m_scope->locale(), skipped);
    applyDelay(controls, setup.triggerDelay, m_scope->locale(), skipped);
    controls.setAbsoluteValue(setup.triggerAbsolute);
    m_parts.captures.setOptions(setup.triggerOptions);
    m_scope->setStripView(setup.stripView);
    m_scope->setExactValues(setup.exactValues);
    m_scope->setScaleToVisibleCurves(setup.scaleToVisible);
    m_scope->setWallClockTime(setup.wallClockTime);
    m_parts.xy.setChoices({setup.xyX, setup.xyY, setup.xyEqualScales});
    m_parts.spectrum.setChoices(
        {setup.spectrumCurve,
         SpectrumWindow(kSpectrumWindowTexts.indexOf(setup.spectrumWindow)), // the reader knows it
         setup.spectrumDecibel ? SpectrumScale::Decibel : SpectrumScale::Linear});
}

void ScopeSetupActions::saveToFile()
{
    const ScopeAnnouncer::Call call(m_announcer, __func__);
    const std::optional<QString> fileName = SaveDialog::askFileName(
        m_scope, tr("Save Set-up"), "Tarn_Scope_Setup", tr(kSetupFilter), "json");
    if (!fileName || fileName->isEmpty())
        return; // cancelled, or the scope went with the dialog
    QString error;
    if (!currentSetup().save(*fileName, &error))
        SaveDialog::warnCannotWrite(m_scope, *fileName, error);
}

void ScopeSetupActions::loadFromFile()
{
    const ScopeAnnouncer::Call call(m_announcer, __func__);
    const std::optional<QString> fileName =
        SaveDialog::askOpenFileName(m_scope, tr("Load Set-up"), tr(kSetupFilter));
    if (!fileName || fileName->isEmpty())
        return; // cancelled, or the scope went with the dialog
    QStringList skipped;
    ScopeSetup setup;
    if (ScopeSetup::load(*fileName, setup, skipped)) {
        if (!m_host.mayLoseRecording(
                tr("The recording on the plot is not saved. Loading the set-up replaces it; "
                   "export the recording first to keep it.\n\nLoad the set-up anyway?")))
            return; // kept, or the scope went with the question
        applySetup(setup, skipped);
        rememberSetup();
    }
    if (!skipped.isEmpty())
        askGuarded(m_scope, QMessageBox::Warning, tr("Warning"),
                   tr("ERROR:Set-up %1 loaded in part; skipped: %2")
                       .arg(*fileName, skipped.join(QStringLiteral("; "))));
}

void ScopeSetupActions::setPersistSetup(bool on)
{
    m_bPersistSetup = on;
    if (on && settingsKey().isEmpty())
        qWarning("TarnPlugin_Scope: persistSetup is on for a second scope without an objectName;"
                 " its set-up is not remembered. Give each scope its own objectName.");
    if (on && !m_bSetupRestored) {
        m_bSetupRestored = true;
        restoreRememberedSetup();
    }
}

// Only a set-up the scope can record is remembered: the last one stays until then.
void ScopeSetupActions::rememberSetup()
{
    const QString key = m_bPersistSetup && m_host.channelChoiceFits() ? settingsKey() : QString();
    if (!key.isEmpty())
        QSettings().setValue(key, QString::fromUtf8(currentSetup().toJson()));
}

// No message box at start-up: what the remembered set-up could not bring back goes to the log.
void ScopeSetupActions::restoreRememberedSetup()
{
    const QString key = settingsKey();
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
