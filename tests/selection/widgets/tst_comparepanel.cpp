// The compare panel: names and texts of its controls, the exclusive option
// groups, the enabled details and what a click reports.

#include "selection/widgets/comparepanel.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QSignalSpy>
#include <QtTest>

using namespace tovane;

class ComparePanelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void controls()
    {
        ComparePanel panel;
        const QStringList boxes{"存　在", "日　付", "サイズ", "属　性", "名前大・小文字"};
        for (int b = 0; b < 5; ++b) {
            auto* box = panel.findChild<QCheckBox*>(QStringLiteral("CheckBoxC_%1").arg(b));
            QVERIFY(box);
            QCOMPARE(box->text(), boxes[b]);
        }
        const QStringList options{"新しい", "古い", "差がある", "大きい", "小さい", "差がある"};
        for (int o = 0; o < 6; ++o) {
            auto* option =
                panel.findChild<QRadioButton*>(QStringLiteral("OptionButtonC_%1").arg(o));
            QVERIFY(option);
            QCOMPARE(option->text(), options[o]);
        }
    }

    void clicks_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("date");
        QTest::addColumn<int>("size");
        QTest::newRow("古い") << 1 << 1 << 0;
        QTest::newRow("日付 差がある") << 2 << 2 << 0;
        QTest::newRow("小さい") << 4 << 0 << 1;
        QTest::newRow("サイズ 差がある") << 5 << 0 << 2;
    }
    void clicks()
    {
        QFETCH(int, button);
        QFETCH(int, date);
        QFETCH(int, size);
        ComparePanel panel;
        CompareConditions c;
        c.setBox(BoxDate, true);
        c.setBox(BoxSize, true);
        c.sizeDetail = 0;
        panel.setConditions(c);
        QSignalSpy options(&panel, &ComparePanel::optionButtonClicked);
        panel.optionButton(button)->click();
        QCOMPARE(options.size(), 1);
        QCOMPARE(options[0][0].toInt(), button);
        QCOMPARE(panel.conditions().dateDetail, date);
        QCOMPARE(panel.conditions().sizeDetail, size);
        // one choice per group
        for (int b = 0; b < 6; ++b)
            QCOMPARE(panel.optionButton(b)->isChecked(), b < 3 ? b == date : b - 3 == size);
    }

    void boxEnablesDetails_data()
    {
        QTest::addColumn<int>("box");
        QTest::addColumn<int>("firstOption");
        QTest::newRow("日付") << int(BoxDate) << 0;
        QTest::newRow("サイズ") << int(BoxSize) << 3;
    }
    void boxEnablesDetails()
    {
        QFETCH(int, box);
        QFETCH(int, firstOption);
        ComparePanel panel;
        panel.setConditions(CompareConditions());
        QSignalSpy boxes(&panel, &ComparePanel::checkBoxClicked);
        for (int o = firstOption; o < firstOption + 3; ++o)
            QVERIFY(!panel.optionButton(o)->isEnabled());
        panel.checkBox(box)->click();
        QCOMPARE(boxes.size(), 1);
        QVERIFY(panel.conditions().boxOn(box));
        for (int o = firstOption; o < firstOption + 3; ++o)
            QVERIFY(panel.optionButton(o)->isEnabled());
        const int other = firstOption == 0 ? 3 : 0;
        QVERIFY(!panel.optionButton(other)->isEnabled());
        panel.checkBox(box)->click();
        QVERIFY(!panel.conditions().boxOn(box));
        QVERIFY(!panel.optionButton(firstOption)->isEnabled());
    }

    void setConditionsIsSilent()
    {
        ComparePanel panel;
        QSignalSpy boxes(&panel, &ComparePanel::checkBoxClicked);
        QSignalSpy options(&panel, &ComparePanel::optionButtonClicked);
        CompareConditions c;
        c.setBox(BoxAttributes, true);
        c.setBox(BoxDate, true);
        c.dateDetail = 2;
        panel.setConditions(c);
        QVERIFY(panel.checkBox(BoxAttributes)->isChecked());
        QVERIFY(panel.optionButton(2)->isChecked());
        QCOMPARE(boxes.size() + options.size(), 0);
    }
};

QTEST_MAIN(ComparePanelTest)
#include "tst_comparepanel.moc"
