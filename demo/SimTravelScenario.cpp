#include "SimTravelScenario.h"

#include "SimTester.h"

#include <QStringList>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

bool numbers(const QString& text, int count, std::vector<double>* out)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != count)
        return false;
    out->clear();
    for (const QString& part : parts) {
        bool ok = false;
        const double value = part.toDouble(&ok);
        if (!ok)
            return false;
        out->push_back(value);
    }
    return true;
}

} // namespace

bool SimTravelScenario::apply(const QString& line, SimTester& tester, QString* error)
{
    struct Item
    {
        const char* name;
        int count;
        std::function<void(SimTester&, const std::vector<double>&)> set;
    };
    const Item items[] = {
        {"sweep", 5,
         [](SimTester& t, const std::vector<double>& v) {
             SimSweep::Profile p;
             p.from = v[0];
             p.to = v[1];
             p.minSpeed = v[2];
             p.maxSpeed = v[3];
             p.steps = int(v[4]);
             t.setSweep(p);
         }},
        {"band", 3, [](SimTester& t, const std::vector<double>& v) { t.setDirtyBand(v[0], v[1], v[2] / 100.0); }},
        {"disc", 3, [](SimTester& t, const std::vector<double>& v) { t.setEccentricity(v[0], v[1] / 100.0, v[2]); }},
        {"limit", 1, [](SimTester& t, const std::vector<double>& v) { t.setOutputLimit(v[0]); }},
        {"marks", 1, [](SimTester& t, const std::vector<double>& v) { t.setReferenceInterval(int(v[0])); }},
        {"late", 0, [](SimTester& t, const std::vector<double>&) { t.setBackwardReferenceLate(true); }},
    };
    // Read every item before setting any.
    std::vector<std::pair<const Item*, std::vector<double>>> settings;
    for (const QString& part : line.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString name = part.section(QLatin1Char('='), 0, 0).trimmed();
        const QString values = part.section(QLatin1Char('='), 1);
        const Item* item = nullptr;
        for (const Item& candidate : items)
            if (name == QLatin1String(candidate.name))
                item = &candidate;
        std::vector<double> parsed;
        if (!item || (item->count > 0 ? !numbers(values, item->count, &parsed) : part.contains(QLatin1Char('=')))) {
            *error = tr("cannot read \"%1\"").arg(part);
            return false;
        }
        settings.push_back({item, parsed});
    }
    for (const auto& [item, values] : settings)
        item->set(tester, values);
    return true;
}

void SimTravelScenario::applyFromEnvironment(SimTester& tester)
{
    const QString line = qEnvironmentVariable(kVariable);
    if (line.isEmpty())
        return;
    QString error;
    if (!apply(line, tester, &error))
        std::fprintf(stderr, "%s: %s\n", kVariable, qPrintable(error));
}
