#pragma once

#include <QMetaType>
#include <QString>

// What the store holds of one serial before its next test: how often it was
// tested, and how many of these tests ended pass or fail (a retest is any
// judged test after the first).
struct UnitHistory
{
    bool known = false; // false: the store could not be read (`error` says why)
    QString error;
    int tests = 0;
    int judged = 0;
};

Q_DECLARE_METATYPE(UnitHistory)
