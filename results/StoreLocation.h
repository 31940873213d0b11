#pragma once

#include <QCoreApplication>
#include <QString>

#include <optional>

// Where results are kept, from the --db argument:
//   a file path                          SQLite (the default file when empty)
//   postgresql://user@host:port/db       PostgreSQL over TCP
//   postgresql:///db?host=/socket/dir    PostgreSQL on a Unix socket folder
// A password in the URL is refused: libpq reads it from ~/.pgpass, so it
// never shows in a process list or a shell history.
class StoreLocation
{
    Q_DECLARE_TR_FUNCTIONS(StoreLocation)

public:
    enum class Engine
    {
        Sqlite,
        Postgres
    };

    Engine engine = Engine::Sqlite;
    QString filePath; // SQLite: absolute path of the file
    QString user;     // PostgreSQL: empty for libpq's default (the login name)
    QString host;     // host name, address or socket folder; empty for libpq's default
    int port = 0;     // 0: libpq's default (5432)
    QString database;

    // Parses a location; an empty text is the default SQLite file. On error
    // returns nothing and sets `error` to a sentence for the user.
    static std::optional<StoreLocation> parse(const QString& text, QString* error);

    // $XDG_DATA_HOME/rotaprobe/results.sqlite (~/.local/share when unset).
    static QString defaultPath();
    // The spool beside the default file: results waiting for their store.
    static QString defaultSpoolPath();

    // The location as a user reads it (and as the spool keys its entries).
    QString display() const;

private:
    static std::optional<StoreLocation> parseUrl(const QString& text, QString* error);
};
