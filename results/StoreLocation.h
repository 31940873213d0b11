#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <optional>

// Where results are kept, from the --db argument:
//   a file path                          SQLite (the default file when empty)
//   postgresql://user@host:port/db       PostgreSQL over TCP
//   postgresql:///db?host=/socket/dir    PostgreSQL on a Unix socket folder
// A URL may also set how libpq connects: sslmode, sslrootcert, sslcert,
// sslkey and connect_timeout (any other parameter is refused). A password
// in the URL is refused: libpq reads it from ~/.pgpass, so it never shows
// in a process list or a shell history.
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
    // PostgreSQL: how libpq connects; empty or 0 for libpq's default.
    QString sslMode;     // disable, allow, prefer, require, verify-ca, verify-full
    QString sslRootCert; // files, as given
    QString sslCert;
    QString sslKey;
    int connectTimeoutS = 0;

    // Parses a location; an empty text is the default SQLite file. On error
    // returns nothing and sets `error` to a sentence for the user.
    static std::optional<StoreLocation> parse(const QString& text, QString* error);

    // $XDG_DATA_HOME/rotaprobe/results.sqlite (~/.local/share when unset).
    static QString defaultPath();
    // The spool beside the default file: results waiting for their store.
    static QString defaultSpoolPath();

    // The location as a user reads it, connection settings included; it
    // parses back to the same location.
    QString display() const;
    // The store itself, without the connection settings: the spool keys its
    // entries by it, so results spooled before sslmode was added still
    // reach the same database.
    QString spoolKey() const;

    // Qt's PostgreSQL driver options for the connection settings (';'
    // between options, values quoted for libpq); `defaultTimeoutS` when the
    // URL sets no connect_timeout.
    QString connectOptions(int defaultTimeoutS) const;

    // A PostgreSQL server reached over a network (not a socket folder, not
    // the loopback address) without sslmode verify-ca or verify-full: the
    // password may go to whoever answers.
    bool unverifiedOverNetwork() const;

    // libpq's sslmode values.
    static const QStringList& sslModes();

private:
    static std::optional<StoreLocation> parseUrl(const QString& text, QString* error);
    // Takes one URL parameter; false with `error` when it is refused.
    bool takeParameter(const QString& text, const QString& key, const QString& value,
                       QString* error);
    QString url(bool withSettings) const;
};
