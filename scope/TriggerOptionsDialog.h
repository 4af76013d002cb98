#pragma once

#include "TriggerOptions.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QSpinBox;

// The small "Trigger options" dialog the plot's menu opens: single capture or repeat, how
// many captures to keep, and a folder to save each one to. Modal, made for one showing;
// GUI thread only.
class TriggerOptionsDialog : public QDialog
{
    Q_OBJECT

public:
    TriggerOptionsDialog(const TriggerOptions &options, QWidget *parent);

    TriggerOptions options() const;

private:
    void browse();

    QComboBox *m_mode;
    QSpinBox *m_keep;
    QLineEdit *m_folder;
};
