#pragma once

#include "SimEncoder.h"
#include "SimFaults.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

// A model of the tester box behind its USB endpoints: live registers driven
// by a moving encoder, a byte-addressed EEPROM, the command registers, and
// scripted faults. Every public function takes the tester's own lock, so the
// worker (through the libusb calls) and a test thread may use it at once.
class SimTester
{
public:
    using Report = std::array<uint8_t, 64>;
    static constexpr int kEepromSize = 256;
    static constexpr uint16_t kVendorId = 0x0388;
    static constexpr uint16_t kProductId = 0x0004;

    struct Reply
    {
        Report bytes{};
        int length = 64;
        bool faultable = true; // its request matched the fault filter
    };
    struct Request
    {
        Report frame{};
        bool delivered = false; // false: the write timed out
        int64_t atUs = 0;       // when it was written, µs since the tester was made
    };

    SimTester();                                           // erased EEPROM (0xFF)
    explicit SimTester(const std::vector<uint8_t>& image); // EEPROM from an image

    // The encoder.
    void setSpeed(double periodsPerSecond);
    double speed() const;
    void setAmplitude(double counts);
    void setOffsets(double sinOffset, double cosOffset);
    void setImbalance(double cosAmplitudeRatio, double phaseDeviationDeg);
    // Supply current while the encoder is powered, mA (a little ripple added).
    void setSupplyCurrent(uint16_t milliamperes);
    void setReferenceInterval(int periods);
    // Signal faults along the travel and over speed (see SimSignalShape),
    // and a reference mark latched one period late moving backward.
    void setDirtyBand(double start, double width, double depth);
    void setEccentricity(double periodsPerRevolution, double depth, double angleDeg);
    void setOutputLimit(double cornerHz);
    void setBackwardReferenceLate(bool late);
    // Back and forth over a travel at a speed profile (SimSweep); setSpeed() ends it.
    void setSweep(const SimSweep::Profile& profile);
    // The shaft's absolute phase in periods (where the faults above are set).
    double shaftPhase();
    void setManualClock(bool manual);
    void advance(double seconds);
    void moveTo(double phase);

    // Lines broken now (bits 0-2: A, B, Z). A break stays visible in the line
    // state register until the clear-line-lock write.
    void setBrokenLines(unsigned mask);
    void injectPhaseErrors(unsigned count);
    bool supplyOn() const;

    uint8_t eepromByte(uint16_t address) const;
    void setEepromByte(uint16_t address, uint8_t value);
    std::vector<uint8_t> eeprom() const;

    // The value a real-time read of `address` would give now.
    uint16_t registerValue(uint16_t address);

    SimFaults faults() const;
    void setFaults(const SimFaults& faults);

    // Every request frame written to the tester, delivered or not.
    std::vector<Request> requests() const;
    std::vector<Report> deliveredRequests() const;
    void clearRequests();

    // Transport side, used by the simulated libusb.
    int transferDelayMs() const;
    bool setConfigurationFails();
    bool claimFails();
    // Takes a written request; false when the write times out.
    bool write(const Report& request);
    // Next reply; false when the read times out.
    bool read(Reply* reply);

private:
    struct Snapshot;
    Snapshot snapshot();
    static uint16_t registerOf(const Snapshot& s, uint16_t address);
    Reply answer(const Report& request);
    void applyRegisterWrite(uint16_t address, uint16_t value);
    void applyReplyFaults(Reply& reply);
    bool matchesFilter(const Report& request) const;

    mutable std::mutex m_mutex;
    SimEncoder m_encoder;
    std::vector<uint8_t> m_eeprom;
    SimFaults m_faults;
    std::vector<Request> m_requests;
    std::deque<Reply> m_replies;
    unsigned m_brokenNow = 0;
    unsigned m_lineLatched = 0;
    uint16_t m_phaseCheck = 0;
    uint32_t m_currentTick = 0;
    uint16_t m_supplyCurrent = 100;
    const std::chrono::steady_clock::time_point m_born = std::chrono::steady_clock::now();
};
