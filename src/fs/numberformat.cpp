#include "fs/numberformat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace tovane {

namespace {

// Inserts "," every three digits of a plain digit string.
QString groupDigits(const std::string& digits)
{
    QString out;
    const qsizetype n = qsizetype(digits.size());
    out.reserve(n + n / 3);
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += u',';
        out += QChar(char16_t(digits[size_t(i)]));
    }
    return out;
}

// Adds one to a digit string, growing it on carry ("999" -> "1000").
void incrementDigits(std::string& digits)
{
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

// round(magnitude * 10^decimals) as a digit string, computed on the shortest
// decimal form of the value so that binary representation noise never moves
// a visible half.
std::string scaledRoundedDigits(double magnitude, int decimals)
{
    if (magnitude == 0)
        return "0";
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific);
    const std::string text(buffer, result.ptr);
    const size_t e = text.find('e');
    std::string mantissa;
    for (size_t i = 0; i < e; ++i)
        if (text[i] != '.')
            mantissa += text[i];
    const int exponent = std::stoi(text.substr(e + 1));

    // Number of mantissa digits that fall before the rounding point.
    const long keep = long(exponent) + decimals + 1;
    if (keep < 0)
        return "0";
    if (keep >= long(mantissa.size()))
        return mantissa + std::string(size_t(keep) - mantissa.size(), '0');
    std::string digits = keep == 0 ? std::string("0") : mantissa.substr(0, size_t(keep));
    if (mantissa[size_t(keep)] >= '5')
        incrementDigits(digits);
    return digits;
}

} // namespace

QString formatNumber(double value, int decimals)
{
    if (!std::isfinite(value))
        return QString();
    decimals = std::clamp(decimals, 0, 15);
    std::string digits = scaledRoundedDigits(std::fabs(value), decimals);
    if (digits.size() < size_t(decimals) + 1)
        digits.insert(digits.begin(), size_t(decimals) + 1 - digits.size(), '0');
    const bool zero = digits.find_first_not_of('0') == std::string::npos;

    QString out;
    if (value < 0 && !zero)
        out += u'-';
    out += groupDigits(digits.substr(0, digits.size() - size_t(decimals)));
    if (decimals > 0) {
        out += u'.';
        out += QString::fromLatin1(digits.substr(digits.size() - size_t(decimals)));
    }
    return out;
}

QString formatCountOf(bool negative, quint64 magnitude)
{
    QString out = groupDigits(std::to_string(magnitude));
    if (negative && magnitude != 0)
        out.prepend(u'-');
    return out;
}

double toKilobytes(double bytes)
{
    return std::floor((bytes + 1023) / 1024);
}

QString sizeWithUnit(double bytes, bool kilobyteMode)
{
    if (kilobyteMode)
        return formatCount(toKilobytes(bytes)) + QStringLiteral(" kB");
    return formatCount(bytes) + QStringLiteral(" B");
}

QString byteSizeText(double bytes)
{
    if (!(bytes >= 1024))
        return formatCount(bytes) + QStringLiteral(" B");
    static const char* const units[] = {" kB", " MB", " GB", " TB"};
    double x = bytes / 1024;
    size_t unit = 0;
    // The rounded value decides, so 1,023.96 kB is shown as "1.0 MB".
    while (unit + 1 < std::size(units) && std::round(x * 10) >= 1024 * 10) {
        x /= 1024;
        ++unit;
    }
    return formatNumber(x, 1) + QLatin1String(units[unit]);
}

QString driveCapacityText(double bytes, bool sixDigitMode)
{
    const double threshold = sixDigitMode ? 1000000.0 : 1000.0;
    double x = bytes / 1024;
    if (x < threshold)
        return formatCount(x) + QStringLiteral("kB");

    x /= 1024;
    QString unit = QStringLiteral("MB");
    if (x >= threshold) {
        x /= 1024;
        unit = QStringLiteral("GB");
    }
    int decimals = 0;
    if (!sixDigitMode) {
        // The rounded value decides, so 9.996 becomes "10.0", never "10.00".
        const double rounded = std::round(x);
        if (rounded < 10)
            decimals = 2;
        else if (rounded < 100)
            decimals = 1;
    }
    return formatNumber(x, decimals) + unit;
}

} // namespace tovane
