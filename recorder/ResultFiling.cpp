#include "ResultFiling.h"

#include <QFileInfo>
#include <QJsonObject>
#include <QSysInfo>

ResultFiling::ResultFiling(const RecorderOptions& options) : m_options(options) {}

ResultFiling::~ResultFiling() = default;

bool ResultFiling::prepare(QString* error, QStringList* warnings)
{
    if (!active())
        return true;
    QString locationError;
    const std::optional<StoreLocation> location =
        StoreLocation::parse(m_options.dbLocation, &locationError);
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
    o.insert(QStringLiteral("sincos_mode"), c.isSinCosMode());
    o.insert(QStringLiteral("encoder_power"), int(c.encoderPower));
    o.insert(QStringLiteral("sincos_equivalent_nm"), double(c.sinCosEquivalent));
    o.insert(QStringLiteral("z_comparison_value"), double(c.zComparisonValue));
    o.insert(QStringLiteral("adc_gain"), int(c.adcGain));
    o.insert(QStringLiteral("square_wave_filter"), int(c.squareWaveFilter));
    o.insert(QStringLiteral("square_wave_equivalent_nm"), double(c.squareWaveEquivalent));
    o.insert(QStringLiteral("accuracy"), int(c.accuracy));
    o.insert(QStringLiteral("filter_level"), int(c.filterLevel));
    return o;
}

TestResult ResultFiling::makeResult(const RecordingReport& report,
                                    const RecordingReport::Facts& facts,
                                    const ToleranceProfile::Verdict& verdict,
                                    const ConfigRecord& config) const
{
    TestResult r;
    r.uid = TestResult::newUid();
    r.serial = m_options.serial;
    r.operatorName = m_options.operatorName;
    r.startedAt = m_startedAt.isValid() ? m_startedAt : QDateTime::currentDateTimeUtc();
    r.durationS = facts.durationS;
    r.station = QSysInfo::machineHostName();
    r.programVersion = QCoreApplication::applicationVersion();
    r.testerConfig = configJson(config);
    if (facts.haveProfile) {
        r.profileName = QFileInfo(facts.profilePath).fileName();
        r.profileJson = m_profileJson;
        r.profileSha256 = TestResult::sha256(m_profileJson);
    }
    r.report = report.toJson();
    QStringList failed;
    for (const ToleranceProfile::Item& item : verdict.items) {
        TestResult::Item i;
        i.name = item.name;
        i.limit = item.limit;
        i.isMax = item.isMax;
        i.measured = item.measured;
        i.value = item.value;
        i.pass = item.pass;
        r.items.append(i);
        if (!item.pass)
            failed << item.name;
    }
    switch (facts.stop) {
    case RecordingReport::Stop::Interrupt:
        r.verdict = QStringLiteral("aborted");
        r.verdictReason = QStringLiteral("stopped by request");
        break;
    case RecordingReport::Stop::Disconnected:
        r.verdict = QStringLiteral("aborted");
        r.verdictReason = QStringLiteral("the tester was lost");
        break;
    case RecordingReport::Stop::Time:
        r.verdict = verdict.pass ? QStringLiteral("pass") : QStringLiteral("fail");
        if (!verdict.pass)
            r.verdictReason = QStringLiteral("failed: ") + failed.join(QStringLiteral(", "));
        else if (!facts.haveProfile)
            r.verdictReason = QStringLiteral("no profile");
        break;
    }
    return r;
}

bool ResultFiling::file(const RecordingReport& report, const RecordingReport::Facts& facts,
                        const ToleranceProfile::Verdict& verdict, const ConfigRecord& config,
                        QString* message)
{
    if (!active() || !m_store)
        return true;
    const ResultStore::StoreOutcome outcome =
        m_store->store(makeResult(report, facts, verdict, config));
    switch (outcome.outcome) {
    case ResultStore::Outcome::Stored:
        *message =
            outcome.delivered > 0
                ? tr("Stored as test %1 in %2 (and %3 spooled result(s) delivered).")
                      .arg(outcome.id)
                      .arg(m_store->location().display())
                      .arg(outcome.delivered)
                : tr("Stored as test %1 in %2.").arg(outcome.id).arg(m_store->location().display());
        return true;
    case ResultStore::Outcome::Spooled:
        *message = outcome.message;
        return true;
    case ResultStore::Outcome::Lost:
        break;
    }
    *message = outcome.message;
    return false;
}
