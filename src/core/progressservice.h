#pragma once
// The progress service: busy state, progress text, the interrupt request and
// throttled event pumping. Long work runs on the UI thread and calls
// pumpEvents() often; it lets pending events run at most every ~20 ms.

#include <QElapsedTimer>
#include <QString>
#include <QtGlobal>

namespace tovane {

// The text ShowProgress puts into status panel 2 (without the pointer part):
// counts right-aligned, the " (shown～end)" range form and the " [***...]" bar.
// `panelChars` is the panel's character capacity. The counts are clamped to
// [0, total]. The bar takes what the text built so far (counts included)
// leaves of the panel, so the whole line fits: width = panelChars -
// ansiByteLength(built) - 3, within [2, total]; its star count is
// width * barCount / total rounded half up.
QString progressText(const QString& text, int total, int barCount, int shownCount, int rangeEnd,
                     int panelChars);

// Length in bytes of the text as the classic code page counts it: 1 for ASCII
// and half-width katakana, 2 for everything else.
int ansiByteLength(const QString& text);

// What a copy or move has carried so far, below the items the counts show.
struct TransferProgress {
    quint64 files = 0;    // files finished in the run, inside folders too
    quint64 bytes = 0;    // their bytes plus what the current file has so far
    quint64 fileDone = 0; // bytes of the file being copied
    quint64 fileSize = 0; // its size; 0 when no file is being copied
};

// Files of this size or more show their own "done / size".
constexpr quint64 LargeFileBytes = quint64(16) << 20;

// The addition to the progress text: "  12 ファイル 34.5 MB 完了", followed
// by "（1.2 GB / 3.0 GB）" while a large file is copied (without files
// finished yet only "  1.2 GB / 3.0 GB"). Empty when there is nothing to say.
QString transferText(const TransferProgress& progress);

// "コピーを中断しました（処理済み 12 項目）": the status text after a run was
// interrupted.
QString interruptedText(const QString& operationName, int itemsDone);

// The busy state is a flag, not a counter: entering while busy changes
// nothing, and leaving always restores the controls, so an unmatched enter can
// never leave them disabled for good. Code that may run inside an operation
// uses BusyScope, which leaves only when it was the one that entered.
class ProgressService {
public:
    virtual ~ProgressService();

    enum PointerKind { PointerDefault = 0, PointerBusy = 11, PointerMove = 5 };
    enum ProgressFlag { SetPointer = 1, SetText = 2 };

    // Entering lets pending events run first, then disables the controls.
    void setBusy(bool on, int mode = 0);
    bool busy() const { return m_busy; }

    // ShowProgress of the main window: `flags` SetPointer applies `pointer`,
    // SetText sets the progress text (an empty text clears it).
    void showProgress(int pointer, const QString& text, int flags, int total = 0, int barCount = 0,
                      int shownCount = 0, int rangeEnd = 0);
    QString progress() const { return m_progress; }

    // The files and bytes of a copy behind the progress text. Called as often
    // as the work likes (every chunk); the text changes at most every
    // TransferIntervalMs, but the latest numbers are kept for the next
    // showProgress. An empty progress text drops them.
    void showTransfer(const TransferProgress& progress);
    static constexpr int TransferIntervalMs = 100;
    // 0 shows every call (tests).
    void setTransferInterval(int ms) { m_transferInterval = ms; }

    // Status texts outside the progress panel (panel 1).
    virtual void setStatusText(const QString& text) { m_status = text; }
    QString statusText() const { return m_status; }

    bool interruptRequested() const { return m_interrupt; }
    void requestInterrupt() { m_interrupt = true; }
    void clearInterrupt() { m_interrupt = false; }

    // Lets pending events run when ~20 ms have passed since the last time.
    // Returns interruptRequested() so loops can write `if (p.pumpEvents()) break;`.
    bool pumpEvents();
    // Lets pending events run now (start of long work, after a dialog).
    void pumpEventsNow();

    static constexpr int PumpIntervalMs = 20;
    // 0 pumps on every call (deterministic tests of long loops).
    void setPumpInterval(int ms) { m_pumpInterval = ms; }
    int pumpInterval() const { return m_pumpInterval; }

protected:
    virtual void applyBusy(bool on, int mode) {}
    virtual void applyPointer(int pointer) {}
    virtual void applyProgressText(const QString& text) {}
    virtual void processEvents() {}
    // Characters that fit in the progress panel.
    virtual int panelCapacity() const { return 80; }

private:
    void composeProgress();

    bool m_busy = false;
    bool m_interrupt = false;
    QString m_progress;
    // The last showProgress text and counts, so a transfer update can rebuild it.
    struct Counts {
        QString text;
        int total = 0;
        int barCount = 0;
        int shownCount = 0;
        int rangeEnd = 0;
    } m_counts;
    TransferProgress m_transfer;
    QElapsedTimer m_sinceTransfer;
    int m_transferInterval = TransferIntervalMs;
    QString m_status;
    QElapsedTimer m_sincePump;
    int m_pumpInterval = PumpIntervalMs;
    int m_panelChars = -1; // measured the first time a bar is shown
};

class BusyScope {
public:
    explicit BusyScope(ProgressService& progress, int mode = 0)
        : m_progress(progress), m_mode(mode), m_entered(!progress.busy())
    {
        if (m_entered)
            m_progress.setBusy(true, m_mode);
    }
    ~BusyScope()
    {
        if (m_entered)
            m_progress.setBusy(false, m_mode);
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    ProgressService& m_progress;
    int m_mode;
    bool m_entered;
};

} // namespace tovane
