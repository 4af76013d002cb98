#include "TriggerControls.h"

#include "ScopeCatalog.h"
#include "TarnPlugin_Scope.h"
#include "ui_TarnPlugin_Scope.h"

#include <QEvent>
#include <QLocale>
#include <QSignalBlocker>
#include <QValidator>

#include <cmath>
#include <functional>
#include <utility>

namespace {

// Item data of the channel list besides the curve slot (Qt::UserRole).
constexpr int kChannelTitleRole = Qt::UserRole + 1;
// Plain digits read best in this range; beyond it they run too long for the field.
constexpr double kSmallestPlain = 1e-6;
constexpr double kLargestPlain = 1e15;

// Where the comma groups thousands ("1,000" in en_US) it is refused rather than read as a
// decimal mark: an operator's 1,000 must not become 1.
bool isDecimalMark(QChar ch, const QLocale &locale)
{
    return ch == QLatin1Char('.') || ch == locale.decimalPoint() ||
           (ch == QLatin1Char(',') && locale.groupSeparator() != QLatin1Char(','));
}

bool isPlainNumberChar(QChar ch)
{
    return (ch >= QLatin1Char('0') && ch <= QLatin1Char('9')) || ch == QLatin1Char('e') ||
           ch == QLatin1Char('E') || ch == QLatin1Char('+') || ch == QLatin1Char('-');
}

bool sameSettings(const TriggerSettings &a, const TriggerSettings &b)
{
    return a.channel == b.channel && a.condition == b.condition && a.mode == b.mode &&
           a.threshold == b.threshold && a.delay == b.delay && a.absoluteValue == b.absoluteValue;
}

// Refuses what can never read. Text on its way to a number ("-", "1e") may stay while it is
// typed; leaving the field then shows the value in effect again.
class NumberValidator : public QValidator
{
public:
    NumberValidator(QLineEdit *edit, bool emptyMeansNone, std::function<QString()> shownValue)
        : QValidator(edit), m_edit(edit), m_bEmptyMeansNone(emptyMeansNone),
          m_shownValue(std::move(shownValue))
    {}

    State validate(QString &input, int &) const override
    {
        if (input.isEmpty())
            return m_bEmptyMeansNone ? Acceptable : Intermediate;
        const QLocale locale = m_edit->locale();
        if (TriggerControls::readNumber(input, locale))
            return Acceptable;
        // One more digit would make it read.
        return TriggerControls::readNumber(input + QLatin1Char('0'), locale) ? Intermediate
                                                                             : Invalid;
    }

    void fixup(QString &input) const override { input = m_shownValue(); }

private:
    QLineEdit *m_edit;
    bool m_bEmptyMeansNone;
    std::function<QString()> m_shownValue;
};

} // namespace

TriggerControls::TriggerControls(Ui_TarnPlugin_Scope &form, QWidget *scope)
    : QObject(scope), ui(form)
{
    ui.Kvel_Scope_cmb_TriggerCondition->addItems(ScopeCatalog::instance().triggerConditions());
    ui.Kvel_Scope_cmb_TriggerFS->addItems(ScopeCatalog::instance().triggerModes());
    setUpNumberField(ui.Kvel_Scope_edit_TriggerThreshold, false,
                     [this] { return thresholdText(); });
    setUpNumberField(ui.Kvel_Scope_edit_TriggerDelay, true, [this] { return delayText(); });
    connect(ui.Kvel_Scope_edit_TriggerThreshold, &QLineEdit::textChanged, this,
            &TriggerControls::takeTypedThreshold);
    connect(ui.Kvel_Scope_edit_TriggerDelay, &QLineEdit::textChanged, this,
            &TriggerControls::takeTypedDelay);
    // What was typed is shown as it was read: "40,5" in an English field becomes "40.5".
    connect(ui.Kvel_Scope_edit_TriggerThreshold, &QLineEdit::editingFinished, this,
            &TriggerControls::showThreshold);
    connect(ui.Kvel_Scope_edit_TriggerDelay, &QLineEdit::editingFinished, this,
            &TriggerControls::showDelay);

    const auto indexChanged = qOverload<int>(&QComboBox::currentIndexChanged);
    for (QComboBox *box : {ui.Kvel_Scope_cmb_TriggerSel, ui.Kvel_Scope_cmb_TriggerCondition,
                           ui.Kvel_Scope_cmb_TriggerFS})
        connect(box, indexChanged, this, &TriggerControls::readChoices);
    connect(ui.cb_AbsoluteValue, &QCheckBox::toggled, this, &TriggerControls::readChoices);
    connect(ui.cb_Trigger, &QRadioButton::toggled, this, &TriggerControls::enabledChanged);
    readChoices();
    showThreshold();
}

