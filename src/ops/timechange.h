#pragma once
// Date and time change of the marked items: the input check of the form,
// its texts, and the command that writes the chosen times item by item
// (folders' contents too on all levels), asking about protected items.

#include "core/windows.h"
#include "platform/filesystem.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

namespace tovane {

struct OperationContext;

enum TimeKindIndex : int { KindCreation = 0, KindWrite = 1, KindAccess = 2 };

// The entered value: six fields as typed (year .. second). checkTimeInput
// lowers an odd second and writes it back, padded to its typed length.
struct TimeInput {
    QStringList fields; // year, month, day, hour, minute, second
    int yearsBack = 5;
    int yearsAhead = 1;
    int presentYear = 0; // 0: this year
};

// "" when every field is in range; else the message ("月、日 は範囲外です。")
// and `firstWrong` the index of the first wrong field.
QString checkTimeInput(TimeInput& input, int& firstWrong);
bool isLeapYear(int year);
// "（ ５年前の年初 ～ 来年の年末 ）"
QString yearRangeText(int yearsBack, int yearsAhead);
// The confirmation: `singleName` when one item is marked.
QString timeChangeConfirmation(int marked, int files, int folders, const QString& singleName,
                               bool allLevels, bool hiddenMaskSet);
QString timeChangeTitle(); // 日時変更
QString emptyFieldText();  // データがないので所定値をセットします。
QString timeFailureText(bool folder, const QString& path, bool reading);
QString creationTimeUnsupportedText(bool folder, const QString& path);

// What to write: the kinds (platform TimeKind bits) and their times.
struct TimeRequest {
    unsigned kinds = 0;
    platform::FileTimes times; // nanoseconds since 1970 UTC
};

// The form for one item: 0 write (the request filled), 1 skip, -10 cancel.
using TimeForm = std::function<int(const QString& path, bool folder,
                                   const platform::FileTimes& current, TimeRequest& request)>;

class TimeChange {
public:
    explicit TimeChange(OperationContext& context);

    // The form is asked on the first item, and on every item when
    // `perItem` is set; without a form `preset` is written to every item.
    TimeForm form;
    bool perItem = false;
    TimeRequest preset;

    // mnuFileItem 12 for the selected window. 0 done, 1 nothing done or
    // some skipped, 3 cancelled, 4 a folder check failed.
    int run(WindowIndex selected);
    int written() const { return m_written; }
    int failed() const { return m_failed; }

private:
    int item(const QString& folder, const ItemRecord& record, quint32 folderAttention,
             bool moreItems);
    int writeOne(const QString& path, bool folder);
    int walk(const QString& folder, quint32 attention);

    OperationContext& m_context;
    WindowIndex m_selected = LeftWindow;
    bool m_entered = false;
    TimeRequest m_request;
    platform::FileTimes m_lastTimes;
    unsigned m_lastKinds = 0;
    quint32 m_accepted = 0;
    bool m_noToAll = false;
    bool m_allLevels = false;
    int m_written = 0;
    int m_failed = 0;
    int m_skipped = 0;
};

} // namespace tovane
