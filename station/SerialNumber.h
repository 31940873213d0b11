#pragma once

#include <QCoreApplication>
#include <QString>

#include <optional>

// A unit's serial number as a scanner or the operator typed it: spaces
// around it dropped; refused when empty, longer than kMaxLength or holding
// a control character (a scanner's stray tab or escape).
class SerialNumber
{
    Q_DECLARE_TR_FUNCTIONS(SerialNumber)

public:
    static constexpr int kMaxLength = 64;

    // The serial to test under; nothing and `error` set when refused.
    static std::optional<QString> check(const QString& typed, QString* error);
};
