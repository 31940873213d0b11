#include "ResultsCommand.h"

namespace {

// One argument list, read front to back.
class Arguments
{
public:
    explicit Arguments(const QStringList& list) : m_list(list) {}

    bool atEnd() const { return m_next >= m_list.size(); }
    QString take() { return m_list.at(m_next++); }
    // The value of an option: after '=' in the same argument, else the next one.
    bool value(const QString& inline_, bool hasInline, QString* value)
    {
        if (hasInline) {
            *value = inline_;
            return true;
        }
        if (atEnd())
            return false;
        *value = take();
        return true;
    }

private:
    QStringList m_list;
    int m_next = 0;
};

bool filterOption(const QString& name)
{
    return name == QLatin1String("--serial") || name == QLatin1String("--since") ||
           name == QLatin1String("--until") || name == QLatin1String("--verdict") ||
           name == QLatin1String("--station");
}

} // namespace

std::optional<ResultsCommand> ResultsCommand::parse(const QStringList& list, QString* error)
{
    ResultsCommand command;
    Arguments arguments(list);
    QString verb;
    QStringList positional;
    QStringList filterNames;
    bool jsonFlag = false;
    QString jsonValue;
    bool help = false;
    bool version = false;
    QString by;
    while (!arguments.atEnd()) {
        QString argument = arguments.take();
        if (!argument.startsWith(QLatin1String("-")) || argument == QLatin1String("-")) {
            if (verb.isEmpty())
                verb = argument;
            else
                positional << argument;
            continue;
        }
        const int equals = argument.indexOf(QLatin1Char('='));
        const bool hasInline = equals > 0;
        const QString name = hasInline ? argument.left(equals) : argument;
        const QString inlineValue = hasInline ? argument.mid(equals + 1) : QString();
        QString value;
        if (name == QLatin1String("-h") || name == QLatin1String("--help")) {
            help = true;
        } else if (name == QLatin1String("--version")) {
            version = true;
        } else if (name == QLatin1String("--json")) {
            // A flag, except for export, where it names the file.
            if (verb == QLatin1String("export")) {
                if (!arguments.value(inlineValue, hasInline, &jsonValue) || jsonValue.isEmpty()) {
                    *error = tr("--json needs a file name with export (- for standard output).");
                    return std::nullopt;
                }
            } else if (hasInline) {
                *error = tr("--json takes no value here.");
                return std::nullopt;
            } else {
                jsonFlag = true;
            }
        } else if (name == QLatin1String("--by")) {
            if (!arguments.value(inlineValue, hasInline, &by)) {
                *error = tr("%1 needs a value.").arg(name);
                return std::nullopt;
            }
            const auto grouping = ResultYield::parseGrouping(by, error);
            if (!grouping)
                return std::nullopt;
            command.by = *grouping;
        } else if (name == QLatin1String("--csv") || name == QLatin1String("--db") ||
                   filterOption(name)) {
            if (!arguments.value(inlineValue, hasInline, &value)) {
                *error = tr("%1 needs a value.").arg(name);
                return std::nullopt;
            }
            if (name == QLatin1String("--csv")) {
                if (value.isEmpty()) {
                    *error = tr("--csv needs a file name (- for standard output).");
                    return std::nullopt;
                }
                command.csvPath = value;
            } else if (name == QLatin1String("--db")) {
                if (value.isEmpty()) {
                    *error = tr("--db needs a file or a postgresql:// URL.");
                    return std::nullopt;
                }
                command.db = value;
            } else {
                filterNames << name;
                bool ok = true;
                if (name == QLatin1String("--serial")) {
                    ok = !value.isEmpty();
                    if (!ok)
                        *error = tr("--serial needs a serial number.");
                    command.filter.serial = value;
                } else if (name == QLatin1String("--since")) {
                    ok = command.filter.setSince(value, error);
                } else if (name == QLatin1String("--station")) {
                    ok = !value.isEmpty();
                    if (!ok)
                        *error = tr("--station needs a station name.");
                    command.filter.station = value;
                } else if (name == QLatin1String("--until")) {
                    ok = command.filter.setUntil(value, error);
                } else {
                    ok = command.filter.setVerdict(value, error);
                }
                if (!ok)
                    return std::nullopt;
            }
        } else {
            *error = tr("Unknown option \"%1\".").arg(name);
            return std::nullopt;
        }
    }

    if (help) {
        command.kind = Kind::Help;
        return command;
    }
    if (version) {
        command.kind = Kind::Version;
        return command;
    }
    if (verb.isEmpty()) {
        *error = tr("Which command: list, show, export, stats or yield?");
        return std::nullopt;
    }
    if (verb == QLatin1String("list")) {
        command.kind = Kind::List;
    } else if (verb == QLatin1String("show")) {
        command.kind = Kind::Show;
    } else if (verb == QLatin1String("export")) {
        command.kind = Kind::Export;
    } else if (verb == QLatin1String("stats")) {
        command.kind = Kind::Stats;
    } else if (verb == QLatin1String("yield")) {
        command.kind = Kind::Yield;
    } else {
        *error = tr("Unknown command \"%1\": list, show, export, stats or yield.").arg(verb);
        return std::nullopt;
    }

    if (command.kind == Kind::Show) {
        bool ok = false;
        command.id = positional.value(0).toLongLong(&ok);
        if (positional.size() != 1 || !ok || command.id <= 0) {
            *error = tr("show needs one test number (as list prints it).");
            return std::nullopt;
        }
        if (!filterNames.isEmpty()) {
            *error = tr("show takes no %1.").arg(filterNames.first());
            return std::nullopt;
        }
    } else if (!positional.isEmpty()) {
        *error = tr("Unexpected argument \"%1\".").arg(positional.first());
        return std::nullopt;
    }
    if (!by.isEmpty() && command.kind != Kind::Yield) {
        *error = tr("--by belongs to yield.");
        return std::nullopt;
    }
    if (command.kind == Kind::Yield && filterNames.contains(QStringLiteral("--verdict"))) {
        *error = tr("yield takes no --verdict: it counts every unit's tests.");
        return std::nullopt;
    }
    if (command.kind == Kind::Export) {
        if (jsonFlag) {
            *error = tr("--json needs a file name with export (- for standard output).");
            return std::nullopt;
        }
        if (!command.csvPath.isEmpty() && !jsonValue.isEmpty()) {
            *error = tr("export writes either --csv FILE or --json FILE, not both.");
            return std::nullopt;
        }
        command.exportJson = !jsonValue.isEmpty();
        command.jsonPath = jsonValue;
        if (command.csvPath.isEmpty() && !command.exportJson)
            command.csvPath = QStringLiteral("-");
    } else {
        if (!command.csvPath.isEmpty()) {
            *error = tr("--csv belongs to export.");
            return std::nullopt;
        }
        command.json = jsonFlag;
    }
    return command;
}

