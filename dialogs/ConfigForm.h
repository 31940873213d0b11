#pragma once

#include "ConfigEdit.h"
#include "ConfigRecord.h"

#include <QString>

// The settings dialog's fields as plain values: what the widgets show after
// a refresh and what the operator has typed or chosen. Combo indices are
// QComboBox indices, -1 when no item is shown.
struct ConfigForm
{
    // The first fault of a form, in the order the fields are checked.
    enum Error
    {
        NoError,
        SinCosEquivalentEmpty,
        ZComparisonValueEmpty,
        AdcGainEmpty,
        SquareWaveEquivalentEmpty,
        SinCosEquivalentInvalid,   // not a number from 0 to 4294967.295
        ZComparisonValueOutOfRange, // not a number from 2 to 3 (after truncation)
        AdcGainInvalid,            // not a whole number from 0 to 4294967295
        SquareWaveEquivalentInvalid
    };

    static constexpr quint32 kMinComparison = 2000;
    static constexpr quint32 kMaxComparison = 3000;
    static constexpr int kFilterItems = 6;   // "0" ... "5"
    static constexpr int kAccuracyItems = 6; // "1" ... "6"
    static constexpr int kLevelItems = 3;    // None, MIDDLE, HIGH

    bool sinCosMode = false;     // the sine/cosine radio is checked
    bool encoderPowerOn = false; // shown only, never written
    QString sinCosEquivalent;    // micrometres
    QString zComparisonValue;
    QString adcGain;
    int squareWaveFilterIndex = 0;
    QString squareWaveEquivalent; // micrometres
    int accuracyIndex = 5;
    int filterLevelIndex = 0;

    // What the widgets show for a record.
    static ConfigForm fromRecord(const ConfigRecord& record);

    // Checks every field and converts them. On NoError *edit holds the
    // values to store; otherwise *edit is left alone and nothing is to be
    // stored or sent.
    Error check(ConfigEdit* edit) const;
};
