#include "ProtocolWriting.h"

#include "ResultFiling.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QJsonObject>
#include <QSysInfo>

bool ProtocolWriting::check(QString* error) const
{
    if (checkFolder(QFileInfo(m_path).absolutePath(), nullptr))
        return true;
    *error = tr("Cannot write the protocol %1: its folder is missing or not writable.").arg(m_path);
    return false;
}

bool ProtocolWriting::checkFolder(const QString& folder, QString* error)
{
    const QFileInfo info(folder);
    if (info.isDir() && info.isWritable())
        return true;
    if (error)
        *error = tr("The protocol folder %1 is missing or not writable.").arg(folder);
    return false;
}

TestProtocol ProtocolWriting::protocol(const FinishedTest& t)
{
    TestProtocol p;
    p.serial = t.serial;
    p.operatorName = t.operatorName;
    p.startedAt = t.startedAt;
    p.durationS = t.facts.durationS;
    p.station = QSysInfo::machineHostName();
    p.programVersion = QCoreApplication::applicationVersion();
    const QJsonObject config = ResultFiling::configJson(t.config);
    for (auto it = config.begin(); it != config.end(); ++it)
        p.testerConfiguration.append(
            QStringLiteral("%1: %2").arg(it.key(), it.value().toVariant().toString()));
    if (t.facts.haveProfile) {
        p.profileName = QFileInfo(t.facts.profilePath).fileName();
        p.profileSha256 = QString::fromLatin1(
            QCryptographicHash::hash(t.profile, QCryptographicHash::Sha256).toHex());
    }
    switch (t.outcome()) {
    case FinishedTest::Outcome::Aborted:
        p.verdict = TestProtocol::Verdict::Aborted;
        p.reason = !t.abortReason.isEmpty() ? t.abortReason
                   : t.facts.stop == RecordingReport::Stop::Disconnected
                       ? tr("Aborted: the tester was lost while recording.")
                       : tr("Aborted before the set time.");
        break;
    case FinishedTest::Outcome::Fail:
        p.verdict = TestProtocol::Verdict::Fail;
        p.reason = tr("%1 of %2 items failed")
                       .arg(t.failedItems().size())
                       .arg(t.verdict.items.size());
        break;
    case FinishedTest::Outcome::Pass:
        p.verdict = TestProtocol::Verdict::Pass;
        break;
    }
    p.items = t.verdict.items;
    p.fit = t.measured.signal;
    p.travel = t.measured.travel;
    p.pairs = t.pairs;
    p.latches = {{tr("sine/cosine"), t.measured.sinCosLatch, tr("periods")},
                 {tr("square wave"), t.measured.squareLatch, tr("counts")}};
    p.currentKnown = t.current.seen;
    p.currentMa = t.current.mean;
    return p;
}

bool ProtocolWriting::write(const FinishedTest& test, QString* written, QString* error) const
{
    return ProtocolPdf::write(protocol(test), m_path, m_placement, written, error);
}
