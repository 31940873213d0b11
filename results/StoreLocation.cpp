#include "StoreLocation.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>

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
    if (hasControlCharacter(location.user) || hasControlCharacter(location.host) ||
        hasControlCharacter(location.database)) {
        *error = tr("\"%1\": a control character is encoded in the URL.").arg(text);
        return std::nullopt;
    }
    const QUrlQuery query(url);
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (key == QLatin1String("host") && location.host.isEmpty()) {
            // The parameter names a socket folder; a host name goes before the path.
            if (!value.startsWith(QLatin1Char('/')) || hasControlCharacter(value)) {
                *error = tr("\"%1\": host= needs the absolute path of a socket folder.").arg(text);
                return std::nullopt;
            }
            location.host = value;
        } else {
            *error = tr("\"%1\": unknown or repeated URL parameter \"%2\" (only host= is "
                        "understood, and only without a host before the path).")
                         .arg(text, key);
            return std::nullopt;
        }
    }
    return location;
}

QString StoreLocation::display() const
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
    if (socket)
        text += QStringLiteral("?host=") + encoded(host, "/");
    return text;
}
