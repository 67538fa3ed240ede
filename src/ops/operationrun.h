#pragma once
// The state of one copy, move, delete or attribute run. It lives in the
// engine, not in the dialog: the dialog only returns an answer code, the run
// remembers what "for all items" meant. Reset at the start of every run.

#include <QString>
#include <QtGlobal>

#include <array>

namespace tovane {

enum OperationCode : int {
    OpCopy = 0,
    OpMove = 1,
    OpTrash = 2, // delete to the trash
    OpErase = 3,
    OpAttributes = 4,
};

// Results of one item step. Errors of the platform are positive errno values.
enum StepResult : int {
    StepDone = 0,
    StepSkipped = 1,
    StepSourceMissing = -1,
    StepCancelled = -10,
    StepCheckFailed = -20, // a volume check failed: the run ends
};

// Below this a step ends the whole run.
inline bool endsRun(int result)
{
    return result < -3;
}

// How the run went as a whole, for front ends that report an exit status.
struct OperationOutcome {
    bool started = false;     // the summary was accepted and the item loop ran
    bool cancelled = false;   // cancel answer, interrupt request
    bool checkFailed = false; // a folder or volume check failed
    int done = 0;             // items (files and folders) carried out
    int skipped = 0;          // items left alone: answers, conflicts, source gone
    int failed = 0;           // items the platform refused
};

struct OperationRun {
    int code = OpCopy;
    QString name; // "コピー", "移動", "削除", "抹消", "属性変更": every title of the run
    bool move = false;
    bool remove = false; // delete run (trash or erase)
    bool erase = false;
    bool unconditional = false;

    bool overwriteAll = false;
    bool noToAll = false; // one for the whole run: every later question is "no"
    quint32 acceptedDestination = 0;
    quint32 acceptedSource = 0;
    std::array<quint32, 2> attention{}; // per window: its folder path's attributes

    bool wholeItemMove = false; // the current item goes by one rename

    int foldersDone = 0;
    int filesCopied = 0;
    int itemsDeleted = 0;
    bool changed = false;

    OperationOutcome outcome;

    static QString nameOf(int code);
};

} // namespace tovane
