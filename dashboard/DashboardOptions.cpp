#include "DashboardOptions.h"

#include <QHostAddress>

namespace {

// "host:port" or "[v6]:port" into its parts.
bool splitAddress(const QString& text, QString* host, int* port)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return false;
    QString h = text.left(colon);
    if (h.startsWith(QLatin1Char('[')) && h.endsWith(QLatin1Char(']')))
        h = h.mid(1, h.size() - 2);
    else if (h.contains(QLatin1Char(':')))
        return false; // IPv6 needs its brackets
    bool ok = false;
    const int p = text.mid(colon + 1).toInt(&ok);
    if (!ok || p < 1 || p > 65535 || QHostAddress(h).isNull())
        return false;
    *host = h;
    *port = p;
    return true;
}

} // namespace

std::optional<DashboardOptions> DashboardOptions::parse(const QStringList& arguments,
                                                        QString* error)
{
    DashboardOptions options;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        const int equals = argument.indexOf(QLatin1Char('='));
        const QString name = equals > 0 ? argument.left(equals) : argument;
        if (name == QLatin1String("-h") || name == QLatin1String("--help")) {
            options.help = true;
            continue;
        }
        if (name == QLatin1String("--open") && equals < 0) {
            options.open = true;
            continue;
        }
        if (name == QLatin1String("--version")) {
            options.version = true;
            continue;
        }
        if (name != QLatin1String("--db") && name != QLatin1String("--listen") &&
            name != QLatin1String("--idle")) {
            *error = tr("Unknown argument \"%1\".").arg(argument);
            return std::nullopt;
        }
        QString value;
        if (equals > 0)
            value = argument.mid(equals + 1);
        else if (i + 1 < arguments.size())
            value = arguments.at(++i);
        else {
            *error = tr("%1 needs a value.").arg(name);
            return std::nullopt;
        }
        if (name == QLatin1String("--db")) {
            options.db = value;
        } else if (name == QLatin1String("--idle")) {
            bool ok = false;
            options.idleMinutes = value.toInt(&ok);
            if (!ok || options.idleMinutes < 1 || options.idleMinutes > kMaxIdleMinutes) {
                *error = tr("--idle needs whole minutes from 1 to %1, not \"%2\".")
                             .arg(kMaxIdleMinutes)
                             .arg(value);
                return std::nullopt;
            }
        } else if (!splitAddress(value, &options.host, &options.port)) {
            *error = tr("--listen needs ADDRESS:PORT, e.g. 127.0.0.1:8470 or [::1]:8470, "
                        "not \"%1\".")
                         .arg(value);
            return std::nullopt;
        }
    }
    return options;
}

QString DashboardOptions::helpText()
{
    return tr("Usage: rotaprobe-dashboard [--db LOCATION] [--listen ADDRESS:PORT] "
              "[--idle MINUTES] [--open]\n"
              "Serves the line dashboard (read-only) from the results history.\n"
              "\n"
              "  --db LOCATION          a SQLite file (default "
              "$XDG_DATA_HOME/rotaprobe/results.sqlite)\n"
              "                         or postgresql://user@host:port/db\n"
              "  --listen ADDRESS:PORT  default 127.0.0.1:8470 (this computer only);\n"
              "                         0.0.0.0:8470 for every network\n"
              "  --idle MINUTES         a station's tile reads \"idle\" after this long\n"
              "                         without a stored test (default 15)\n"
              "  --open                 show the page in the browser too; when a\n"
              "                         dashboard answers on the address already,\n"
              "                         only that\n"
              "  -h, --help, --version\n");
}
