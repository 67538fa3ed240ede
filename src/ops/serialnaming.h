#pragma once
// Serial-number renaming: the new names (a fixed part, a running number of
// fixed width, each file's own extension), their defaults and limits, and
// the check that moves the numbers past every name the folder already has,
// so that no planned name can meet an existing entry.

#include <QString>
#include <QStringList>

namespace tovane {

struct SerialPlan {
    QString fixed;
    int digits = 1;
    qint64 first = 0;
    qint64 step = 1;
};

inline constexpr int SerialMaxDigits = 7;
inline constexpr qint64 SerialMaxFirst = 9999999;

// The fewest digits `count` targets allow: those of count − 1 (at least 1).
int serialMinimumDigits(int count);

// The defaults for `targets` (current names, list order): the first name's
// title without its trailing digits, the fewest digits, from 0 in steps of 1.
SerialPlan defaultSerialPlan(const QStringList& targets);

// The value limits of the form: digits within minimum..7, first within
// 0..9999999, step at least 1.
SerialPlan clampedSerialPlan(SerialPlan plan, int count);

// The planned name of target k whose current name is `current`.
QString serialName(const SerialPlan& plan, int k, const QString& current);
qint64 serialNumber(const SerialPlan& plan, int k);

enum SerialCheck : int {
    SerialFree = 0,     // no planned name meets an entry
    SerialNoFreeRun = 1 // seven digits and no run of free numbers left
};

// The availability check: the reserved device names first ("COM" with one
// digit starts at 5 or later, "LPT" at 4 or later), then every planned name
// against `entries` (letter case ignored); a conflict moves the numbers on
// (or widens them) and the check runs again. `plan` holds the outcome.
int checkSerialPlan(SerialPlan& plan, const QStringList& targets, const QStringList& entries);

QString serialTitle();        // 連番付け
QString serialNoFreeRunText(); // 予定される連番と同名の項目があります。…
// "n ファイルに連番を付けます。" and the folder note when folders are marked.
QString serialConfirmationText(int files, bool foldersMarked);

} // namespace tovane
