#include "ops/serialnaming.h"

#include "fs/pathrules.h"

#include <QSet>

#include <algorithm>

namespace tovane {

namespace {

qint64 powerOfTen(int digits)
{
    qint64 p = 1;
    for (int i = 0; i < digits; ++i)
        p *= 10;
    return p;
}

// The title and the "." + extension of a name (no dot: no extension).
QString suffixOf(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 ? name.mid(dot) : QString();
}

QString titleOf(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 ? name.left(dot) : name;
}

} // namespace

int serialMinimumDigits(int count)
{
    return int(QString::number(std::max(0, count - 1)).size());
}

SerialPlan defaultSerialPlan(const QStringList& targets)
{
    SerialPlan plan;
    QString title = targets.isEmpty() ? QString() : titleOf(targets.first());
    while (!title.isEmpty() && title.back().isDigit() && title.back().unicode() < 128)
        title.chop(1);
    plan.fixed = title;
    plan.digits = serialMinimumDigits(int(targets.size()));
    return plan;
}

SerialPlan clampedSerialPlan(SerialPlan plan, int count)
{
    plan.digits = std::clamp(plan.digits, serialMinimumDigits(count), SerialMaxDigits);
    plan.first = std::clamp<qint64>(plan.first, 0, SerialMaxFirst);
    plan.step = std::max<qint64>(plan.step, 1);
    return plan;
}

qint64 serialNumber(const SerialPlan& plan, int k)
{
    return plan.first + plan.step * k;
}

QString serialName(const SerialPlan& plan, int k, const QString& current)
{
    return plan.fixed + QString::number(serialNumber(plan, k)).rightJustified(plan.digits, u'0') +
           suffixOf(current);
}

int checkSerialPlan(SerialPlan& plan, const QStringList& targets, const QStringList& entries)
{
    QSet<QString> taken;
    taken.reserve(entries.size());
    for (const QString& e : entries)
        taken.insert(e.toCaseFolded());
    const int count = int(targets.size());
    for (;;) {
        // Device names stay free: COM1-COM4 and LPT1-LPT3 are never planned.
        if (plan.digits == 1) {
            if (plan.fixed.compare(QLatin1String("COM"), Qt::CaseInsensitive) == 0)
                plan.first = std::max<qint64>(plan.first, 5);
            else if (plan.fixed.compare(QLatin1String("LPT"), Qt::CaseInsensitive) == 0)
                plan.first = std::max<qint64>(plan.first, 4);
        }
        int conflict = -1;
        for (int k = 0; k < count && conflict < 0; ++k) {
            if (taken.contains(serialName(plan, k, targets[k]).toCaseFolded()))
                conflict = k;
        }
        if (conflict < 0)
            return SerialFree;
        const qint64 last = serialNumber(plan, count - 1);
        const qint64 limit = powerOfTen(plan.digits);
        if (plan.digits >= SerialMaxDigits && last + 1 >= limit)
            return SerialNoFreeRun;
        if (last + 1 < limit) {
            plan.first = serialNumber(plan, conflict) + 1;
        } else {
            plan.digits += 1;
            plan.first = 0;
        }
    }
}

QString serialTitle()
{
    return QStringLiteral("連番付け");
}

QString serialNoFreeRunText()
{
    return QStringLiteral("予定される連番と同名の項目があります。\r\n\r\n"
                          "一度固定部を変えて連番を付け直してから\r\n\r\n"
                          "もう一度固定部を元に戻すと処理できることがあります。\r\n\r\n"
                          "（対象ファイル数以上の連続空き番号が必要です。）");
}

QString serialConfirmationText(int files, bool foldersMarked)
{
    QString text = QString::number(files) + QStringLiteral(" ファイルに連番を付けます。");
    if (foldersMarked)
        text += QStringLiteral("\r\n\r\n\r\nフォルダは対象外です。");
    return text;
}

} // namespace tovane
