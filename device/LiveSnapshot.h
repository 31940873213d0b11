#pragma once

#include "LiveValues.h"

#include <QMetaType>

// One decoded reply as the worker publishes it: the live values after it,
// how many replies have been published since the link state's reset, the
// poll group it answered (-1: none yet, or values not from a reply) and
// when the worker received it (steady clock, ns; 0 when not from a reply).
// A value type: it crosses from the worker to the GUI thread by copy.
struct LiveSnapshot
{
    LiveValues values;
    quint64 sequence = 0;
    int group = -1;
    qint64 receivedNs = 0;
};

Q_DECLARE_METATYPE(LiveSnapshot)
