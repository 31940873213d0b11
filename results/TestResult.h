#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QVector>

#include <optional>

// One encoder test as the results store keeps it: who, when, where, against
// which profile, the verdict and the whole report of the recorder.
struct TestResult
{
    Q_DECLARE_TR_FUNCTIONS(TestResult)

public:
    struct Item
    {
        QString name; // the profile item, e.g. "signal.quality_pct_min"
        double limit = 0.0;
        bool isMax = false;
        bool measured = false;
        double value = 0.0; // meaningful when measured
        bool pass = false;
    };

    qint64 id = 0; // given by the store; 0 before
    QString uid;   // unique per test, made once: the key of exactly-once delivery
    QString serial;
    QDateTime startedAt; // UTC
    double durationS = 0.0;
    QString station;
    QString operatorName; // empty: not given
    QString programVersion;
    QJsonObject testerConfig;
    QString profileName;    // empty: no profile
    QByteArray profileJson; // the profile file as read
    QString profileSha256;  // of profileJson, hex
    QString verdict;        // "pass", "fail" or "aborted"
    QString verdictReason;  // why it failed or was aborted
    QJsonObject report;     // the recorder's report under its own names
    QVector<Item> items;

    static QString newUid();
    static QString sha256(const QByteArray& bytes);
    static bool isVerdict(const QString& text);

    // Checks what a store relies on; on a fault returns false and sets `error`.
    bool isValid(QString* error) const;

    // Lossless JSON (the spool's format).
    QJsonObject toJson() const;
    static std::optional<TestResult> fromJson(const QJsonObject& json);
};
