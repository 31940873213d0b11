#include "FinishedTest.h"

FinishedTest::Outcome FinishedTest::outcome() const
{
    if (facts.stop != RecordingReport::Stop::Time)
        return Outcome::Aborted;
    return verdict.pass ? Outcome::Pass : Outcome::Fail;
}

QStringList FinishedTest::failedItems() const
{
    QStringList failed;
    for (const ToleranceProfile::Item& item : verdict.items) {
        if (!item.pass)
            failed << item.name;
    }
    return failed;
}