QString ResultsCommand::helpText()
{
    return tr(
        "Usage: rotaprobe-results [--db LOCATION] COMMAND [options]\n"
        "Reads the history of encoder tests stored by rotaprobe-record --serial.\n"
        "\n"
        "Commands:\n"
        "  list   [filters] [--json]          one line per test, newest first: id, start\n"
        "                                     (UTC), serial, verdict, station, operator\n"
        "  show   ID [--json]                 everything stored for one test\n"
        "  export [filters] [--csv FILE | --json FILE]\n"
        "                                     one row per test with every figure\n"
        "                                     (CSV on standard output by default; FILE - too)\n"
        "  stats  [filters] [--json]          count, pass rate, and per figure mean,\n"
        "                                     standard deviation, min, max, Cp and Cpk\n"
        "  yield  [filters] [--by day|station|profile] [--json]\n"
        "                                     units, first-pass and final yield, tests per\n"
        "                                     unit, retests, aborted tests; a unit counts\n"
        "                                     on the day, station and profile of its first\n"
        "                                     test that passed or failed\n"
        "\n"
        "Filters:\n"
        "  --serial SN                        one serial number\n"
        "  --since DATE, --until DATE         UTC: YYYY-MM-DD (whole days) or\n"
        "                                     YYYY-MM-DDTHH:MM:SSZ; both ends included\n"
        "  --verdict pass|fail|aborted        (not with yield)\n"
        "  --station NAME                     one station\n"
        "\n"
        "Options:\n"
        "  --db LOCATION    a SQLite file (default $XDG_DATA_HOME/rotaprobe/results.sqlite)\n"
        "                   or postgresql://user@host:port/db, postgresql:///db?host=/socket/dir;\n"
        "                   the password comes from ~/.pgpass; over a network add\n"
        "                   ?sslmode=verify-full&sslrootcert=CA-FILE\n"
        "  -h, --help       this help\n"
        "  --version        the program's version\n"
        "\n"
        "Exit status: 0 something matched, 1 nothing matched, 2 an error.\n");
}
