#include "StationOptions.h"

#include "ProgramStart.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

namespace {

struct Parser
{
    QCommandLineParser parser;
    QCommandLineOption simulate{QStringLiteral("simulate")};
    QCommandLineOption db{QStringLiteral("db"), QString(), QStringLiteral("LOCATION")};
    QCommandLineOption profile{QStringLiteral("profile"), QString(), QStringLiteral("FILE")};
    QCommandLineOption protocols{QStringLiteral("protocols"), QString(), QStringLiteral("DIR")};
    QCommandLineOption help{QStringLiteral("help")};
    QCommandLineOption version{QStringLiteral("version")};

    Parser() { parser.addOptions({simulate, db, profile, protocols, help, version}); }
};

// A path option given as "" would silently mean "the remembered one".
std::optional<QString> pathValue(const Parser& p, const QCommandLineOption& option,
                                 QString* error)
{
    if (!p.parser.isSet(option))
        return std::nullopt;
    const QString value = p.parser.value(option);
    if (value.trimmed().isEmpty()) {
        *error = StationOptions::tr("--%1 needs a value.").arg(option.names().constFirst());
        return QString();
    }
    return value;
}

} // namespace

std::optional<StationOptions> StationOptions::parse(const QStringList& arguments, QString* error)
{
    Parser p;
    std::optional<QString> stray;
    if (!ProgramStart::parse(p.parser, QStringLiteral("RotaprobeStation"), arguments, error, &stray))
        return std::nullopt;
    if (stray) {
        *error = tr("Unexpected argument: %1").arg(*stray);
        return std::nullopt;
    }
    StationOptions options;
    options.simulate = p.parser.isSet(p.simulate);
    options.help = p.parser.isSet(p.help);
    options.version = p.parser.isSet(p.version);
    error->clear();
    options.dbLocation = pathValue(p, p.db, error);
    if (options.profilePath = pathValue(p, p.profile, error); options.profilePath)
        options.profilePath = QFileInfo(*options.profilePath).absoluteFilePath();
    if (options.protocolFolder = pathValue(p, p.protocols, error); options.protocolFolder)
        options.protocolFolder = QDir::cleanPath(QFileInfo(*options.protocolFolder).absoluteFilePath());
    if (!error->isEmpty())
        return std::nullopt;
    return options;
}

QString StationOptions::helpText(const QString& programName)
{
    return tr("Usage: %1 [options]\n"
              "The production test station: scan a serial number, the encoder is tested\n"
              "against the profile, the verdict shown, the result stored and its protocol\n"
              "written.\n"
              "\n"
              "  --simulate        on the simulated tester, with its control window\n"
              "  --db LOCATION     results store for this run: an SQLite file or\n"
              "                    postgresql://user@host:port/database\n"
              "  --profile FILE    test profile (JSON) for this run\n"
              "  --protocols DIR   folder of the test protocols for this run\n"
              "  --help, --version\n"
              "\n"
              "Without --db, --profile or --protocols the station uses what was chosen\n"
              "in its window last time.\n")
        .arg(programName);
}
