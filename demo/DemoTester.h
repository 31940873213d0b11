#pragma once

#include <memory>

class SimTester;

// The tester the demo starts with: plugged in, sine/cosine mode, 20 um per
// signal period (5 um per square-wave count), three decimals, the encoder
// supply on and the shaft turning slowly.
namespace DemoTester {

std::shared_ptr<SimTester> plugIn();

} // namespace DemoTester
