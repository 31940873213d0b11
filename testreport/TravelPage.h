#pragma once

#include "TestProtocol.h"

#include <QCoreApplication>
#include <QRectF>

class QPainter;

// The protocol's page on the signal along the travel and over speed: the
// amplitude, the offsets and the phase deviation along the travel with the
// profile's limits drawn, the amplitude over signal frequency with its
// threshold, the harmonics over a revolution (rotary encoders), and the
// reference-mark counts by direction. Every figure says what range it
// covers. Painted at `dpi` into `area` (the page inside its margins).
class TravelPage
{
    Q_DECLARE_TR_FUNCTIONS(TravelPage)

public:
    // A protocol has the page when its recording had sample pairs along a travel.
    static bool wanted(const TestProtocol& protocol);
    static void paint(QPainter& painter, const QRectF& area, int dpi, const TestProtocol& protocol);
};