void TriggerControls::setUpNumberField(QLineEdit *edit, bool emptyMeansNone,
                                       std::function<QString()> shownValue)
{
    edit->setValidator(new NumberValidator(edit, emptyMeansNone, std::move(shownValue)));
    edit->installEventFilter(this);
}

bool TriggerControls::isEnabled() const
{
    return ui.cb_Trigger->isChecked();
}

// A lone auto-exclusive radio button cannot be unchecked by a click; code can.
void TriggerControls::setEnabled(bool on)
{
    ui.cb_Trigger->setAutoExclusive(false);
    ui.cb_Trigger->setChecked(on);
    ui.cb_Trigger->setAutoExclusive(true);
}

void TriggerControls::listChannels(const std::vector<ScopeChannel> &channels)
{
    QComboBox *list = ui.Kvel_Scope_cmb_TriggerSel;
    {
        const QSignalBlocker blocker(list);
        const QString chosen = list->currentData(kChannelTitleRole).toString();
        list->clear();
        for (const ScopeChannel &ch : channels) {
            list->addItem(ch.title, QVariant(ch.binding.slot));
            list->setItemData(list->count() - 1, ch.title, kChannelTitleRole);
        }
        int current = chosen.isEmpty() ? 0 : list->findData(chosen, kChannelTitleRole);
        if (current < 0) {
            list->insertItem(0, TarnPlugin_Scope::tr("%1 (not recorded)").arg(chosen));
            list->setItemData(0, chosen, kChannelTitleRole);
            list->setItemData(0, QColor(190, 0, 0), Qt::ForegroundRole);
            current = 0;
        }
        list->setCurrentIndex(current);
    }
    readChoices();
}

QComboBox *TriggerControls::listOf(Choice choice) const
{
    switch (choice) {
    case Choice::Channel:
        return ui.Kvel_Scope_cmb_TriggerSel;
    case Choice::Condition:
        return ui.Kvel_Scope_cmb_TriggerCondition;
    case Choice::Mode:
        break;
    }
    return ui.Kvel_Scope_cmb_TriggerFS;
}

QString TriggerControls::choiceText(Choice choice) const
{
    return listOf(choice)->currentText();
}

bool TriggerControls::selectChoiceText(Choice choice, const QString &text)
{
    QComboBox *list = listOf(choice);
    const int index = list->findText(text);
    if (index < 0)
        return false;
    list->setCurrentIndex(index);
    return true;
}

bool TriggerControls::selectChannel(const QString &title)
{
    QComboBox *list = ui.Kvel_Scope_cmb_TriggerSel;
    const int index = list->findData(title, kChannelTitleRole);
    if (index < 0 || !list->itemData(index).isValid())
        return false;
    list->setCurrentIndex(index);
    return true;
}

void TriggerControls::setCondition(int condition)
{
    ui.Kvel_Scope_cmb_TriggerCondition->setCurrentIndex(condition);
}

void TriggerControls::setMode(int mode)
{
    ui.Kvel_Scope_cmb_TriggerFS->setCurrentIndex(mode);
}

void TriggerControls::setAbsoluteValue(bool on)
{
    ui.cb_AbsoluteValue->setChecked(on);
}

bool TriggerControls::setThreshold(double threshold)
{
    if (!std::isfinite(threshold))
        return false;
    TriggerSettings next = m_settings;
    next.threshold = threshold;
    update(next);
    showThreshold();
    return true;
}

