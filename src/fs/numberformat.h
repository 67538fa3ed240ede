#pragma once
// Count, size and capacity texts. Numbers are always written with "," as
// thousands separator and "." as decimal point, whatever the locale, because
// the texts are compared, stored and shown exactly as the rules give them.

#include <QString>
#include <QtGlobal>
#include <concepts>

namespace tovane {

// "#,##0" with `decimals` digits after the point (0 gives "#,##0", 1
// "#,##0.0", 2 "#,##0.00"; clamped to 0..15). Rounds half away from zero on
// the shortest decimal form of the value, so 2.675 gives "2.68" as a person
// reading "2.675" expects. A value that rounds to zero has no minus sign.
// Infinity and NaN give an empty text.
QString formatNumber(double value, int decimals);

QString formatCountOf(bool negative, quint64 magnitude);

// "#,##0" of a count or byte number.
inline QString formatCount(double value)
{
    return formatNumber(value, 0);
}
template <std::integral T> QString formatCount(T value)
{
    if constexpr (std::is_signed_v<T>) {
        // Negate in unsigned arithmetic so the most negative value survives.
        const quint64 magnitude = value < 0 ? quint64(0) - quint64(value) : quint64(value);
        return formatCountOf(value < 0, magnitude);
    } else {
        return formatCountOf(false, quint64(value));
    }
}

// Kilobytes rounded up: floor((bytes + 1023) / 1024); 0 stays 0, 1 gives 1.
double toKilobytes(double bytes);

// Size of the status labels: "#,##0 kB" (of toKilobytes) in kilobyte mode,
// "#,##0 B" otherwise.
QString sizeWithUnit(double bytes, bool kilobyteMode);

// A byte count while data is copied: "#,##0 B" below 1 kB, else one decimal
// and kB, MB, GB or TB in steps of 1,024: "1.2 GB".
QString byteSizeText(double bytes);

// Capacity of a volume: kB below the threshold (1,000 in three-digit mode,
// 1,000,000 in six-digit mode), else MB, else GB; in three-digit mode MB and
// GB values get two decimals below 10 and one below 100. No space before the
// unit: "5.00GB", "5,120MB".
QString driveCapacityText(double bytes, bool sixDigitMode);

} // namespace tovane
