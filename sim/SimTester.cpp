#include "SimTester.h"

#include <algorithm>

namespace {

constexpr size_t kMaxQueuedReplies = 4;
constexpr size_t kMaxRecordedRequests = 100000;

uint16_t word(const uint8_t* p)
{
    return uint16_t(p[0] | (p[1] << 8));
}

uint16_t wordOf(int64_t value, int index)
{
    return uint16_t(uint64_t(value) >> (16 * index));
}

} // namespace

struct SimTester::Snapshot
{
    int64_t sinCosPosition, sinCosLatch, squarePosition, squareLatch;
    uint32_t latchCount;
    uint16_t sinSample, cosSample, levels, lines, phaseCheck, current;
};

SimTester::SimTester() : SimTester(std::vector<uint8_t>(kEepromSize, 0xFF)) {}

SimTester::SimTester(const std::vector<uint8_t>& image) : m_eeprom(image)
{
    m_eeprom.resize(kEepromSize, 0xFF);
    m_encoder.setPowered((m_eeprom[0x14] & 1) != 0);
}

double SimTester::speed() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_encoder.speed();
}

void SimTester::setSpeed(double periodsPerSecond)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_encoder.setSpeed(periodsPerSecond);
}

void SimTester::setAmplitude(double counts)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_encoder.setAmplitude(counts);
}

void SimTester::setOffsets(double sinOffset, double cosOffset)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_encoder.setOffsets(sinOffset, cosOffset);
}

void SimTester::setImbalance(double cosAmplitudeRatio, double phaseDeviationDeg)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_encoder.setImbalance(cosAmplitudeRatio, phaseDeviationDeg);
}

void SimTester::setSupplyCurrent(uint16_t milliamperes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_supplyCurrent = milliamperes;
}

void SimTester::setReferenceInterval(int periods)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_encoder.setReferenceInterval(periods);
}

void SimTester::setDirtyBand(double start, double width, double depth)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_encoder.shape().setDirtyBand(start, width, depth);
}

void SimTester::setEccentricity(double periodsPerRevolution, double depth, double angleDeg)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_encoder.shape().setEccentricity(periodsPerRevolution, depth, angleDeg);
}

void SimTester::setOutputLimit(double cornerHz)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_encoder.shape().setOutputLimit(cornerHz);
}

void SimTester::setBackwardReferenceLate(bool late)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_encoder.phase(); // marks passed so far were latched as before
    m_encoder.setBackwardReferenceLate(late);
}

double SimTester::shaftPhase()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_encoder.phase();
}

void SimTester::setSweep(const SimSweep::Profile& profile)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_encoder.setSweep(profile);
}

void SimTester::setManualClock(bool manual)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_encoder.setManualClock(manual);
}

void SimTester::advance(double seconds)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_encoder.advance(seconds);
}

void SimTester::moveTo(double phase)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_encoder.moveTo(phase);
}

void SimTester::setBrokenLines(unsigned mask)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_brokenNow = mask & 7u;
    m_lineLatched |= m_brokenNow;
}

void SimTester::injectPhaseErrors(unsigned count)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_phaseCheck = uint16_t(m_phaseCheck + count);
}

bool SimTester::supplyOn() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_encoder.powered();
}

uint8_t SimTester::eepromByte(uint16_t address) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return address < m_eeprom.size() ? m_eeprom[address] : 0xFF;
}

void SimTester::setEepromByte(uint16_t address, uint8_t value)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (address < m_eeprom.size())
        m_eeprom[address] = value;
}

std::vector<uint8_t> SimTester::eeprom() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_eeprom;
}

uint16_t SimTester::registerValue(uint16_t address)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return registerOf(snapshot(), address);
}

SimFaults SimTester::faults() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_faults;
}

void SimTester::setFaults(const SimFaults& faults)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults = faults;
}

std::vector<SimTester::Request> SimTester::requests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

std::vector<SimTester::Report> SimTester::deliveredRequests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<Report> frames;
    for (const Request& r : m_requests)
        if (r.delivered)
            frames.push_back(r.frame);
    return frames;
}

void SimTester::clearRequests()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_requests.clear();
}

int SimTester::transferDelayMs() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_faults.transferDelayMs;
}

bool SimTester::setConfigurationFails()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_faults.setConfigurationFailures <= 0)
        return false;
    --m_faults.setConfigurationFailures;
    return true;
}

bool SimTester::claimFails()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_faults.claimFailures <= 0)
        return false;
    --m_faults.claimFailures;
    return true;
}

bool SimTester::write(const Report& request)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const bool faultable = matchesFilter(request);
    const bool timeout = faultable && m_faults.writeTimeouts > 0;
    if (timeout)
        --m_faults.writeTimeouts;
    if (m_requests.size() < kMaxRecordedRequests) {
        const auto age = std::chrono::steady_clock::now() - m_born;
        m_requests.push_back(
            {request, !timeout,
             int64_t(std::chrono::duration_cast<std::chrono::microseconds>(age).count())});
    }
    if (timeout)
        return false;

    const bool eepromRead = request[0] == 0x11 && request[1] == 0x12;
    if (eepromRead && word(&request[6]) == m_faults.eepromReadFailGroup)
        return true; // taken, never answered
    Reply reply = answer(request);
    reply.faultable = faultable;
    if (faultable)
        applyReplyFaults(reply);
    if (m_replies.size() >= kMaxQueuedReplies)
        m_replies.pop_front();
    m_replies.push_back(reply);
    return true;
}

