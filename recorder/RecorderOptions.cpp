#include "RecorderOptions.h"

#include "ProgramStart.h"

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
    QCommandLineOption pdf{QStringLiteral("pdf"),
                           RecorderOptions::tr("Write the test protocol (one A4 page) to FILE."),
                           QStringLiteral("FILE")};
    QCommandLineOption json{QStringLiteral("json"),
                            RecorderOptions::tr("Print the report as one JSON object.")};
    QCommandLineOption profile{QStringLiteral("profile"),
                               RecorderOptions::tr("Judge the recording by the limits in FILE."),
                               QStringLiteral("FILE")};
    QCommandLineOption serial{
        QStringLiteral("serial"),
        RecorderOptions::tr("Store the result under the encoder's serial number SN."),
        QStringLiteral("SN")};
    QCommandLineOption operatorName{QStringLiteral("operator"),
                                    RecorderOptions::tr("Store NAME as the tester's operator."),
                                    QStringLiteral("NAME")};
    QCommandLineOption db{
        QStringLiteral("db"),
        RecorderOptions::tr("Store results at LOCATION: a SQLite file (default: "
                            "$XDG_DATA_HOME/rotaprobe/results.sqlite) or "
                            "postgresql://user@host:port/db (password from ~/.pgpass)."),
        QStringLiteral("LOCATION")};
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
        parser.setApplicationDescription(RecorderOptions::tr(
            "Records the replies of the encoder tester, analyses the sine/cosine signals, the "
            "reference marks and the supply current, and judges them by a tolerance profile."));
        parser.addOptions({seconds, csv, pdf, json, profile, serial, operatorName, db, powerOn, simulate,
                           verbose, help, version});
    }
};

bool plainText(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    return text.size() <= 200;
}

// --serial, --operator and --db: the last two only make sense with a serial.
bool parseStorage(Parser& p, RecorderOptions* options, QString* error)
{
    options->serial = p.parser.value(p.serial);
    options->operatorName = p.parser.value(p.operatorName);
    options->dbLocation = p.parser.value(p.db);
    if (p.parser.isSet(p.serial) &&
        (options->serial.trimmed().isEmpty() || !plainText(options->serial))) {
        *error = RecorderOptions::tr("--serial needs a serial number: plain text, at most 200 "
                                     "characters.");
        return false;
    }
    if (!plainText(options->operatorName)) {
        *error = RecorderOptions::tr("--operator needs a name: plain text, at most 200 "
                                     "characters.");
        return false;
    }
    if (p.parser.isSet(p.db) && options->dbLocation.isEmpty()) {
        *error = RecorderOptions::tr("--db needs a file or a postgresql:// URL.");
        return false;
    }
    if ((p.parser.isSet(p.operatorName) || p.parser.isSet(p.db)) && options->serial.isEmpty()) {
        *error = RecorderOptions::tr("--operator and --db store a result, which needs --serial.");
        return false;
    }
    return true;
}

} // namespace

std::optional<RecorderOptions> RecorderOptions::parse(const QStringList& arguments, QString* error)
{
    Parser p;
    std::optional<QString> stray;
    if (!ProgramStart::parse(p.parser, QStringLiteral("rotaprobe-record"), arguments, error, &stray))
        return std::nullopt;
    if (stray) {
        *error = tr("Unexpected argument \"%1\".").arg(*stray);
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
    options.pdfPath = p.parser.value(p.pdf);
    if (p.parser.isSet(p.pdf) && options.pdfPath.isEmpty()) {
        *error = tr("--pdf needs a file name.");
        return std::nullopt;
    }
    if (p.parser.isSet(p.profile) && options.profilePath.isEmpty()) {
        *error = tr("--profile needs a file name.");
        return std::nullopt;
    }
    if (!parseStorage(p, &options, error))
        return std::nullopt;
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
               "     bad arguments, a file that cannot be written, the tester lost,\n"
               "     a results store that cannot be used, a result that could not be kept\n"
               "With --serial the result is stored; when its store cannot take it, it is\n"
               "kept in a local spool, delivered on the next write (a warning says so).\n");
    return text;
}
