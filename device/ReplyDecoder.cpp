#include "ReplyDecoder.h"

#include "DeviceLinkState.h"
#include "ReportFrame.h"

void ReplyDecoder::restart()
{
    m_live = m_state.liveValues();
}

LiveSnapshot ReplyDecoder::realTime(const quint8* reply, int length, int group, qint64 receivedNs)
{
    switch (ReportFrame::decodeRealTimeReply(reply, length, m_live)) {
    case ReportFrame::Verdict::SizeError:
        qDebug("Read Data Size Error!");
        break;
    case ReportFrame::Verdict::CountError:
        qDebug("ResolveRealReadData DataCount Error!");
        break;
    case ReportFrame::Verdict::StatusError:
        qDebug("Read  RealTimeData Error!");
        break;
    case ReportFrame::Verdict::Decoded:
        return m_state.publishLiveValues(m_live, group, receivedNs);
    case ReportFrame::Verdict::WrongHeader:
    case ReportFrame::Verdict::NoEntries:
        break;
    }
    return m_state.liveSnapshot();
}

bool ReplyDecoder::eeprom(const quint8* reply, int length)
{
    const ReportFrame::Verdict verdict = m_state.editConfig([&](ConfigRecord& record) {
        return ReportFrame::decodeEepromReply(reply, length, record);
    });
    switch (verdict) {
    case ReportFrame::Verdict::SizeError:
        qDebug("Read Data Size Error!");
        return false;
    case ReportFrame::Verdict::CountError:
        qDebug("ResolveEEpReadData DataCount Error!");
        return false;
    case ReportFrame::Verdict::StatusError:
        qDebug("Read EEpDate Error!");
        return false;
    case ReportFrame::Verdict::WrongHeader:
    case ReportFrame::Verdict::NoEntries:
    case ReportFrame::Verdict::Decoded:
        return true;
    }
    return false;
}