bool SimTester::read(Reply* reply)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_replies.empty())
        return false;
    if (m_faults.readTimeouts > 0 && m_replies.front().faultable) {
        --m_faults.readTimeouts;
        m_replies.pop_front(); // the reply is lost
        return false;
    }
    *reply = m_replies.front();
    m_replies.pop_front();
    return true;
}

SimTester::Snapshot SimTester::snapshot()
{
    Snapshot s{};
    s.sinCosPosition = m_encoder.sinCosPosition();
    s.sinCosLatch = m_encoder.sinCosLatchPosition();
    s.squarePosition = m_encoder.squarePosition();
    s.squareLatch = m_encoder.squareLatchPosition();
    s.latchCount = m_encoder.latchCount();
    s.sinSample = m_encoder.sinSample();
    s.cosSample = m_encoder.cosSample();
    s.levels = m_encoder.levels();
    s.lines = uint16_t(7u & ~m_lineLatched);
    s.phaseCheck = m_phaseCheck;
    // The set current with a little ripple while the encoder is supplied.
    const int ripple = int(m_currentTick++ % 5) - 2;
    s.current = m_encoder.powered() ? uint16_t(std::max(0, m_supplyCurrent + ripple)) : 0;
    return s;
}

uint16_t SimTester::registerOf(const Snapshot& s, uint16_t address)
{
    if (address >= 0x1000 && address <= 0x1003)
        return wordOf(s.sinCosPosition, address - 0x1000);
    if (address >= 0x1008 && address <= 0x100B)
        return wordOf(s.sinCosLatch, address - 0x1008);
    if (address >= 0x2000 && address <= 0x2003)
        return wordOf(s.squarePosition, address - 0x2000);
    if (address >= 0x2008 && address <= 0x200B)
        return wordOf(s.squareLatch, address - 0x2008);
    switch (address) {
    case 0x100C:
    case 0x200C:
        return uint16_t(s.latchCount);
    case 0x1100:
        return s.sinSample;
    case 0x1101:
        return s.cosSample;
    case 0x200D:
        return s.phaseCheck;
    case 0x2010:
        return s.levels;
    case 0x2014:
        return s.lines;
    case 0x5010:
        return s.current;
    default:
        return 0;
    }
}

void SimTester::applyRegisterWrite(uint16_t address, uint16_t)
{
    if (address == 0x5000) {
        m_encoder.resetCounters();
        m_phaseCheck = 0;
    } else if (address == 0x2014) {
        m_lineLatched = m_brokenNow;
    }
}

SimTester::Reply SimTester::answer(const Report& request)
{
    Reply reply;
    reply.bytes[0] = request[0];
    reply.bytes[1] = request[1];
    reply.bytes[4] = request[4];
    reply.bytes[6] = request[6];
    reply.bytes[7] = request[7];

    const int count = request[4];
    const bool read = request[0] == 0x11, write = request[0] == 0x12;
    const bool live = request[1] == 0x11, eeprom = request[1] == 0x12;
    if (count < 1 || count > 12 || !(read || write) || !(live || eeprom))
        return reply; // status 0: the firmware refuses the request
    if (write && eeprom && word(&request[6]) == m_faults.eepromWriteNakGroup)
        return reply;

    const Snapshot s = snapshot();
    for (int i = 0; i < count; ++i) {
        const uint8_t* entry = &request[16 + 4 * i];
        const uint16_t address = word(entry);
        uint16_t value = word(entry + 2);
        if (eeprom && address >= m_eeprom.size())
            return reply;
        if (read && live) {
            value = registerOf(s, address);
        } else if (read) {
            value = m_eeprom[address];
        } else if (live) {
            applyRegisterWrite(address, value);
        } else if (address == 0x14) {
            if (!m_faults.supplyStuck) {
                m_eeprom[address] = uint8_t(value);
                m_encoder.setPowered((value & 1) != 0);
            }
            value = m_encoder.powered() ? 1 : 0;
        } else {
            m_eeprom[address] = uint8_t(value);
        }
        uint8_t* out = &reply.bytes[16 + 4 * i];
        out[0] = entry[0];
        out[1] = entry[1];
        out[2] = uint8_t(value & 0xFF);
        out[3] = uint8_t(value >> 8);
    }
    reply.bytes[8] = 1;
    return reply;
}

bool SimTester::matchesFilter(const Report& request) const
{
    return (m_faults.onlyDirection == 0 || request[0] == m_faults.onlyDirection) &&
           (m_faults.onlySpace == 0 || request[1] == m_faults.onlySpace) &&
           (m_faults.onlyGroup < 0 || word(&request[6]) == m_faults.onlyGroup);
}

void SimTester::applyReplyFaults(Reply& reply)
{
    auto take = [](int& counter) {
        if (counter <= 0)
            return false;
        --counter;
        return true;
    };
    if (take(m_faults.statusZeroReplies))
        reply.bytes[8] = 0;
    if (take(m_faults.wrongHeaderReplies)) {
        reply.bytes[0] = uint8_t(m_faults.wrongHeader[0]);
        reply.bytes[1] = uint8_t(m_faults.wrongHeader[1]);
    }
    if (take(m_faults.oversizedCountReplies))
        reply.bytes[4] = 13;
    if (take(m_faults.shortReplies))
        reply.length = 32;
}
