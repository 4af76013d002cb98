#pragma once

#include <QDialog>

class QPushButton;
class QTableWidget;
class ScopeCaptures;

// The kept captures as a list (trigger time, channel, value, file); "Show" puts the chosen
// one on the plot, where Export and the plot's tools work on it. Modal, made for one
// showing; GUI thread only.
class CaptureListDialog : public QDialog
{
    Q_OBJECT

public:
    CaptureListDialog(const ScopeCaptures &captures, bool canShow, QWidget *parent);

    // The row chosen with "Show" or "Compare", -1 for none.
    int chosen() const { return m_chosen; }
    // "Compare": beside what the plot shows, rather than instead.
    bool compares() const { return m_compares; }

private:
    int fittingWidth() const;

    QTableWidget *m_table;
    int m_chosen = -1;
    bool m_compares = false;
};
