#pragma once

#include "ResultStore.h"

#include <QMetaType>
#include <QString>
#include <QVector>

// What the station shows of its history: its latest results and how many
// of today's tests (local day) passed.
struct StationHistory
{
    static constexpr int kRows = 20;

    bool known = false; // false: the store could not be read (`error` says why)
    QString error;
    QVector<ResultStore::Row> latest; // newest first, at most kRows
    qint64 todayTests = 0;
    qint64 todayPassed = 0;
};

Q_DECLARE_METATYPE(StationHistory)
