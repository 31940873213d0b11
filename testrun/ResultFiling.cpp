#include "ResultFiling.h"

#include "ReportKeys.h"

#include <QFileInfo>
#include <QJsonObject>
#include <QSysInfo>

ResultFiling::ResultFiling(const QString& location) : m_location(location) {}

ResultFiling::~ResultFiling() = default;

bool ResultFiling::prepare(QString* error, QStringList* warnings)
{
    QString locationError;
    const std::optional<StoreLocation> location = StoreLocation::parse(m_location, &locationError);
    if (!location) {
        *error = tr("Bad --db: %1").arg(locationError);
        return false;
    }
    m_store = std::make_unique<ResultStore>(*location, StoreLocation::defaultSpoolPath());
    return m_store->openForWriting(error, warnings);
}

QJsonObject ResultFiling::configJson(const ConfigRecord& c)
{
    QJsonObject o;
    o.insert(ReportKeys::sincosMode, c.isSinCosMode());
    o.insert(ReportKeys::encoderPower, int(c.encoderPower));
    o.insert(ReportKeys::sincosEquivalentNm, double(c.sinCosEquivalent));
    o.insert(ReportKeys::zComparisonValue, double(c.zComparisonValue));
    o.insert(ReportKeys::adcGain, int(c.adcGain));
    o.insert(ReportKeys::squareWaveFilter, int(c.squareWaveFilter));
    o.insert(ReportKeys::squareWaveEquivalentNm, double(c.squareWaveEquivalent));
    o.insert(ReportKeys::accuracy, int(c.accuracy));
    o.insert(ReportKeys::filterLevel, int(c.filterLevel));
    return o;
}

TestResult ResultFiling::result(const FinishedTest& test)
{
    const RecordingReport::Facts& facts = test.facts;
    TestResult r;
    r.uid = TestResult::newUid();
    r.serial = test.serial;
    r.operatorName = test.operatorName;
    r.startedAt = test.startedAt.isValid() ? test.startedAt : QDateTime::currentDateTimeUtc();
    r.durationS = facts.durationS;
    r.station = QSysInfo::machineHostName();
    r.programVersion = QCoreApplication::applicationVersion();
    r.testerConfig = configJson(test.config);
    if (facts.haveProfile) {
        r.profileName = QFileInfo(facts.profilePath).fileName();
        r.profileJson = test.profile;
        r.profileSha256 = TestResult::sha256(test.profile);
    }
    r.report = test.report().toJson();
    for (const ToleranceProfile::Item& item : test.verdict.items) {
        TestResult::Item i;
        i.name = item.name;
        i.limit = item.limit;
        i.isMax = item.isMax;
        i.measured = item.measured;
        i.value = item.value;
        i.pass = item.pass;
        r.items.append(i);
    }
    switch (test.outcome()) {
    case FinishedTest::Outcome::Aborted:
        r.verdict = ReportKeys::verdictAborted;
        r.verdictReason = !test.abortReason.isEmpty() ? test.abortReason
                          : facts.stop == RecordingReport::Stop::Disconnected
                              ? QStringLiteral("the tester was lost")
                              : QStringLiteral("stopped by request");
        break;
    case FinishedTest::Outcome::Fail:
        r.verdict = ReportKeys::verdictFail;
        r.verdictReason = QStringLiteral("failed: ") + test.failedItems().join(QStringLiteral(", "));
        break;
    case FinishedTest::Outcome::Pass:
        r.verdict = ReportKeys::verdictPass;
        if (!facts.haveProfile)
            r.verdictReason = QStringLiteral("no profile");
        break;
    }
    return r;
}

ResultFiling::Filed ResultFiling::file(const FinishedTest& test)
{
    Filed filed;
    if (!m_store) {
        filed.message = tr("The results store was not opened.");
        return filed;
    }
    const ResultStore::StoreOutcome outcome = m_store->store(result(test));
    filed.outcome = outcome.outcome;
    filed.id = outcome.id;
    filed.message = outcome.message;
    if (outcome.outcome == ResultStore::Outcome::Stored) {
        const QString where = m_store->location().display();
        filed.message = outcome.delivered > 0
                            ? tr("Stored as test %1 in %2 (and %3 spooled result(s) delivered).")
                                  .arg(outcome.id)
                                  .arg(where)
                                  .arg(outcome.delivered)
                            : tr("Stored as test %1 in %2.").arg(outcome.id).arg(where);
    }
    return filed;
}
