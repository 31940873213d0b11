// Fuzz target for results store locations (--db): a text is either refused
// with a message or gives a location without control characters whose
// display form parses back to the same place, connection settings and
// all; a URL never carries a password through.
#include "StoreLocation.h"

#include <QString>

#include <cstdint>

namespace {

bool hasControl(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), int(size));
    QString error;
    const auto location = StoreLocation::parse(text, &error);
    if (!location) {
        if (error.isEmpty())
            __builtin_trap(); // refused without saying why
        return 0;
    }
    if (location->engine == StoreLocation::Engine::Sqlite) {
        if (location->filePath.isEmpty() || hasControl(location->filePath))
            __builtin_trap();
        return 0;
    }
    if (location->database.isEmpty() || location->database.contains(QLatin1Char('/')) ||
        location->port < 0 || location->port > 65535 || hasControl(location->host) ||
        hasControl(location->user) || hasControl(location->database))
        __builtin_trap();
    // The spool keys its entries by the display form: it must lead back here.
    const auto again = StoreLocation::parse(location->display(), &error);
    if (!again || again->engine != location->engine || again->host != location->host ||
        again->user != location->user || again->port != location->port ||
        again->database != location->database ||
        again->connectOptions(3) != location->connectOptions(3))
        __builtin_trap();
    // The spool's key is the same place without the connection settings.
    const auto key = StoreLocation::parse(location->spoolKey(), &error);
    if (!key || key->host != location->host || key->database != location->database ||
        key->connectOptions(3) != QLatin1String("connect_timeout=3"))
        __builtin_trap();
    return 0;
}
