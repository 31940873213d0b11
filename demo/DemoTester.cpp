#include "DemoTester.h"

#include "ConfigRecord.h"
#include "EepromImage.h"
#include "SimBus.h"
#include "SimTester.h"

namespace DemoTester {

std::shared_ptr<SimTester> plugIn()
{
    ConfigRecord record;
    record.sinCosMode = 1;
    record.sinCosEquivalent = 20000;
    record.zComparisonValue = 2500;
    record.adcGain = 16;
    record.squareWaveFilter = 2;
    record.squareWaveEquivalent = 5000;
    record.accuracy = 3;
    record.filterLevel = 0;

    auto tester = std::make_shared<SimTester>();
    for (const RegisterGroup& group : EepromImage::writeGroups(record))
        for (int i = 0; i < group.count; ++i)
            tester->setEepromByte(group.addresses[size_t(i)], uint8_t(group.values[size_t(i)]));
    tester->setEepromByte(0x14, 1); // supply on: the program switches it off
    tester->setSpeed(2.0);
    SimBus::instance().addTester(0, tester);
    return tester;
}

} // namespace DemoTester