bool TriggerControls::setDelay(std::optional<double> milliseconds)
{
    if (milliseconds && !std::isfinite(*milliseconds))
        return false;
    TriggerSettings next = m_settings;
    next.delay = milliseconds;
    update(next);
    showDelay();
    return true;
}

std::optional<double> TriggerControls::readNumber(const QString &text, const QLocale &locale)
{
    QString plain;
    plain.reserve(text.size());
    bool marked = false;
    for (const QChar ch : text) {
        if (isDecimalMark(ch, locale)) {
            if (marked)
                return std::nullopt;
            marked = true;
            plain += QLatin1Char('.');
        } else if (ch == locale.negativeSign()) {
            plain += QLatin1Char('-');
        } else if (isPlainNumberChar(ch)) {
            plain += ch;
        } else {
            return std::nullopt;
        }
    }
    bool isNumber = false;
    const double value = plain.toDouble(&isNumber);
    if (!isNumber || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString TriggerControls::writeNumber(double value, const QLocale &locale)
{
    const double size = std::fabs(value);
    const bool plainDigits = value == 0.0 || (size >= kSmallestPlain && size < kLargestPlain);
    QString text = QString::number(value, plainDigits ? 'f' : 'g', QLocale::FloatingPointShortest);
    text.replace(QLatin1Char('.'), locale.decimalPoint());
    return text;
}

// Text that does not read (yet) leaves the value as it was.
void TriggerControls::takeTypedThreshold(const QString &text)
{
    const std::optional<double> value =
        readNumber(text, ui.Kvel_Scope_edit_TriggerThreshold->locale());
    if (!value)
        return;
    TriggerSettings next = m_settings;
    next.threshold = *value;
    update(next);
}

void TriggerControls::takeTypedDelay(const QString &text)
{
    TriggerSettings next = m_settings;
    if (text.isEmpty()) {
        next.delay.reset();
    } else {
        next.delay = readNumber(text, ui.Kvel_Scope_edit_TriggerDelay->locale());
        if (!next.delay)
            return;
    }
    update(next);
}

QString TriggerControls::thresholdText() const
{
    return writeNumber(m_settings.threshold, ui.Kvel_Scope_edit_TriggerThreshold->locale());
}

QString TriggerControls::delayText() const
{
    return m_settings.delay
               ? writeNumber(*m_settings.delay, ui.Kvel_Scope_edit_TriggerDelay->locale())
               : QString();
}

void TriggerControls::showThreshold()
{
    if (ui.Kvel_Scope_edit_TriggerThreshold->text() != thresholdText())
        ui.Kvel_Scope_edit_TriggerThreshold->setText(thresholdText());
}

void TriggerControls::showDelay()
{
    if (ui.Kvel_Scope_edit_TriggerDelay->text() != delayText())
        ui.Kvel_Scope_edit_TriggerDelay->setText(delayText());
}

void TriggerControls::readChoices()
{
    TriggerSettings next = m_settings;
    const QVariant slot = ui.Kvel_Scope_cmb_TriggerSel->currentData();
    next.channel = slot.isValid() ? slot.toInt() : -1;
    next.condition = ui.Kvel_Scope_cmb_TriggerCondition->currentIndex();
    next.mode = ui.Kvel_Scope_cmb_TriggerFS->currentIndex();
    next.absoluteValue = ui.cb_AbsoluteValue->isChecked();
    update(next);
}

void TriggerControls::update(const TriggerSettings &settings)
{
    if (sameSettings(settings, m_settings))
        return;
    m_settings = settings;
    emit settingsChanged();
}

// The fields follow the operator's locale: another decimal mark shows at once.
bool TriggerControls::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::LocaleChange) {
        if (watched == ui.Kvel_Scope_edit_TriggerThreshold)
            showThreshold();
        else if (watched == ui.Kvel_Scope_edit_TriggerDelay)
            showDelay();
    }
    return QObject::eventFilter(watched, event);
}
