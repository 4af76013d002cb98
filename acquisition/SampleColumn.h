#pragma once

#include <QVector>

// One column of the sample buffer: values oldest first. Dropping from the front only
// moves a start mark; the storage is compacted once the dropped part outgrows the live
// part, so appending and trimming cost amortised constant time per sample.
class SampleColumn
{
public:
    int size() const { return m_data.size() - m_head; }
    bool isEmpty() const { return size() == 0; }
    double at(int i) const { return m_data.at(m_head + i); }
    double first() const { return at(0); }
    double last() const { return m_data.last(); }

    void append(double value) { m_data.append(value); }
    void dropFront(int count);
    void clear();

    // A contiguous deep copy of the live values: never shares storage with the column,
    // so the copy may be read outside the lock while the column keeps growing.
    QVector<double> values() const
    {
        return QVector<double>(m_data.cbegin() + m_head, m_data.cend());
    }

private:
    QVector<double> m_data;
    int m_head = 0;
};
