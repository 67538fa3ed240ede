#include "selection/widgets/comparepanel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QSignalBlocker>

namespace tovane {

namespace {

const char* const BoxTexts[CompareBoxCount] = {"存　在", "日　付", "サイズ", "属　性",
                                               "名前大・小文字"};
const char* const OptionTexts[CompareOptionCount] = {"新しい", "古い",   "差がある",
                                                     "大きい", "小さい", "差がある"};

} // namespace

ComparePanel::ComparePanel(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("ComparePanel"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 1, 2, 1);
    for (int box = 0; box < CompareBoxCount; ++box) {
        auto* check = new QCheckBox(QString::fromUtf8(BoxTexts[box]), this);
        check->setObjectName(QStringLiteral("CheckBoxC_%1").arg(box));
        m_boxes[size_t(box)] = check;
        connect(check, &QCheckBox::clicked, this, [this, box](bool on) {
            m_conditions.setBox(box, on);
            showConditions();
            Q_EMIT checkBoxClicked(box);
        });
    }
    for (int group = 0; group < 2; ++group) {
        // Radio buttons of one parent are exclusive only through their group.
        m_groups[size_t(group)] = new QButtonGroup(this);
        m_groups[size_t(group)]->setExclusive(true);
    }
    for (int button = 0; button < CompareOptionCount; ++button) {
        auto* option = new QRadioButton(QString::fromUtf8(OptionTexts[button]), this);
        option->setObjectName(QStringLiteral("OptionButtonC_%1").arg(button));
        m_options[size_t(button)] = option;
        m_groups[size_t(button / 3)]->addButton(option, button);
        connect(option, &QRadioButton::clicked, this, [this, button] {
            if (m_showing)
                return;
            m_conditions.setOptionButton(button);
            Q_EMIT optionButtonClicked(button);
        });
    }
    // 存在, 日付 with its details, サイズ with its details, 属性, 名前大・小文字.
    layout->addWidget(m_boxes[BoxExistence]);
    layout->addWidget(m_boxes[BoxDate]);
    for (int b = 0; b < 3; ++b)
        layout->addWidget(m_options[size_t(b)]);
    layout->addWidget(m_boxes[BoxSize]);
    for (int b = 3; b < 6; ++b)
        layout->addWidget(m_options[size_t(b)]);
    layout->addWidget(m_boxes[BoxAttributes]);
    layout->addWidget(m_boxes[BoxLetterCase]);
    layout->addStretch(1);
    showConditions();
}

QCheckBox* ComparePanel::checkBox(int box) const
{
    return box >= 0 && box < CompareBoxCount ? m_boxes[size_t(box)] : nullptr;
}

QRadioButton* ComparePanel::optionButton(int button) const
{
    return button >= 0 && button < CompareOptionCount ? m_options[size_t(button)] : nullptr;
}

void ComparePanel::setConditions(const CompareConditions& conditions)
{
    m_conditions = conditions;
    showConditions();
}

void ComparePanel::showConditions()
{
    m_showing = true;
    for (int box = 0; box < CompareBoxCount; ++box) {
        const QSignalBlocker block(m_boxes[size_t(box)]);
        m_boxes[size_t(box)]->setChecked(m_conditions.boxOn(box));
    }
    for (int button = 0; button < CompareOptionCount; ++button) {
        QRadioButton* option = m_options[size_t(button)];
        const QSignalBlocker block(option);
        if (m_conditions.optionButtonOn(button))
            option->setChecked(true);
        option->setEnabled(m_conditions.optionButtonEnabled(button));
    }
    m_showing = false;
}

} // namespace tovane
