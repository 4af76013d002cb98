#pragma once

#include "DerivedChannelSet.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// "Derived channels": the channels the scope computes, listed with their units and
// expressions, and a row to add or replace one. An expression is checked as it is typed
// against the recorded channels; the check says where and why it does not read, and such an
// expression cannot be added. Works on a copy, taken by the scope on OK. Modal, made for one
// showing; GUI thread only.
class DerivedChannelsDialog : public QDialog
{
    Q_OBJECT

public:
    DerivedChannelsDialog(const DerivedChannelSet &channels, const QStringList &recorded,
                          QWidget *parent);

    const DerivedChannelSet &channels() const { return m_channels; }

private:
    void fillTable();
    void takeRow(int row);
    void check();
    void addTyped();
    void removeChosen();
    DerivedChannel typed() const;

    DerivedChannelSet m_channels;
    QStringList m_recorded;
    QTableWidget *m_table;
    QLineEdit *m_title;
    QLineEdit *m_unit;
    QLineEdit *m_expression;
    QLabel *m_check;
    QPushButton *m_add;
};
