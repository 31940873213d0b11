#pragma once

#include "LiveValues.h"

#include <QVector>
#include <QtGlobal>

// Which live registers a reply to each poll group refreshes, taken from the
// poll groups themselves, so that a recording uses a value only from the
// replies that carry it.
class PollGroupFields
{
public:
    PollGroupFields();

    // `address`: one of LiveRegister's.
    bool carries(int group, quint16 address) const;

private:
    QVector<QVector<quint16>> m_addresses; // per poll group
};
