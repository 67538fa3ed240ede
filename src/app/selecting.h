#pragma once
// The main window's side of the marks: the designated and compare selection
// engines over both windows' lists, the compare panel in the tool area, and
// the menus 指定選択, 比較選択, 比較条件, 比較処理窓 and 処理階層.
//
// GUI thread only.

#include "selection/compareselection.h"
#include "selection/designatedselection.h"
#include "selection/selectionhost.h"

namespace tovane {

class Browsing;
class ComparePanel;
class MainWindow;

class Selecting : private SelectionHost {
public:
    Selecting(MainWindow& window, Browsing& browsing);
    ~Selecting() override;

    DesignatedSelection& marks() { return m_marks; }
    CompareSelection& compare() { return m_compare; }
    ComparePanel* panel() const { return m_panel; }

    void wireMenus();
    // 比較選択 from the menu or the toolbar.
    void compareSelect();
    // After an operation changed folders: compare selections are renewed.
    void recompareBoth();
    SelectionLoad selectionLoad(WindowIndex w) const;

private:
    // SelectionHost
    FileList* list(WindowIndex w) override;
    QString windowPath(WindowIndex w) const override;
    WindowIndex selectedWindow() const override;
    bool twoWindowsShown() const override;
    bool allLevels(WindowIndex w) const override;
    bool compareBothWindows() const override;
    bool confirmMessages() const override;
    bool folderAttributesSettable() const override;
    bool sizeTotalsShown() const override;
    QString windowLabel(WindowIndex w) const override;
    int checkPathWithRepair(WindowIndex w, const QString& path) override;
    void rebuildAndRefill(WindowIndex w) override;
    bool confirmUnsavedText(WindowIndex w) override;
    void makeCurrentRow(WindowIndex w, int row) override;
    void setStatusText(const QString& text) override;

    void conditionsChanged(bool optionButton);
    void applyConditionMenus();
    void applySettingMenus();
    void allLevelsClicked(WindowIndex w);

    MainWindow& m_window;
    Browsing& m_browsing;
    DesignatedSelection m_marks;
    CompareSelection m_compare;
    ComparePanel* m_panel = nullptr;
    CompareConditions m_conditions;
};

} // namespace tovane
