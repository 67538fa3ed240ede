#pragma once
// The compare panel: CheckBoxC_0..4 and the two exclusive groups of
// OptionButtonC_0..5. It shows a CompareConditions value and reports the
// user's clicks; the main window keeps the menu 比較条件 in step and decides
// on a re-run.

#include "selection/compareconditions.h"

#include <QFrame>

#include <array>

class QButtonGroup;
class QCheckBox;
class QRadioButton;

namespace tovane {

class ComparePanel : public QFrame {
    Q_OBJECT
public:
    explicit ComparePanel(QWidget* parent = nullptr);

    // Shows `conditions` without emitting anything.
    void setConditions(const CompareConditions& conditions);
    CompareConditions conditions() const { return m_conditions; }

    QCheckBox* checkBox(int box) const;
    QRadioButton* optionButton(int button) const;

Q_SIGNALS:
    // CheckBoxC_Click and OptionButtonC_Click; conditions() already holds
    // the new state.
    void checkBoxClicked(int box);
    void optionButtonClicked(int button);

private:
    void showConditions();

    CompareConditions m_conditions;
    std::array<QCheckBox*, CompareBoxCount> m_boxes{};
    std::array<QRadioButton*, CompareOptionCount> m_options{};
    std::array<QButtonGroup*, 2> m_groups{};
    bool m_showing = false;
};

} // namespace tovane
