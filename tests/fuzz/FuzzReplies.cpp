// Fuzz target for the reply decoders: any bytes of any length, decoded as a
// real-time reply, an EEPROM reply and an acknowledgement. A reply that is
// not accepted must leave the values exactly as they were.
#include "ReportFrame.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

bool sameLive(const LiveValues& a, const LiveValues& b)
{
    return a.sinCosPosition == b.sinCosPosition && a.sinCosLatchPosition == b.sinCosLatchPosition &&
           a.sinCosLatchCount == b.sinCosLatchCount && a.sinSample == b.sinSample &&
           a.cosSample == b.cosSample && a.squarePosition == b.squarePosition &&
           a.squareLatchPosition == b.squareLatchPosition &&
           a.squareLatchCount == b.squareLatchCount && a.phaseCheckCount == b.phaseCheckCount &&
           a.levelStates == b.levelStates && a.lineStates == b.lineStates &&
           a.encoderCurrent == b.encoderCurrent;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The decoders read at most 64 bytes; hand them an exact copy so a read
    // past the input shows up under the address sanitizer.
    std::vector<uint8_t> reply(data, data + size);
    const int length = int(size);

    LiveValues live;
    const LiveValues before = live;
    const ReportFrame::Verdict v = ReportFrame::decodeRealTimeReply(reply.data(), length, live);
    if (v != ReportFrame::Verdict::Decoded && !sameLive(live, before))
        __builtin_trap();
    if (live.sinCosLatchCount < -1 || live.sinCosLatchCount > 65535)
        __builtin_trap();

    ConfigRecord config;
    const ConfigRecord fresh = config;
    const ReportFrame::Verdict e = ReportFrame::decodeEepromReply(reply.data(), length, config);
    if (e != ReportFrame::Verdict::Decoded && config != fresh)
        __builtin_trap();
    if (config.accuracy == 0xFF || config.filterLevel == 0xFF)
        __builtin_trap();

    ReportFrame::isAcknowledged(reply.data(), length);
    return 0;
}
