#include "PollGroupFields.h"

#include "ReportFrame.h"

PollGroupFields::PollGroupFields()
{
    for (const RegisterGroup& group : ReportFrame::pollGroups()) {
        QVector<quint16> addresses;
        for (int i = 0; i < group.count; ++i)
            addresses.append(group.addresses[size_t(i)]);
        m_addresses.append(addresses);
    }
}

bool PollGroupFields::carries(int group, quint16 address) const
{
    return group >= 0 && group < m_addresses.size() && m_addresses.at(group).contains(address);
}
