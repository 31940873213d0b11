#include "ResultSpool.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

ResultSpool::ResultSpool(const QString& path) : m_path(path) {}

bool ResultSpool::open(bool create, QString* error)
{
    if (m_connection && m_connection->db().isOpen())
        return true;
    if (!create && !QFileInfo::exists(m_path))
        return false;
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath())) {
        *error = tr("Cannot create the folder of the spool %1.").arg(m_path);
        return false;
    }
    m_connection = std::make_unique<SqlConnection>(QStringLiteral("QSQLITE"));
    QSqlDatabase& db = m_connection->db();
    db.setDatabaseName(m_path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    QSqlQuery query(db);
    if (!db.open() || !query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS spool ("
                                                 " uid TEXT PRIMARY KEY,"
                                                 " location TEXT NOT NULL,"
                                                 " queued_ms BIGINT NOT NULL,"
                                                 " result TEXT NOT NULL)"))) {
        *error = tr("Cannot open the spool %1: %2")
                     .arg(m_path, db.isOpen() ? query.lastError().text() : db.lastError().text());
        m_connection.reset();
        return false;
    }
    return true;
}

bool ResultSpool::add(const QString& location, const TestResult& result, QString* error)
{
    if (!open(true, error))
        return false;
    QSqlQuery query(m_connection->db());
    query.prepare(QStringLiteral("INSERT INTO spool (uid, location, queued_ms, result) "
                                 "VALUES (?, ?, ?, ?) ON CONFLICT (uid) DO NOTHING"));
    query.addBindValue(result.uid);
    query.addBindValue(location);
    query.addBindValue(QDateTime::currentMSecsSinceEpoch());
    query.addBindValue(
        QString::fromUtf8(QJsonDocument(result.toJson()).toJson(QJsonDocument::Compact)));
    if (!query.exec()) {
        *error = tr("Cannot write to the spool %1: %2").arg(m_path, query.lastError().text());
        return false;
    }
    return true;
}

int ResultSpool::deliver(const QString& location,
                         const std::function<Delivery(const TestResult&)>& deliver, QString* error)
{
    if (!QFileInfo::exists(m_path))
        return 0;
    if (!open(false, error))
        return -1;
    QSqlQuery select(m_connection->db());
    select.prepare(
        QStringLiteral("SELECT uid, result FROM spool WHERE location = ? ORDER BY queued_ms, uid"));
    select.addBindValue(location);
    if (!select.exec()) {
        *error = tr("Cannot read the spool %1: %2").arg(m_path, select.lastError().text());
        return -1;
    }
    QVector<QPair<QString, QByteArray>> entries;
    while (select.next())
        entries.append({select.value(0).toString(), select.value(1).toString().toUtf8()});
    select.finish();

    int delivered = 0;
    for (const auto& [uid, text] : entries) {
        const std::optional<TestResult> result =
            TestResult::fromJson(QJsonDocument::fromJson(text).object());
        if (!result) {
            // Never dropped: an entry this program cannot read stays for a
            // newer one (or a person) to look at.
            *error = tr("The spool %1 holds an unreadable entry %2; it is kept.").arg(m_path, uid);
            continue;
        }
        const Delivery delivery = deliver(*result);
        if (delivery == Delivery::Stop)
            break;
        if (delivery == Delivery::Kept)
            continue;
        QSqlQuery remove(m_connection->db());
        remove.prepare(QStringLiteral("DELETE FROM spool WHERE uid = ?"));
        remove.addBindValue(uid);
        if (!remove.exec()) {
            // Delivered but still spooled: the next delivery finds it stored
            // already and only removes it.
            *error = tr("Cannot update the spool %1: %2").arg(m_path, remove.lastError().text());
            return delivered + 1;
        }
        ++delivered;
    }
    return delivered;
}

int ResultSpool::pending(const QString& location)
{
    QString error;
    if (!QFileInfo::exists(m_path))
        return 0;
    if (!open(false, &error))
        return -1;
    QSqlQuery query(m_connection->db());
    query.prepare(QStringLiteral("SELECT COUNT(*) FROM spool WHERE location = ?"));
    query.addBindValue(location);
    if (!query.exec() || !query.next())
        return -1;
    return query.value(0).toInt();
}
