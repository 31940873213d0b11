#include "ProtocolWriting.h"

#include "ProtocolPdf.h"
#include "ResultFiling.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QJsonObject>
#include <QSysInfo>

bool ProtocolWriting::check(QString* error) const
{
    const QFileInfo folder(QFileInfo(m_options.pdfPath).absolutePath());
    if (!folder.isDir() || !folder.isWritable()) {
        *error = tr("Cannot write the protocol %1: its folder is missing or not writable.")
                     .arg(m_options.pdfPath);
        return false;
    }
    return true;
}

TestProtocol ProtocolWriting::protocol(const Recording& r) const
{
    TestProtocol p;
    p.serial = m_options.serial;
    p.operatorName = m_options.operatorName;
    p.startedAt = r.startedAt;
    p.durationS = r.facts.durationS;
    p.station = QSysInfo::machineHostName();
    p.programVersion = QCoreApplication::applicationVersion();
    const QJsonObject config = ResultFiling::configJson(r.config);
    for (auto it = config.begin(); it != config.end(); ++it)
        p.testerConfiguration.append(
            QStringLiteral("%1: %2").arg(it.key(), it.value().toVariant().toString()));
    if (r.facts.haveProfile) {
        p.profileName = QFileInfo(r.facts.profilePath).fileName();
        p.profileSha256 = QString::fromLatin1(
            QCryptographicHash::hash(r.profile, QCryptographicHash::Sha256).toHex());
    }
    int failed = 0;
    for (const ToleranceProfile::Item& item : r.verdict.items)
        failed += item.pass ? 0 : 1;
    if (r.facts.stop == RecordingReport::Stop::Disconnected) {
        p.verdict = TestProtocol::Verdict::Aborted;
        p.reason = tr("Aborted: the tester was lost while recording.");
    } else if (r.facts.stop == RecordingReport::Stop::Interrupt) {
        p.verdict = TestProtocol::Verdict::Aborted;
        p.reason = tr("Aborted before the set time.");
    } else {
        p.verdict = r.verdict.pass ? TestProtocol::Verdict::Pass : TestProtocol::Verdict::Fail;
        if (failed > 0)
            p.reason = tr("%1 of %2 items failed").arg(failed).arg(r.verdict.items.size());
    }
    p.items = r.verdict.items;
    p.fit = r.measured.signal;
    p.pairs = r.pairs;
    p.latches = {{tr("sine/cosine"), r.measured.sinCosLatch, tr("periods")},
                 {tr("square wave"), r.measured.squareLatch, tr("counts")}};
    p.currentKnown = r.current.seen;
    p.currentMa = r.current.mean;
    return p;
}

bool ProtocolWriting::write(const Recording& recording, QString* error) const
{
    return ProtocolPdf::write(protocol(recording), m_options.pdfPath, error);
}
