#include "RecorderOptions.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <cmath>

namespace {

// Ten years: longer is a typo, and a double this size still counts milliseconds exactly.
constexpr double kMaxSeconds = 10.0 * 365 * 24 * 3600;

struct Parser
{
    QCommandLineParser parser;
    QCommandLineOption seconds{QStringLiteral("seconds"),
                               RecorderOptions::tr("Record for N seconds (default: until Ctrl+C)."),
                               QStringLiteral("N")};
    QCommandLineOption csv{QStringLiteral("csv"),
                           RecorderOptions::tr("Write one row per reply to FILE."),
                           QStringLiteral("FILE")};
    QCommandLineOption json{QStringLiteral("json"),
                            RecorderOptions::tr("Print the report as one JSON object.")};
    QCommandLineOption profile{QStringLiteral("profile"),
                               RecorderOptions::tr("Judge the recording by the limits in FILE."),
                               QStringLiteral("FILE")};
    QCommandLineOption powerOn{
        QStringLiteral("power-on"),
        RecorderOptions::tr("Switch the encoder supply on first (and off at the end).")};
    QCommandLineOption simulate{
        QStringLiteral("simulate"),
        RecorderOptions::tr("Record from a simulated tester with a slightly imperfect encoder.")};
    QCommandLineOption verbose{QStringLiteral("verbose"),
                               RecorderOptions::tr("Show the device link's log on standard error.")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            RecorderOptions::tr("Show this help.")};
    QCommandLineOption version{QStringLiteral("version"),
                               RecorderOptions::tr("Show the program's version.")};

    Parser()
    {
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.setApplicationDescription(RecorderOptions::tr(
            "Records the replies of the encoder tester, analyses the sine/cosine signals, the "
            "reference marks and the supply current, and judges them by a tolerance profile."));
        parser.addOptions({seconds, csv, json, profile, powerOn, simulate, verbose, help, version});
    }
};

} // namespace

std::optional<RecorderOptions> RecorderOptions::parse(const QStringList& arguments, QString* error)
{
    Parser p;
    if (!p.parser.parse(QStringList{QStringLiteral("rotaprobe-record")} + arguments)) {
        *error = p.parser.errorText();
        return std::nullopt;
    }
    if (!p.parser.positionalArguments().isEmpty()) {
        *error = tr("Unexpected argument \"%1\".").arg(p.parser.positionalArguments().first());
        return std::nullopt;
    }
    RecorderOptions options;
    options.help = p.parser.isSet(p.help);
    options.version = p.parser.isSet(p.version);
    options.json = p.parser.isSet(p.json);
    options.powerOn = p.parser.isSet(p.powerOn);
    options.simulate = p.parser.isSet(p.simulate);
    options.verbose = p.parser.isSet(p.verbose);
    options.csvPath = p.parser.value(p.csv);
    options.profilePath = p.parser.value(p.profile);
    if (p.parser.isSet(p.csv) && options.csvPath.isEmpty()) {
        *error = tr("--csv needs a file name.");
        return std::nullopt;
    }
    if (p.parser.isSet(p.profile) && options.profilePath.isEmpty()) {
        *error = tr("--profile needs a file name.");
        return std::nullopt;
    }
    if (p.parser.isSet(p.seconds)) {
        bool ok = false;
        options.seconds = p.parser.value(p.seconds).toDouble(&ok);
        if (!ok || !std::isfinite(options.seconds) || options.seconds <= 0.0 ||
            options.seconds > kMaxSeconds) {
            *error = tr("--seconds needs a number of seconds above 0, not \"%1\".")
                         .arg(p.parser.value(p.seconds));
            return std::nullopt;
        }
    }
    return options;
}

QString RecorderOptions::helpText(const QString& programName)
{
    Parser p;
    // The parser names the running executable's path; the user typed the name.
    QString text = p.parser.helpText();
    text = tr("Usage: %1 [options]").arg(programName) + text.mid(text.indexOf(QLatin1Char('\n')));
    text += tr("\nExit status:\n"
               "  0  the recording passed its profile (or no profile was given)\n"
               "  1  at least one item of the profile failed\n"
               "  2  an error: no tester, tester busy or not accessible, a bad profile,\n"
               "     bad arguments, a file that cannot be written, the tester lost\n");
    return text;
}
