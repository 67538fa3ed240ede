#include "core/progressservice.h"

#include "fs/numberformat.h"

#include <algorithm>

namespace tovane {

int ansiByteLength(const QString& text)
{
    int bytes = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        const bool single = c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F);
        bytes += single ? 1 : 2;
        // A surrogate pair is one character.
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
    }
    return bytes;
}

QString progressText(const QString& text, int total, int barCount, int shownCount, int rangeEnd,
                     int panelChars)
{
    if (text.isEmpty() || total <= 0)
        return text;
    // Negative counts would make a negative bar; keep them in range.
    barCount = std::clamp(barCount, 0, total);
    shownCount = std::clamp(shownCount, 0, total);
    rangeEnd = std::clamp(rangeEnd, 0, total);

    const QString totalText = QString::number(total);
    QString built = text;
    if (rangeEnd > shownCount)
        built += QStringLiteral(" (") + QString::number(shownCount) + QStringLiteral("～") +
                 QString::number(rangeEnd) + QLatin1Char(')');
    else
        built += QString::number(shownCount).rightJustified(totalText.size() + 1, QLatin1Char(' '));
    built += QLatin1Char('/') + totalText;

    if (total >= 2) {
        const qint64 room = qint64(panelChars) - ansiByteLength(built) - 3;
        const int width = int(std::clamp<qint64>(room, 2, total));
        // Rounded half up, in integers so that no total overflows or drifts.
        const quint64 twice = 2 * quint64(width) * quint64(barCount);
        const int stars = int((twice + quint64(total)) / (2 * quint64(total)));
        built += QStringLiteral(" [") + QString(stars, QLatin1Char('*')) +
                 QString(width - stars, QLatin1Char('.')) + QLatin1Char(']');
    }
    return built;
}

QString transferText(const TransferProgress& progress)
{
    const bool largeFile = progress.fileSize >= LargeFileBytes;
    QString file;
    if (largeFile)
        file = byteSizeText(double(std::min(progress.fileDone, progress.fileSize))) +
               QStringLiteral(" / ") + byteSizeText(double(progress.fileSize));
    if (progress.files == 0)
        return file.isEmpty() ? QString() : QStringLiteral("  ") + file;
    QString text = QStringLiteral("  ") + formatCount(progress.files) +
                   QStringLiteral(" ファイル ") + byteSizeText(double(progress.bytes)) +
                   QStringLiteral(" 完了");
    if (!file.isEmpty())
        text += QStringLiteral("（") + file + QStringLiteral("）");
    return text;
}

QString interruptedText(const QString& operationName, int itemsDone)
{
    return operationName + QStringLiteral("を中断しました（処理済み ") +
           formatCount(std::max(itemsDone, 0)) + QStringLiteral(" 項目）");
}

ProgressService::~ProgressService() = default;

void ProgressService::setBusy(bool on, int mode)
{
    if (on) {
        pumpEventsNow();
        if (m_busy)
            return;
        m_busy = true;
        applyBusy(true, mode);
    } else {
        if (!m_busy)
            return;
        m_busy = false;
        applyBusy(false, mode);
    }
}

void ProgressService::showProgress(int pointer, const QString& text, int flags, int total,
                                   int barCount, int shownCount, int rangeEnd)
{
    if (flags & SetPointer)
        applyPointer(pointer);
    if (!(flags & SetText))
        return;
    if (text.isEmpty()) {
        m_panelChars = -1;
        m_counts = Counts{};
        m_transfer = TransferProgress{};
        m_sinceTransfer.invalidate();
    } else {
        if (total >= 2 && m_panelChars < 0)
            m_panelChars = panelCapacity();
        m_counts = Counts{text, total, barCount, shownCount, rangeEnd};
    }
    composeProgress();
}

void ProgressService::showTransfer(const TransferProgress& progress)
{
    m_transfer = progress;
    if (m_counts.text.isEmpty())
        return;
    if (m_sinceTransfer.isValid() && m_sinceTransfer.elapsed() < m_transferInterval)
        return;
    m_sinceTransfer.start();
    composeProgress();
}

void ProgressService::composeProgress()
{
    if (m_counts.text.isEmpty()) {
        m_progress.clear();
    } else {
        const QString transfer = transferText(m_transfer);
        // The bar gives way to the addition, so the whole line still fits.
        m_progress =
            progressText(m_counts.text, m_counts.total, m_counts.barCount, m_counts.shownCount,
                         m_counts.rangeEnd, m_panelChars - ansiByteLength(transfer)) +
            transfer;
    }
    applyProgressText(m_progress);
}

bool ProgressService::pumpEvents()
{
    if (!m_sincePump.isValid() || m_sincePump.elapsed() >= m_pumpInterval)
        pumpEventsNow();
    return m_interrupt;
}

void ProgressService::pumpEventsNow()
{
    // Restart before running events: a nested pump from an event handler then
    // waits its turn instead of recursing at once.
    m_sincePump.start();
    processEvents();
}

} // namespace tovane
