#include "StoreLocation.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>

#include <algorithm>

namespace {

bool isUrl(const QString& text)
{
    return text.startsWith(QLatin1String("postgresql:"), Qt::CaseInsensitive) ||
           text.startsWith(QLatin1String("postgres:"), Qt::CaseInsensitive);
}

bool hasControlCharacter(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return true;
    return false;
}

// A character that cannot be printed (a control or unassigned one) does not
// always come back the same from a location's display form.
bool allPrintable(const QString& text)
{
    const QVector<uint> points = text.toUcs4();
    return std::all_of(points.begin(), points.end(), [](uint c) { return QChar::isPrint(c); });
}

} // namespace

QString StoreLocation::defaultPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("rotaprobe/results.sqlite"));
}

QString StoreLocation::defaultSpoolPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("rotaprobe/spool.sqlite"));
}

std::optional<StoreLocation> StoreLocation::parse(const QString& text, QString* error)
{
    if (hasControlCharacter(text)) {
        *error = tr("The database location contains a control character.");
        return std::nullopt;
    }
    if (isUrl(text))
        return parseUrl(text, error);
    if (text.contains(QLatin1String("://"))) {
        *error = tr("\"%1\" is neither a file nor a postgresql:// URL.").arg(text);
        return std::nullopt;
    }
    StoreLocation location;
    location.filePath = QFileInfo(text.isEmpty() ? defaultPath() : text).absoluteFilePath();
    if (QFileInfo(location.filePath).isDir()) {
        *error = tr("%1 is a folder, not a database file.").arg(location.filePath);
        return std::nullopt;
    }
    return location;
}

std::optional<StoreLocation> StoreLocation::parseUrl(const QString& text, QString* error)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid()) {
        *error = tr("\"%1\" is not a valid URL: %2").arg(text, url.errorString());
        return std::nullopt;
    }
    if (!url.password().isEmpty() || url.userInfo().contains(QLatin1Char(':'))) {
        *error = tr("No password in the URL, please: put it in ~/.pgpass "
                    "(host:port:database:user:password, mode 0600).");
        return std::nullopt;
    }
    if (!url.fragment().isEmpty()) {
        *error = tr("\"%1\": a database URL has no #fragment.").arg(text);
        return std::nullopt;
    }
    StoreLocation location;
    location.engine = Engine::Postgres;
    location.user = url.userName(QUrl::FullyDecoded);
    location.host = url.host(QUrl::FullyDecoded);
    if (url.port() == 0) {
        *error = tr("\"%1\": the port must be between 1 and 65535.").arg(text);
        return std::nullopt;
    }
    location.port = url.port(0);
    QString path = url.path(QUrl::FullyDecoded);
    if (path.startsWith(QLatin1Char('/')))
        path.remove(0, 1);
    if (path.isEmpty() || path.contains(QLatin1Char('/'))) {
        *error = tr("\"%1\" names no database: postgresql://user@host:port/database.").arg(text);
        return std::nullopt;
    }
    location.database = path;
    if (!allPrintable(location.user) || !allPrintable(location.host) ||
        !allPrintable(location.database)) {
        *error = tr("\"%1\": a control or unassigned character is encoded in the URL.")
                     .arg(text);
        return std::nullopt;
    }
    const QUrlQuery query(url);
    QStringList seen;
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (seen.contains(key)) {
            *error = tr("\"%1\": the URL parameter \"%2\" is given twice.").arg(text, key);
            return std::nullopt;
        }
        seen << key;
        if (!allPrintable(value)) {
            *error = tr("\"%1\": a control or unassigned character is encoded in the URL.")
                         .arg(text);
            return std::nullopt;
        }
        if (!location.takeParameter(text, key, value, error))
            return std::nullopt;
    }
    return location;
}

