#pragma once
// Shared pieces of the selection tests: two real file lists over temporary
// folders, a host that records what the engines ask of the main window, and
// the engines wired the way the main window wires them.

#include "core/appsettings.h"
#include "core/mainstate.h"
#include "core/scriptedservices.h"
#include "fs/pathcheck.h"
#include "fs/volumesource.h"
#include "list/filelist.h"
#include "list/listhost.h"
#include "platform/names.h"
#include "selection/compareselection.h"
#include "selection/selectionhost.h"
#include "support/tempdir.h"

#include <QStringList>

#include <array>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>

namespace tovane::test {

class FakeSelectionHost : public SelectionHost {
public:
    std::array<FileList*, 2> lists{};
    std::array<QString, 2> pathOverride; // "" : the list's folder
    WindowIndex selected = LeftWindow;
    bool two = true;
    std::array<bool, 2> levels{};
    bool both = false;
    bool confirm = true;
    bool folderAttributes = true;
    bool totals = false;
    int checkCode = 0;
    bool saveAnswer = true;
    bool rebuildRefills = true;

    std::array<int, 2> rebuilds{};
    std::array<int, 2> currentRow{-1, -1};
    QStringList statuses;
    QStringList calls;

    FileList* list(WindowIndex w) override { return lists[size_t(w)]; }
    QString windowPath(WindowIndex w) const override
    {
        return pathOverride[size_t(w)].isEmpty() ? lists[size_t(w)]->model()->folder()
                                                 : pathOverride[size_t(w)];
    }
    WindowIndex selectedWindow() const override { return selected; }
    bool twoWindowsShown() const override { return two; }
    bool allLevels(WindowIndex w) const override { return levels[size_t(w)]; }
    bool compareBothWindows() const override { return both; }
    bool confirmMessages() const override { return confirm; }
    bool folderAttributesSettable() const override { return folderAttributes; }
    bool sizeTotalsShown() const override { return totals; }
    QString windowLabel(WindowIndex w) const override
    {
        return w == LeftWindow ? QStringLiteral("左窓の") : QStringLiteral("右窓の");
    }
    int checkPathWithRepair(WindowIndex w, const QString& path) override
    {
        calls << QStringLiteral("check %1 ").arg(w) + path;
        return checkCode;
    }
    void rebuildAndRefill(WindowIndex w) override
    {
        ++rebuilds[size_t(w)];
        if (rebuildRefills)
            lists[size_t(w)]->refill();
    }
    bool confirmUnsavedText(WindowIndex w) override
    {
        calls << QStringLiteral("save %1").arg(w);
        return saveAnswer;
    }
    void makeCurrentRow(WindowIndex w, int row) override { currentRow[size_t(w)] = row; }
    void setStatusText(const QString& text) override { statuses << text; }
};

// Passes the list events on as the main window does.
class RelayListHost : public ListHost {
public:
    CompareSelection* compare = nullptr;
    DesignatedSelection* marks = nullptr;
    void openFolder(WindowIndex, const QString&) override {}
    void openFile(WindowIndex, const QString&) override {}
    void driveChosen(WindowIndex, const QString&) override {}
    void listFilled(WindowIndex w) override
    {
        if (compare)
            compare->listFilled(w);
    }
    void markClicked(WindowIndex w, int row, int modifiers) override
    {
        if (marks)
            marks->markClicked(w, row, modifiers);
    }
};

struct SelectionEnv {
    TempDir dir;
    MainState state;
    AppSettings settings;
    ScriptedMessageService messages;
    ScriptedProgressService progress;
    FakeVolumeSource volumes;
    RelayListHost listHost;
    FakeSelectionHost host;
    std::unique_ptr<PathChecker> checker;
    std::array<std::unique_ptr<FileList>, 2> lists;
    std::unique_ptr<DesignatedSelection> marks;
    std::unique_ptr<CompareSelection> compare;

    SelectionEnv()
    {
        for (int f : {FlagHideReadOnly, FlagHideHidden, FlagHideSystem, FlagHideCompressed,
                      FlagCountSize, FlagFolderSize})
            settings.setSwitch(f, false);
        progress.setPumpInterval(0);
        checker = std::make_unique<PathChecker>(
            CheckContext{messages, progress, volumes, QStringLiteral("tovane"), [] { return 0; }});
        for (WindowIndex w : {LeftWindow, RightWindow}) {
            lists[size_t(w)] = std::make_unique<FileList>(
                w, ListContext{state, settings, messages, progress, volumes, checker.get(),
                               listHost, [] { return std::make_pair(1.0, 1.0); }});
            host.lists[size_t(w)] = lists[size_t(w)].get();
        }
        const SelectionContext context{settings, messages, progress, host};
        marks = std::make_unique<DesignatedSelection>(context);
        compare = std::make_unique<CompareSelection>(context, *marks);
        listHost.compare = compare.get();
        listHost.marks = marks.get();
        dir.makeFolder("L");
        dir.makeFolder("R");
    }

    QString side(WindowIndex w) const { return dir.filePath(w == LeftWindow ? "L" : "R"); }
    QByteArray sideBytes(WindowIndex w, const QByteArray& rel) const
    {
        return joined(dir, (w == LeftWindow ? QByteArray("L/") : QByteArray("R/")) + rel);
    }
    bool file(WindowIndex w, const QByteArray& rel, const QByteArray& content = "x",
              qint64 mtime = 1600000000) const
    {
        const QByteArray path = sideBytes(w, rel);
        if (!writeBytes(path, content))
            return false;
        const struct timespec times[2] = {{mtime, 0}, {mtime, 0}};
        return ::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW) == 0;
    }
    bool folder(WindowIndex w, const QByteArray& rel) const
    {
        return ::mkdir(sideBytes(w, rel).constData(), 0777) == 0;
    }
    void fillBoth()
    {
        lists[0]->fill(side(LeftWindow));
        lists[1]->fill(side(RightWindow));
    }
    FileListModel& model(WindowIndex w) { return *lists[size_t(w)]->model(); }
    QStringList markedNames(WindowIndex w)
    {
        QStringList names;
        for (int r = 0; r < model(w).count(); ++r)
            if (model(w).marked(r))
                names << model(w).nameAt(r);
        return names;
    }
    QStringList copyTargetNames(WindowIndex w)
    {
        QStringList names;
        for (int r = 0; r < model(w).count(); ++r)
            if (model(w).marked(r) && marks->state(w).counted.value(model(w).nameAt(r)).copyTarget)
                names << model(w).nameAt(r);
        return names;
    }
    int compareWith(const CompareConditions& c) { return compare->compareSelect(c); }
};

inline CompareConditions conditionsOf(std::initializer_list<int> boxes, int date = 0, int size = 2)
{
    CompareConditions c;
    for (int b : boxes)
        c.setBox(b, true);
    c.dateDetail = date;
    c.sizeDetail = size;
    return c;
}

} // namespace tovane::test
