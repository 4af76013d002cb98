#include "SampleColumn.h"

#include <algorithm>

void SampleColumn::dropFront(int count)
{
    m_head += std::clamp(count, 0, size());
    if (m_head == m_data.size()) {
        clear();
    } else if (m_head > 1024 && m_head > size()) {
        m_data.remove(0, m_head);
        m_head = 0;
    }
}

void SampleColumn::clear()
{
    m_data.clear();
    m_head = 0;
}
