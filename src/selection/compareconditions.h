#pragma once
// The compare panel (CheckBoxC 0-4, OptionButtonC 0-5) and its mirror in the
// menu 比較条件 (mnuSetCmp with the date and size submenus): which condition
// is on, which control is enabled, and the flags a comparison takes from
// them. Pure values; the widgets and the menu bar show what these say.

#include "selection/compareflags.h"

#include <array>

namespace tovane {

struct AppSettings;

enum CompareBox : int {
    BoxExistence = 0,  // 存　在
    BoxDate = 1,       // 日　付
    BoxSize = 2,       // サイズ
    BoxAttributes = 3, // 属　性
    BoxLetterCase = 4, // 名前大・小文字
};
constexpr int CompareBoxCount = 5;
constexpr int CompareOptionCount = 6;
constexpr int CompareMenuItemCount = 7; // mnuSetCmp 0-6, 2 and 4 the detail submenus

// Detail choices of both groups: 0 newer/larger, 1 older/smaller, 2 any
// difference.
enum CompareDetail : int { DetailFirst = 0, DetailSecond = 1, DetailAny = 2 };

struct CompareConditions {
    std::array<bool, CompareBoxCount> boxes{};
    int dateDetail = DetailFirst; // OptionButtonC 0-2
    int sizeDetail = DetailAny;   // OptionButtonC 3-5

    static CompareConditions fromSettings(const AppSettings& settings);
    void writeTo(AppSettings& settings) const;

    // The flags of a comparison started now.
    CompareFlags flags(bool folderAttributesSettable) const;

    // --- menu mapping ---
    // mnuSetCmp index -> check box ("0102034"); -1 for the detail submenus
    // 2 and 4 and indexes outside 0-6.
    static int boxOfMenuItem(int menuIndex);
    // Check box -> mnuSetCmp index ("01356"); -1 outside 0-4.
    static int menuItemOfBox(int box);
    // The detail submenu of a check box (2 for the date, 4 for the size), else -1.
    static int detailMenuOfBox(int box);

    bool boxOn(int box) const { return box >= 0 && box < CompareBoxCount && boxes[size_t(box)]; }
    // The check of a mnuSetCmp item; the submenus are never checked.
    bool menuItemChecked(int menuIndex) const;
    // The submenus 2 and 4 are enabled only while their box is on; the
    // other items always are.
    bool menuItemEnabled(int menuIndex) const;
    bool optionButtonOn(int button) const;
    bool optionButtonEnabled(int button) const;
    // mnuSetCmpDate (group 0) and mnuSetCmpSize (group 1) item 0-2.
    bool detailChecked(int group, int item) const;

    // --- events ---
    // CheckBoxC_Click, mnuSetCmp_Click (toggles the box of the item; false
    // for a submenu index).
    void setBox(int box, bool on);
    bool menuItemClicked(int menuIndex);
    // OptionButtonC_Click 0-5; mnuSetCmpDate_Click(i) is button i and
    // mnuSetCmpSize_Click(i) button i + 3.
    void setOptionButton(int button);
};

} // namespace tovane
