#pragma once

#include <QString>

#include <optional>

// Exact conversions of the numbers typed into the settings dialog. The
// texts are read as decimals, not through a double, so that a value shown
// with three decimals comes back as the same integer (1.005 is 1005, never
// 1004.999... truncated to 1004).
namespace DecimalText {

// A decimal number (optional sign, digits with an optional point, optional
// exponent; surrounding blanks allowed) times 1000, truncated toward zero.
// Empty when the text is not such a number or the result is negative or
// does not fit 32 bits. "20.0005" gives 20000, "2e1" 20000.
std::optional<quint32> toThousandths(const QString& text);

// A base-10 whole number from 0 to 4294967295 (optional '+', surrounding
// blanks allowed); empty otherwise.
std::optional<quint32> toUnsigned(const QString& text);

// The field text of a value in thousandths: three decimals, "20.000".
QString fromThousandths(quint32 value);

} // namespace DecimalText
