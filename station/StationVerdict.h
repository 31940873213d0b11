#pragma once

#include "FinishedTest.h"

#include <QMetaType>
#include <QString>

// How one test on the station ended, as its window shows it.
struct StationVerdict
{
    FinishedTest::Outcome outcome = FinishedTest::Outcome::Aborted;
    QString serial;
    ToleranceProfile::Verdict verdict; // the items as judged (none when nothing was recorded)
    QString reason;        // why it was aborted
    int retest = 0;        // judged tests of the unit before this one; -1: not known
    bool linkLost = false; // the tester was lost during the test
    bool supplyLeftOn = false;
    QString protocolPath;  // the protocol written, or empty
    QString protocolError; // why it could not be written
};

Q_DECLARE_METATYPE(StationVerdict)
