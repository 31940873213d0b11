#include "SqlConnection.h"

#include <QUuid>

SqlConnection::SqlConnection(const QString& driver)
    : m_name(QStringLiteral("rotaprobe-") + QUuid::createUuid().toString(QUuid::WithoutBraces)),
      m_db(QSqlDatabase::addDatabase(driver, m_name))
{
}

SqlConnection::~SqlConnection()
{
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}
