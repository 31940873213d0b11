#include "DecimalText.h"

namespace {

constexpr quint64 kMax32 = 0xFFFFFFFFu;
// Exponents are clamped here while they are read: beyond it every non-zero
// mantissa overflows or truncates to zero anyway, and the sum cannot overflow.
constexpr int kExponentClamp = 100000;

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Digits (leading zeros already removed) as a number, empty above 32 bits.
std::optional<quint32> digitsValue(const QString& digits)
{
    if (digits.size() > 10)
        return std::nullopt;
    quint64 value = 0;
    for (QChar c : digits)
        value = value * 10 + quint64(c.unicode() - '0');
    if (value > kMax32)
        return std::nullopt;
    return quint32(value);
}

QString withoutLeadingZeros(const QString& digits)
{
    int first = 0;
    while (first < digits.size() && digits.at(first) == QLatin1Char('0'))
        ++first;
    return digits.mid(first);
}

} // namespace

namespace DecimalText {

std::optional<quint32> toThousandths(const QString& text)
{
    const QString s = text.trimmed();
    int i = 0;
    bool negative = false;
    if (i < s.size() && (s.at(i) == QLatin1Char('+') || s.at(i) == QLatin1Char('-')))
        negative = s.at(i++) == QLatin1Char('-');

    QString digits; // integer and fraction digits, point removed
    int fractionDigits = 0;
    int mantissaDigits = 0;
    while (i < s.size() && isAsciiDigit(s.at(i))) {
        digits.append(s.at(i++));
        ++mantissaDigits;
    }
    if (i < s.size() && s.at(i) == QLatin1Char('.')) {
        ++i;
        while (i < s.size() && isAsciiDigit(s.at(i))) {
            digits.append(s.at(i++));
            ++fractionDigits;
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return std::nullopt;

    int exponent = 0;
    if (i < s.size() && (s.at(i) == QLatin1Char('e') || s.at(i) == QLatin1Char('E'))) {
        ++i;
        bool negativeExponent = false;
        if (i < s.size() && (s.at(i) == QLatin1Char('+') || s.at(i) == QLatin1Char('-')))
            negativeExponent = s.at(i++) == QLatin1Char('-');
        int exponentDigits = 0;
        while (i < s.size() && isAsciiDigit(s.at(i))) {
            if (exponent < kExponentClamp)
                exponent = exponent * 10 + (s.at(i).unicode() - '0');
            ++i;
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return std::nullopt;
        if (negativeExponent)
            exponent = -exponent;
    }
    if (i != s.size())
        return std::nullopt;

    // value = digits x 10^shift, in thousandths
    const int shift = exponent - fractionDigits + 3;
    QString significant = withoutLeadingZeros(digits);
    if (significant.isEmpty())
        return 0u; // zero, whatever its sign or exponent
    if (negative)
        return std::nullopt;
    if (shift >= 0) {
        if (significant.size() + shift > 10)
            return std::nullopt;
        significant.append(QString(shift, QLatin1Char('0')));
    } else {
        if (-shift >= significant.size())
            return 0u;
        significant.chop(-shift); // truncation toward zero
    }
    return digitsValue(withoutLeadingZeros(significant));
}

std::optional<quint32> toUnsigned(const QString& text)
{
    const QString s = text.trimmed();
    int i = 0;
    if (i < s.size() && s.at(i) == QLatin1Char('+'))
        ++i;
    if (i == s.size())
        return std::nullopt;
    for (int j = i; j < s.size(); ++j) {
        if (!isAsciiDigit(s.at(j)))
            return std::nullopt;
    }
    return digitsValue(withoutLeadingZeros(s.mid(i)));
}

QString fromThousandths(quint32 value)
{
    return QString::asprintf("%.3f", value / 1000.0);
}

} // namespace DecimalText
