#pragma once

#include <QSqlDatabase>
#include <QString>

// A named Qt SQL connection that is removed again with its owner. Qt keeps
// connections in a process-wide registry by name; each owner makes its own
// unique name, so stores and spools never share one by accident.
//
// Threads: a connection belongs to the thread that made it; create, use and
// destroy it there.
class SqlConnection
{
public:
    explicit SqlConnection(const QString& driver);
    ~SqlConnection();
    SqlConnection(const SqlConnection&) = delete;
    SqlConnection& operator=(const SqlConnection&) = delete;

    QSqlDatabase& db() { return m_db; }

private:
    QString m_name;
    QSqlDatabase m_db;
};
