#include "TestResult.h"

#include "ReportKeys.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUuid>

namespace {

constexpr int kLongestText = 200;

bool plainText(const QString& text)
{
    if (text.size() > kLongestText)
        return false;
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    return true;
}

} // namespace

QString TestResult::newUid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QString TestResult::sha256(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

bool TestResult::isVerdict(const QString& text)
{
    return text == ReportKeys::verdictPass || text == ReportKeys::verdictFail ||
           text == ReportKeys::verdictAborted;
}

bool TestResult::isValid(QString* error) const
{
    if (uid.isEmpty())
        *error = tr("The result has no identity.");
    else if (serial.trimmed().isEmpty())
        *error = tr("The serial number is empty.");
    else if (!plainText(serial) || !plainText(operatorName) || !plainText(station))
        *error = tr("Serial number, operator and station must be plain text of at most 200 "
                    "characters.");
    else if (!startedAt.isValid())
        *error = tr("The result has no start time.");
    else if (!isVerdict(verdict))
        *error = tr("Unknown verdict \"%1\".").arg(verdict);
    else if (!profileJson.isEmpty() && profileSha256 != sha256(profileJson))
        *error = tr("The profile does not match its SHA-256.");
    else
        return true;
    return false;
}

QJsonObject TestResult::toJson() const
{
    QJsonObject o;
    o.insert(QStringLiteral("uid"), uid);
    o.insert(QStringLiteral("serial"), serial);
    o.insert(QStringLiteral("started_ms"), double(startedAt.toMSecsSinceEpoch()));
    o.insert(QStringLiteral("duration_s"), durationS);
    o.insert(QStringLiteral("station"), station);
    o.insert(QStringLiteral("operator"), operatorName);
    o.insert(QStringLiteral("program_version"), programVersion);
    o.insert(QStringLiteral("tester_config"), testerConfig);
    o.insert(QStringLiteral("profile_name"), profileName);
    o.insert(QStringLiteral("profile_json"), QString::fromUtf8(profileJson));
    o.insert(QStringLiteral("profile_sha256"), profileSha256);
    o.insert(QStringLiteral("verdict"), verdict);
    o.insert(QStringLiteral("verdict_reason"), verdictReason);
    o.insert(QStringLiteral("report"), report);
    QJsonArray array;
    for (const Item& item : items)
        array.append(QJsonObject{{QStringLiteral("name"), item.name},
                                 {QStringLiteral("limit"), item.limit},
                                 {QStringLiteral("is_max"), item.isMax},
                                 {QStringLiteral("measured"), item.measured},
                                 {QStringLiteral("value"), item.value},
                                 {QStringLiteral("pass"), item.pass}});
    o.insert(QStringLiteral("items"), array);
    return o;
}

std::optional<TestResult> TestResult::fromJson(const QJsonObject& o)
{
    TestResult r;
    r.uid = o.value(QStringLiteral("uid")).toString();
    r.serial = o.value(QStringLiteral("serial")).toString();
    r.startedAt = QDateTime::fromMSecsSinceEpoch(
        qint64(o.value(QStringLiteral("started_ms")).toDouble()), Qt::UTC);
    r.durationS = o.value(QStringLiteral("duration_s")).toDouble();
    r.station = o.value(QStringLiteral("station")).toString();
    r.operatorName = o.value(QStringLiteral("operator")).toString();
    r.programVersion = o.value(QStringLiteral("program_version")).toString();
    r.testerConfig = o.value(QStringLiteral("tester_config")).toObject();
    r.profileName = o.value(QStringLiteral("profile_name")).toString();
    r.profileJson = o.value(QStringLiteral("profile_json")).toString().toUtf8();
    r.profileSha256 = o.value(QStringLiteral("profile_sha256")).toString();
    r.verdict = o.value(QStringLiteral("verdict")).toString();
    r.verdictReason = o.value(QStringLiteral("verdict_reason")).toString();
    r.report = o.value(QStringLiteral("report")).toObject();
    for (const QJsonValue& v : o.value(QStringLiteral("items")).toArray()) {
        const QJsonObject i = v.toObject();
        Item item;
        item.name = i.value(QStringLiteral("name")).toString();
        item.limit = i.value(QStringLiteral("limit")).toDouble();
        item.isMax = i.value(QStringLiteral("is_max")).toBool();
        item.measured = i.value(QStringLiteral("measured")).toBool();
        item.value = i.value(QStringLiteral("value")).toDouble();
        item.pass = i.value(QStringLiteral("pass")).toBool();
        r.items.append(item);
    }
    QString error;
    if (!r.isValid(&error))
        return std::nullopt;
    return r;
}
