#include "selection/compareconditions.h"

#include "core/appsettings.h"

#include <QStringView>

namespace tovane {

namespace {

constexpr QStringView BoxOfMenu = u"0102034";
constexpr QStringView MenuOfBox = u"01356";

int digitAt(QStringView digits, int index)
{
    if (index < 0 || index >= digits.size())
        return -1;
    return digits[index].unicode() - u'0';
}

} // namespace

CompareConditions CompareConditions::fromSettings(const AppSettings& settings)
{
    CompareConditions c;
    for (int box = 0; box < CompareBoxCount; ++box)
        c.boxes[size_t(box)] = settings.switchOn(FlagCheckBoxC + box);
    c.dateDetail = settings.optionButton(0);
    c.sizeDetail = settings.optionButton(1);
    return c;
}

void CompareConditions::writeTo(AppSettings& settings) const
{
    for (int box = 0; box < CompareBoxCount; ++box)
        settings.setSwitch(FlagCheckBoxC + box, boxes[size_t(box)]);
    settings.setOptionButton(0, dateDetail);
    settings.setOptionButton(1, sizeDetail);
}

CompareFlags CompareConditions::flags(bool folderAttributesSettable) const
{
    CompareFlags f;
    f.existence = boxes[BoxExistence];
    f.newer = boxes[BoxDate] && (dateDetail == DetailFirst || dateDetail == DetailAny);
    f.older = boxes[BoxDate] && (dateDetail == DetailSecond || dateDetail == DetailAny);
    f.larger = boxes[BoxSize] && (sizeDetail == DetailFirst || sizeDetail == DetailAny);
    f.smaller = boxes[BoxSize] && (sizeDetail == DetailSecond || sizeDetail == DetailAny);
    f.fileAttributes = boxes[BoxAttributes];
    f.folderAttributes = boxes[BoxAttributes] && folderAttributesSettable;
    f.letterCase = boxes[BoxLetterCase];
    return f;
}

int CompareConditions::boxOfMenuItem(int menuIndex)
{
    if (menuIndex == 2 || menuIndex == 4)
        return -1;
    return digitAt(BoxOfMenu, menuIndex);
}

int CompareConditions::menuItemOfBox(int box)
{
    return digitAt(MenuOfBox, box);
}

int CompareConditions::detailMenuOfBox(int box)
{
    return box == BoxDate || box == BoxSize ? 2 * box : -1;
}

bool CompareConditions::menuItemChecked(int menuIndex) const
{
    return boxOn(boxOfMenuItem(menuIndex));
}

bool CompareConditions::menuItemEnabled(int menuIndex) const
{
    if (menuIndex == 2)
        return boxes[BoxDate];
    if (menuIndex == 4)
        return boxes[BoxSize];
    return menuIndex >= 0 && menuIndex < CompareMenuItemCount;
}

bool CompareConditions::optionButtonOn(int button) const
{
    if (button < 0 || button >= CompareOptionCount)
        return false;
    return button < 3 ? dateDetail == button : sizeDetail == button - 3;
}

bool CompareConditions::optionButtonEnabled(int button) const
{
    if (button < 0 || button >= CompareOptionCount)
        return false;
    return boxes[button < 3 ? BoxDate : BoxSize];
}

bool CompareConditions::detailChecked(int group, int item) const
{
    return (group == 0 || group == 1) && optionButtonOn(3 * group + item) && item >= 0 && item < 3;
}

void CompareConditions::setBox(int box, bool on)
{
    if (box >= 0 && box < CompareBoxCount)
        boxes[size_t(box)] = on;
}

bool CompareConditions::menuItemClicked(int menuIndex)
{
    const int box = boxOfMenuItem(menuIndex);
    if (box < 0)
        return false;
    boxes[size_t(box)] = !boxes[size_t(box)];
    return true;
}

void CompareConditions::setOptionButton(int button)
{
    if (button < 0 || button >= CompareOptionCount)
        return;
    if (button < 3)
        dateDetail = button;
    else
        sizeDetail = button - 3;
}

} // namespace tovane
