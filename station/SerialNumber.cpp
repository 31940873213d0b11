#include "SerialNumber.h"

std::optional<QString> SerialNumber::check(const QString& typed, QString* error)
{
    const QString serial = typed.trimmed();
    if (serial.isEmpty()) {
        *error = tr("Scan or type the unit's serial number first.");
        return std::nullopt;
    }
    if (serial.size() > kMaxLength) {
        *error = tr("This serial number has %1 characters; at most %2 are allowed. "
                    "Scan it again.")
                     .arg(serial.size())
                     .arg(kMaxLength);
        return std::nullopt;
    }
    for (const QChar c : serial) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format) {
            *error = tr("This serial number holds a control character. Scan it again.");
            return std::nullopt;
        }
    }
    return serial;
}