bool StoreLocation::takeParameter(const QString& text, const QString& key, const QString& value,
                                  QString* error)
{
    if (key == QLatin1String("host")) {
        // The parameter names a socket folder; a host name goes before the path.
        if (!host.isEmpty() || !value.startsWith(QLatin1Char('/'))) {
            *error = tr("\"%1\": host= needs the absolute path of a socket folder, and only "
                        "without a host before the path.")
                         .arg(text);
            return false;
        }
        host = value;
        return true;
    }
    if (key == QLatin1String("sslmode")) {
        if (!sslModes().contains(value)) {
            *error = tr("\"%1\": sslmode= takes one of %2.")
                         .arg(text, sslModes().join(QStringLiteral(", ")));
            return false;
        }
        sslMode = value;
        return true;
    }
    QString* const file = key == QLatin1String("sslrootcert") ? &sslRootCert
                          : key == QLatin1String("sslcert")   ? &sslCert
                          : key == QLatin1String("sslkey")    ? &sslKey
                                                              : nullptr;
    if (file) {
        // Qt's driver splits its options at ';': such a path cannot reach libpq whole.
        if (value.isEmpty() || value.contains(QLatin1Char(';')) || !allPrintable(value)) {
            *error = tr("\"%1\": %2= needs the path of a file (without ';').").arg(text, key);
            return false;
        }
        *file = value;
        return true;
    }
    if (key == QLatin1String("connect_timeout")) {
        bool ok = false;
        const int seconds = value.toInt(&ok);
        const bool digits = std::all_of(value.begin(), value.end(), [](QChar c) {
            return c >= QLatin1Char('0') && c <= QLatin1Char('9');
        });
        if (!ok || !digits || seconds <= 0) {
            *error =
                tr("\"%1\": connect_timeout= takes a whole number of seconds above 0.").arg(text);
            return false;
        }
        connectTimeoutS = seconds;
        return true;
    }
    *error = tr("\"%1\": unknown URL parameter \"%2\" (understood: host, sslmode, "
                "sslrootcert, sslcert, sslkey, connect_timeout).")
                 .arg(text, key);
    return false;
}

QString StoreLocation::display() const
{
    return url(true);
}

QString StoreLocation::spoolKey() const
{
    return url(false);
}

QString StoreLocation::url(bool withSettings) const
{
    if (engine == Engine::Sqlite)
        return filePath;
    const auto encoded = [](const QString& part, const char* keep = "") {
        return QString::fromLatin1(QUrl::toPercentEncoding(part, keep));
    };
    const bool socket = host.startsWith(QLatin1Char('/'));
    QString text = QStringLiteral("postgresql://");
    if (!user.isEmpty())
        text += encoded(user) + QLatin1Char('@');
    if (!socket)
        text += host.contains(QLatin1Char(':'))
                    ? QLatin1Char('[') + host + QLatin1Char(']')
                    : QString::fromLatin1(QUrl::toAce(host)); // international names as ASCII
    if (port > 0)
        text += QLatin1Char(':') + QString::number(port);
    text += QLatin1Char('/') + encoded(database);
    QStringList parameters;
    if (socket)
        parameters << QStringLiteral("host=") + encoded(host, "/");
    if (withSettings) {
        const QPair<const char*, QString> settings[] = {
            {"sslmode", sslMode},
            {"sslrootcert", sslRootCert},
            {"sslcert", sslCert},
            {"sslkey", sslKey},
            {"connect_timeout",
             connectTimeoutS > 0 ? QString::number(connectTimeoutS) : QString()}};
        for (const auto& [key, value] : settings)
            if (!value.isEmpty())
                parameters << QLatin1String(key) + QLatin1Char('=') + encoded(value, "/");
    }
    if (!parameters.isEmpty())
        text += QLatin1Char('?') + parameters.join(QLatin1Char('&'));
    return text;
}

QString StoreLocation::connectOptions(int defaultTimeoutS) const
{
    // libpq's quoting: a value in single quotes, backslash and quote escaped.
    const auto quoted = [](QString value) {
        value.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
        value.replace(QLatin1Char('\''), QStringLiteral("\\'"));
        return QLatin1Char('\'') + value + QLatin1Char('\'');
    };
    QStringList options{QStringLiteral("connect_timeout=%1")
                            .arg(connectTimeoutS > 0 ? connectTimeoutS : defaultTimeoutS)};
    if (!sslMode.isEmpty())
        options << QStringLiteral("sslmode=") + sslMode;
    if (!sslRootCert.isEmpty())
        options << QStringLiteral("sslrootcert=") + quoted(sslRootCert);
    if (!sslCert.isEmpty())
        options << QStringLiteral("sslcert=") + quoted(sslCert);
    if (!sslKey.isEmpty())
        options << QStringLiteral("sslkey=") + quoted(sslKey);
    return options.join(QLatin1Char(';'));
}

bool StoreLocation::unverifiedOverNetwork() const
{
    if (engine != Engine::Postgres || host.isEmpty() || host.startsWith(QLatin1Char('/')))
        return false;
    const bool loopback = host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
                          host.startsWith(QLatin1String("127.")) || host == QLatin1String("::1");
    return !loopback && sslMode != QLatin1String("verify-ca") &&
           sslMode != QLatin1String("verify-full");
}

const QStringList& StoreLocation::sslModes()
{
    static const QStringList modes{QStringLiteral("disable"),   QStringLiteral("allow"),
                                   QStringLiteral("prefer"),    QStringLiteral("require"),
                                   QStringLiteral("verify-ca"), QStringLiteral("verify-full")};
    return modes;
}
