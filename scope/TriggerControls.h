#pragma once

#include "ScopeChannel.h"
#include "TriggerSettings.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QComboBox;
class QLineEdit;
class QLocale;
class Ui_TarnPlugin_Scope;

// The form's trigger controls bound to one TriggerSettings value, kept current as the
// operator or code changes them: the channel list, condition, mode, threshold, delay and the
// absolute-value box. Threshold and delay have one reading and one writing of their text: the
// fields in the widget's locale, code and set-up files in the C locale. Owned by the scope
// widget (a Qt child); GUI thread only.
class TriggerControls : public QObject
{
    Q_OBJECT

public:
    TriggerControls(Ui_TarnPlugin_Scope &ui, QWidget *scope);

    const TriggerSettings &settings() const { return m_settings; }

    // "Trigger Condition": whether Start arms the trigger; the recorder hears of it then.
    bool isEnabled() const;
    void setEnabled(bool on);

    // The list names exactly the bound channels, each pointing at its slot. The chosen
    // channel stays chosen while it is bound; one no longer recorded stays listed, marked as
    // such and pointing nowhere, so the trigger never fires on another channel in its place.
    void listChannels(const std::vector<ScopeChannel> &channels);
    // The three lists of choices, as set-up files name their entries.
    enum class Choice
    {
        Channel,
        Condition,
        Mode
    };
    // The chosen entry as its list shows it.
    QString choiceText(Choice choice) const;
    // False, changing nothing, for a text the list does not show.
    bool selectChoiceText(Choice choice, const QString &text);
    QString channelText() const { return choiceText(Choice::Channel); }
    // False, changing nothing, for a title the list does not hold as a recorded channel.
    bool selectChannel(const QString &title);

    void setCondition(int condition);
    void setMode(int mode);
    void setAbsoluteValue(bool on);
    // False, changing nothing, for a value that is not finite.
    bool setThreshold(double threshold);
    // None is no delay: whole batches, as before delays existed.
    bool setDelay(std::optional<double> milliseconds);

    // A number as the operator types it: an optional sign, digits with at most one decimal
    // mark, an optional exponent. The mark is the point or the locale's own, and the comma
    // wherever it does not group thousands, so "40,5" and "40.5" read alike in de_DE and
    // fr_FR, while en_US refuses "40,5" (and so "1,000"). No group separator is read:
    // "1.000,5" does not read. None for anything else, and for values that are not finite.
    static std::optional<double> readNumber(const QString &text, const QLocale &locale);
    // The fewest digits that read back to exactly `value`, with the locale's decimal mark;
    // plain from a millionth up to 1e15, with an exponent beyond.
    static QString writeNumber(double value, const QLocale &locale);

signals:
    // The value changed: a batch from now on is evaluated against the new one.
    void settingsChanged();
    void enabledChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setUpNumberField(QLineEdit *edit, bool emptyMeansNone,
                          std::function<QString()> shownValue);
    void takeTypedThreshold(const QString &text);
    void takeTypedDelay(const QString &text);
    // The value in effect as its field shows it.
    QString thresholdText() const;
    QString delayText() const;
    void showThreshold();
    void showDelay();
    void readChoices();
    void update(const TriggerSettings &settings);
    QComboBox *listOf(Choice choice) const;

    Ui_TarnPlugin_Scope &ui;
    TriggerSettings m_settings;
};
