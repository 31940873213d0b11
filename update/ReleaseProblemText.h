#pragma once

#include "ReleaseTrust.h"

#include <QCoreApplication>
#include <QString>

// What the update windows of both programs say when a release is refused.
class ReleaseProblemText
{
    Q_DECLARE_TR_FUNCTIONS(ReleaseProblemText)

public:
    static QString text(ReleaseProblem problem);
};
