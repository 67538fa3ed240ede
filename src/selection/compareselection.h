#pragma once
// 比較選択: marks the items of the selected window that differ from the
// same-named entries of the opposite window's folder, one level or through
// all levels, and with 両　 方 the other way round too. Each item costs one
// lookup of its counterpart on disk; the opposite list is never consulted,
// so it need not be complete or sorted.
//
// UI thread only. Runs in the busy state, pumps events between items and
// stops at the interrupt request (the marks of the run are then removed).

#include "selection/compareconditions.h"
#include "selection/designatedselection.h"

namespace tovane {

struct ItemRecord;

class CompareSelection {
public:
    CompareSelection(SelectionContext context, DesignatedSelection& marks);

    // CompareSelect from the menu or toolbar: the selected window (and with
    // both-windows mode the opposite one) takes `conditions`. 0 when the
    // comparison ran, ResultCancelled when it was interrupted or the counts
    // could not be repaired, a check code when the opposite path failed,
    // ResultSkipped while a comparison runs.
    int compareSelect(const CompareConditions& conditions);
    // RecompareIfActive: with CompareActive, window w is compared again as
    // the selected window with its stored flags, without the second pass;
    // otherwise its counters and labels are renewed.
    int recompareIfActive(WindowIndex w);
    // ListHost::listFilled for window w: the marks' bookkeeping starts again
    // and a compare selection is renewed. Refills made by the comparison
    // itself are left to it.
    void listFilled(WindowIndex w);

    bool running() const { return m_running; }
    // Counterpart lookups since start (tests: one per compared item).
    qint64 lookups() const { return m_lookups; }

    // One file pair decided from their records (names as on disk).
    static bool filesDiffer(const CompareFlags& flags, const ItemRecord& source,
                            const ItemRecord& destination);

private:
    struct Pass;
    int run(WindowIndex selected, bool rerun, const CompareFlags* flags);
    int walk(Pass& pass);
    bool compareRow(Pass& pass, int row);
    // True when anything inside the folder pair differs; `interrupted` is
    // set when the interrupt request stopped the walk.
    bool foldersDiffer(Pass& pass, const QString& source, const QString& destination,
                       bool& interrupted);
    void cancelMarks(WindowIndex w);

    SelectionContext m_context;
    DesignatedSelection& m_marks;
    bool m_running = false;
    qint64 m_lookups = 0;
};

} // namespace tovane
