#pragma once

#include <QCoreApplication>
#include <QString>

class SimTester;

// Faults along the travel and over speed for the simulated programs, from
// one line (the recorder's and the station's simulated builds read it from
// ROTAPROBE_SIM_TRAVEL), items separated by commas:
//   sweep=FROM:TO:MIN:MAX:STEPS  back and forth between FROM and TO periods,
//                                STEPS speeds from MIN to MAX periods/s
//   band=START:WIDTH:LOSS        a dirty band (periods), LOSS % less amplitude
//   disc=PERIODS:SWING:ANGLE     an off-centre disc: PERIODS a revolution,
//                                ±SWING % peaking at ANGLE°
//   limit=HZ                     output-frequency limit (first-order corner)
//   marks=PERIODS                a reference mark every PERIODS periods
//   late                         the mark latched a period late moving backward
class SimTravelScenario
{
    Q_DECLARE_TR_FUNCTIONS(SimTravelScenario)

public:
    static constexpr const char* kVariable = "ROTAPROBE_SIM_TRAVEL";

    // Sets `tester` as the line says; false (nothing set) and `error` for a
    // line it cannot read.
    static bool apply(const QString& line, SimTester& tester, QString* error);
    // From the variable, if set; a line it cannot read is reported on stderr.
    static void applyFromEnvironment(SimTester& tester);
};
