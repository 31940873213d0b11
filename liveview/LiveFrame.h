#pragma once

#include <QString>
#include <QVector>
#include <QtGlobal>

// What the main window shows of the live values, as LiveView last computed
// it: a whole picture, so the window can apply the newest frame and skip the
// ones before it. Only the latch rows accumulate: every row of every reply
// since the frame was last taken.
struct LiveFrame
{
    // One new row of a latch table and the triggers it adds to its count.
    struct LatchRow
    {
        double millimetres = 0.0;
        qint64 pulses = 0;
        qint64 triggers = 0;
    };

    quint64 sequence = 0; // the snapshot this frame was computed from

    // Position: sign and value texts, alarm colours (lost signal).
    QString sign;
    QString value;
    bool positionAlarm = false;

    // Signal gauge in per cent; set once a sine/cosine position was computed.
    bool gaugeSet = false;
    double gaugePercent = 0.0;

    // The newest analogue sample pair (mid-scale 512).
    qint16 sinSample = 0;
    qint16 cosSample = 0;

    // Phase state (error: red "PhaseError", else blue "Normal") and the
    // error count beside it (red when not 0).
    bool phaseError = false;
    quint16 phaseErrorCount = 0;

    // A, B, Z levels and lines, encoder current; empty before the first reply.
    QString levelText;
    QString lineText;
    QString currentText;

    QVector<LatchRow> sinCosRows;
    QVector<LatchRow> squareRows;
};
