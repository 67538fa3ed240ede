// Pictures through the main window: what the picture box shows for each
// zoom mode, step, turn and mirror, the angle question, dragging, the keys,
// and the slide show over a real folder.

#include "app/browsing.h"
#include "app/contentarea.h"
#include "app/dialogt.h"
#include "app/imaging.h"
#include "app/mainwindow.h"
#include "app/windowpane.h"
#include "core/scriptedservices.h"
#include "core/settingsfile.h"
#include "list/filelist.h"
#include "list/filelistmodel.h"
#include "support/tempdir.h"
#include "viewer/imagerotation.h"
#include "viewer/widgets/contentviews.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace tovane;
using tovane::test::TempDir;

namespace {

const QColor Red(255, 0, 0), Green(0, 255, 0), Blue(0, 0, 255), Yellow(255, 255, 0);

// 40 × 20 with four coloured quarters: red, green / blue, yellow.
QImage quarters(int w = 40, int h = 20)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixelColor(x, y,
                                y < h / 2 ? (x < w / 2 ? Red : Green) : (x < w / 2 ? Blue : Yellow));
    return image;
}

struct Files {
    Files()
    {
        QVERIFY(dir.makeFolder("cfg"));
        QVERIFY(dir.makeFolder("l"));
        QVERIFY(dir.makeFolder("r"));
        QVERIFY(dir.makeFolder("l/sub"));
        QVERIFY(quarters().save(dir.filePath(QStringLiteral("l/a.bmp"))));
        QVERIFY(quarters(600, 400).save(dir.filePath(QStringLiteral("l/big.bmp"))));
        QVERIFY(quarters(30000, 2).save(dir.filePath(QStringLiteral("l/long.bmp"))));
        QVERIFY(dir.writeFile("l/n.bmp", "not a picture"));
        QVERIFY(dir.writeFile("l/z.txt", "text\n"));
    }
    QString path(const char* relative) const { return dir.filePath(QLatin1String(relative)); }
    TempDir dir;
};

struct Started {
    explicit Started(const Files& files) : window(files.path("cfg"))
    {
        const QByteArray settings = "[Position]\r\nPath=_," + files.path("l").toUtf8() + ",_," +
                                    files.path("r").toUtf8() + ",\r\n";
        writeSettingsText(window.settingsFile(), QString::fromUtf8(settings));
        window.setMessageService(&messages);
        messages.setDefaultAnswer(AnswerYes);
        window.resize(1200, 800);
        window.startUp();
        window.commandFunctionMode(1);
        window.activateWindowIndex(LeftWindow, 0);
        QTest::mouseClick(pane()->contentBox(), Qt::LeftButton);
        imaging().askAngle = [this](const QString& defaultText) {
            offered << defaultText;
            return answers.isEmpty() ? DialogT::cancelAnswer() : answers.takeFirst();
        };
    }
    WindowPane* pane(WindowIndex w = LeftWindow) { return window.pane(w); }
    FileList& list(WindowIndex w = LeftWindow) { return window.browsing()->list(w); }
    Imaging& imaging() { return window.content()->imaging(); }
    ImageView& view() { return window.content()->imageView(LeftWindow); }
    int row(const char* name) { return list().model()->rowOfName(QLatin1String(name)); }
    void click(const char* name) { list().itemClicked(row(name), 0); }
    void trigger(const char* control, int index)
    {
        QAction* a = window.menus().action(control, index);
        QVERIFY2(a && a->isEnabled(), control);
        a->trigger();
    }
    bool enabled(const char* control, int index)
    {
        QAction* a = window.menus().action(control, index);
        return a && a->isEnabled();
    }
    QImage shown() { return pane()->picture()->grab().toImage(); }
    QColor at(int x, int y) { return shown().pixelColor(x, y); }
    QString label() { return window.statusPanel(1)->text(); }

    MainWindow window;
    ScriptedMessageService messages;
    QStringList answers;
    QStringList offered;
};

QString corners(const QImage& picture)
{
    auto name = [](QColor c) {
        if (c == Red)
            return QStringLiteral("R");
        if (c == Green)
            return QStringLiteral("G");
        if (c == Blue)
            return QStringLiteral("B");
        if (c == Yellow)
            return QStringLiteral("Y");
        return QStringLiteral("?");
    };
    const int r = picture.width() - 1, b = picture.height() - 1;
    return name(picture.pixelColor(0, 0)) + name(picture.pixelColor(r, 0)) +
           name(picture.pixelColor(0, b)) + name(picture.pixelColor(r, b));
}

} // namespace

class ImagingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void zoomModesDraw_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("fit") << 0;
        QTest::newRow("fill") << 1;
        QTest::newRow("stretch") << 2;
        QTest::newRow("manual") << 3;
    }
    void zoomModesDraw()
    {
        QFETCH(int, mode);
        Files files;
        Started s(files);
        s.click("big.bmp");
        QCOMPARE(s.window.state().displayedContent(LeftWindow), ContentKind::Image);
        s.trigger("mnuDispImgCff", mode);
        QVERIFY(s.window.menus().action("mnuDispImgCff", mode)->isChecked());
        QCOMPARE(s.enabled("mnuDispImgCff", 4), mode == 3);
        const QImage shot = s.shown();
        const QSize area = shot.size();
        const double rx = area.width() / 600.0, ry = area.height() / 400.0;
        const double fit = std::min(rx, ry), fill = std::max(rx, ry);
        // Where the picture's last pixel column and row land.
        double sx = 1, sy = 1;
        if (mode == 0)
            sx = sy = fit;
        else if (mode == 1)
            sx = sy = fill;
        else if (mode == 2)
            sx = rx, sy = ry;
        const int right = int(600 * sx), bottom = int(400 * sy);
        QCOMPARE(shot.pixelColor(2, 2), Red);
        if (right < area.width() - 2)
            QCOMPARE(shot.pixelColor(right + 2, 2), QColor(Qt::white));
        if (right - 3 < area.width() && bottom - 3 < area.height())
            QCOMPARE(shot.pixelColor(right - 3, bottom - 3), Yellow);
        if (mode == 2) {
            QCOMPARE(shot.pixelColor(area.width() - 2, area.height() - 2), Yellow);
        }
        QVERIFY2(s.label().startsWith(QStringLiteral("表示倍率 ")), qPrintable(s.label()));
        QVERIFY2(s.label().endsWith(QStringLiteral("(W:600 × H:400)")), qPrintable(s.label()));
        QCOMPARE(s.window.state().settingsOf(LeftWindow).zoomMode, mode);
    }

    void manualSteps_data()
    {
        QTest::addColumn<QList<int>>("steps"); // mnuDispImg items in order
        QTest::addColumn<QString>("label");
        QTest::newRow("100 % halved twice") << QList<int>{2, 2} << "表示倍率 25%";
        QTest::newRow("10 % minus 10 refused")
            << QList<int>{2, 2, 2, 0, 1, 1, 1, 1, 1, 1, 1} << "表示倍率 12.5%";
        QTest::newRow("to 10 % then minus 10 refused")
            << QList<int>{1, 1, 1, 1, 1, 1, 1, 1, 1, 1} << "表示倍率 10%";
        QTest::newRow("1500 % doubled refused")
            << QList<int>{8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 6} << "表示倍率 1500%";
        QTest::newRow("plus 100 up to 2000 %")
            << QList<int>{8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8}
            << "表示倍率 2000%";
        QTest::newRow("back to actual size") << QList<int>{6, 7, 4} << "表示倍率 100%";
    }
    void manualSteps()
    {
        QFETCH(QList<int>, steps);
        QFETCH(QString, label);
        Files files;
        Started s(files);
        s.click("a.bmp");
        s.trigger("mnuDispImgCff", 3);
        for (int step : steps)
            s.trigger("mnuDispImg", step);
        QCOMPARE(s.label(), label + QStringLiteral("　(W:40 × H:20)"));
    }

    void turnsAndMirrors_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("corners"); // top-left, top-right, bottom-left, bottom-right
        QTest::addColumn<QSize>("size");
        QTest::newRow("right 90") << 0 << "BRYG" << QSize(20, 40);
        QTest::newRow("left 90") << 1 << "GYRB" << QSize(20, 40);
        QTest::newRow("180") << 2 << "YBGR" << QSize(40, 20);
        QTest::newRow("left-right mirror") << 4 << "GRYB" << QSize(40, 20);
        QTest::newRow("top-bottom mirror") << 5 << "BYRG" << QSize(40, 20);
    }
    void turnsAndMirrors()
    {
        QFETCH(int, item);
        QFETCH(QString, corners);
        QFETCH(QSize, size);
        Files files;
        Started s(files);
        s.click("a.bmp");
        s.trigger("mnuDispImgCff", 3);
        s.trigger("mnuImgRtt", item);
        QCOMPARE(s.view().image().size(), size);
        QCOMPARE(::corners(s.view().image()), corners);
        // Drawn from the top-left at 100 %.
        const QImage shot = s.shown().copy(QRect(QPoint(0, 0), size));
        QCOMPARE(::corners(shot), corners);
        QVERIFY(!s.view().freeAngle());
    }

    void angleAnswers_data()
    {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QString>("corners"); // "" for a free angle
        QTest::addColumn<int>("notWholeMessages");
        QTest::addColumn<int>("asked");
        QTest::newRow("180 as two quarter turns") << QStringList{"180"} << "YBGR" << 0 << 1;
        QTest::newRow("-179 as well") << QStringList{"-179"} << "YBGR" << 0 << 1;
        QTest::newRow("full-width 90") << QStringList{"９０"} << "BRYG" << 0 << 1;
        QTest::newRow("360 changes nothing") << QStringList{"360"} << "RGBY" << 0 << 1;
        QTest::newRow("0 changes nothing") << QStringList{" 0 "} << "RGBY" << 0 << 1;
        QTest::newRow("a decimal asked again") << QStringList{"1.5", "-90"} << "GYRB" << 1 << 2;
        QTest::newRow("a comma asked again") << QStringList{"1,5", "x", "450"} << "BRYG" << 2 << 3;
        QTest::newRow("cancelled") << QStringList{} << "RGBY" << 0 << 1;
        QTest::newRow("a free angle") << QStringList{"30"} << "" << 0 << 1;
    }
    void angleAnswers()
    {
        QFETCH(QStringList, answers);
        QFETCH(QString, corners);
        QFETCH(int, notWholeMessages);
        QFETCH(int, asked);
        Files files;
        Started s(files);
        s.click("a.bmp");
        s.trigger("mnuDispImgCff", 3);
        s.answers = answers;
        s.messages.clearLog();
        s.trigger("mnuImgRtt", 3);
        QCOMPARE(s.offered.size(), asked);
        QCOMPARE(s.messages.texts().count(rotationNotWholeText()), notWholeMessages);
        if (corners.isEmpty()) {
            QCOMPARE(s.view().image().size(), turnedSize(QSize(40, 20), 30));
            QVERIFY(s.view().freeAngle());
            QCOMPARE(s.view().image().pixelColor(0, 0).alpha(), 0); // outside the picture
            QCOMPARE(s.view().lastAngle(), 30);
            // The next question offers the last angle.
            s.trigger("mnuImgRtt", 3);
            QCOMPARE(s.offered.last(), QStringLiteral("30"));
        } else {
            QCOMPARE(::corners(s.view().image()), corners);
            QVERIFY(!s.view().freeAngle());
        }
    }

    void theAngleDialogAsItIs()
    {
        Files files;
        Started s(files);
        s.imaging().askAngle = nullptr;
        s.click("a.bmp");
        QTimer::singleShot(0, [] {
            auto* d = qobject_cast<DialogT*>(QApplication::activeModalWidget());
            QVERIFY(d);
            QCOMPARE(d->windowTitle(), QStringLiteral("回転角度の入力"));
            QCOMPARE(d->maxLength(), 4);
            auto* line = d->findChild<QLineEdit*>();
            QVERIFY(line);
            line->setText(QStringLiteral("-90"));
            QTest::mouseClick(d->findChild<QPushButton*>(QStringLiteral("CmdButtonT_0")),
                              Qt::LeftButton);
        });
        s.trigger("mnuImgRtt", 3);
        QCOMPARE(::corners(s.view().image()), QStringLiteral("GYRB"));
    }

    void tooLargeToTurn()
    {
        Files files;
        Started s(files);
        s.click("long.bmp");
        s.answers = QStringList{QStringLiteral("45")};
        s.messages.clearLog();
        s.trigger("mnuImgRtt", 3);
        QCOMPARE(s.messages.texts(), QStringList{rotationTooLargeText()});
        QCOMPARE(s.messages.captions(), QStringList{rotationFailureTitle()});
        QCOMPARE(s.view().image().size(), QSize(30000, 2));
        QVERIFY(!s.view().freeAngle());
    }

    void draggingStaysInRange()
    {
        Files files;
        Started s(files);
        s.click("big.bmp");
        s.trigger("mnuDispImgCff", 3);
        QWidget* box = s.pane()->picture();
        QCOMPARE(s.at(2, 2), Red);
        // Drag left and up by 400 pixels: the picture's yellow quarter comes in.
        QTest::mousePress(box, Qt::LeftButton, {}, QPoint(450, 300));
        QMouseEvent move(QEvent::MouseMove, QPointF(50, 100), box->mapToGlobal(QPointF(50, 100)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(box, &move);
        QTest::mouseRelease(box, Qt::LeftButton, {}, QPoint(50, 100));
        const PictureView& v = s.imaging().view(LeftWindow);
        QCOMPARE(v.committed, QPointF(400 * 15, 200 * 15));
        QCOMPARE(s.at(2, 2), Yellow);
        // A drag that would leave less than the kept strip in view is refused.
        QTest::mousePress(box, Qt::LeftButton, {}, QPoint(400, 300));
        QMouseEvent far(QEvent::MouseMove, QPointF(0, 0), box->mapToGlobal(QPointF(0, 0)),
                        Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(box, &far);
        QTest::mouseRelease(box, Qt::LeftButton, {}, QPoint(0, 0));
        QCOMPARE(v.committed, QPointF(400 * 15, 200 * 15));
        // The zoom mode starts the offsets again.
        s.trigger("mnuDispImgCff", 0);
        QCOMPARE(v.committed, QPointF());
    }

    void imageKeys()
    {
        Files files;
        Started s(files);
        s.click("a.bmp");
        QVERIFY(s.window.handleKey(Qt::Key_M, Qt::ControlModifier));
        QCOMPARE(s.window.state().settingsOf(LeftWindow).zoomMode, 3);
        QVERIFY(s.window.handleKey(Qt::Key_Asterisk, Qt::NoModifier));
        QVERIFY(s.label().startsWith(QStringLiteral("表示倍率 200%")));
        QVERIFY(s.window.handleKey(Qt::Key_Plus, Qt::KeypadModifier));
        QVERIFY(s.label().startsWith(QStringLiteral("表示倍率 201%")));
        QVERIFY(s.window.handleKey(Qt::Key_0, Qt::NoModifier));
        QVERIFY(s.label().startsWith(QStringLiteral("表示倍率 100%")));
        QVERIFY(s.window.handleKey(Qt::Key_R, Qt::ControlModifier));
        QCOMPARE(::corners(s.view().image()), QStringLiteral("BRYG"));
        QVERIFY(s.window.handleKey(Qt::Key_L, Qt::ControlModifier));
        QCOMPARE(::corners(s.view().image()), QStringLiteral("RGBY"));
        QVERIFY(s.window.handleKey(Qt::Key_N, Qt::ControlModifier));
        QCOMPARE(::corners(s.view().image()), QStringLiteral("GRYB"));
        const QColor before = s.view().background();
        QVERIFY(s.window.handleKey(Qt::Key_C, Qt::ControlModifier));
        QCOMPARE(s.view().background(), QColor(0xE0, 0xE0, 0xE0));
        QVERIFY(s.view().background() != before);
        QVERIFY(s.window.handleKey(Qt::Key_A, Qt::ControlModifier));
        QCOMPARE(s.window.state().settingsOf(LeftWindow).zoomMode, 0);
    }

    void slideShowOverTheFolder()
    {
        Files files;
        Started s(files);
        s.messages.clearLog();
        QVERIFY(s.enabled("mnuDispSlide", 0));
        QVERIFY(!s.enabled("mnuDispSlide", 1));
        s.imaging().startSlideShow(0);
        SlideShow& show = s.imaging().slideShow();
        QVERIFY(show.running());
        // The first picture (folders and what cannot be shown are passed).
        const FileListModel* model = s.list().model();
        QCOMPARE(model->nameAt(show.item() - 1), QStringLiteral("a.bmp"));
        QVERIFY(model->marked(show.item() - 1));
        QVERIFY(s.window.windowTitle().endsWith(QStringLiteral("/l/a.bmp")));
        QCOMPARE(s.window.statusPanel(2)->text(),
                 QStringLiteral("左窓のスライドショウ中（間隔：5秒）（↓向き）"));
        QVERIFY(!s.enabled("mnuDispSlide", 0));
        QVERIFY(s.enabled("mnuDispSlide", 1));
        QVERIFY(s.window.deferredJobs().isSet(GlobalSlideStep));

        s.window.deferredJobs().fire(); // brought in early: waits on
        QCOMPARE(model->nameAt(show.item() - 1), QStringLiteral("a.bmp"));
        show.step();
        QCOMPARE(model->nameAt(show.item() - 1), QStringLiteral("big.bmp"));
        QVERIFY(!model->marked(model->rowOfName(QStringLiteral("a.bmp"))));

        // "." and "," and S through the keys.
        QVERIFY(s.window.handleKey(Qt::Key_Period, Qt::NoModifier));
        QCOMPARE(show.interval(), 6000);
        QVERIFY(s.window.handleKey(Qt::Key_Comma, Qt::NoModifier));
        QVERIFY(s.window.handleKey(Qt::Key_Comma, Qt::NoModifier));
        QCOMPARE(show.interval(), 4000);
        QVERIFY(s.window.handleKey(Qt::Key_S, Qt::NoModifier));
        QTRY_VERIFY(show.paused());
        QCOMPARE(s.window.menus().action("mnuDispSlide", 1)->text(), QStringLiteral("再開(&S)"));
        QCOMPARE(s.window.statusPanel(2)->text(), QStringLiteral("左窓のスライドショウ停止中"));
        s.trigger("mnuDispSlide", 3); // reverse while paused: nothing moves
        QCOMPARE(model->nameAt(show.item() - 1), QStringLiteral("big.bmp"));
        s.trigger("mnuDispSlide", 1);
        QCOMPARE(model->nameAt(show.item() - 1), QStringLiteral("a.bmp"));
        QVERIFY(s.window.statusPanel(2)->text().endsWith(QStringLiteral("（↑向き）")));

        QVERIFY(s.window.handleKey(Qt::Key_X, Qt::NoModifier));
        QVERIFY(!show.running());
        // The folder again, with the picture that stays on display.
        QVERIFY2(s.window.windowTitle().endsWith(QStringLiteral("/l/a.bmp")),
                 qPrintable(s.window.windowTitle()));
        QCOMPARE(s.list().currentRow(), model->rowOfName(QStringLiteral("a.bmp")));
        QVERIFY(model->marked(s.list().currentRow()));
        QVERIFY(!s.window.deferredJobs().isSet(GlobalSlideStep));
        QVERIFY(s.enabled("mnuDispSlide", 0));
        QVERIFY(s.messages.texts().isEmpty());
    }

    void testRunEndsAtTheLastItem()
    {
        Files files;
        Started s(files);
        s.messages.clearLog();
        s.imaging().startSlideShow(1);
        SlideShow& show = s.imaging().slideShow();
        QVERIFY(show.testRun());
        QTRY_VERIFY_WITH_TIMEOUT(!show.running(), 10000);
        // n.bmp cannot be decoded: a test run says so; then the end.
        QVERIFY2(s.messages.texts().size() >= 2, qPrintable(s.messages.texts().join(u'|')));
        QCOMPARE(s.messages.texts().last(), SlideShow::testEndText());
        QVERIFY(s.messages.texts().first().contains(QStringLiteral("n.bmp")));
        QCOMPARE(s.list().model()->markedCount(), 0); // released after a test run
    }

    void onePictureStopsTheShow()
    {
        Files files;
        QVERIFY(QFile::remove(files.path("l/big.bmp")));
        QVERIFY(QFile::remove(files.path("l/long.bmp")));
        QVERIFY(QFile::remove(files.path("l/z.txt")));
        Started s(files);
        s.messages.clearLog();
        s.imaging().startSlideShow(0);
        SlideShow& show = s.imaging().slideShow();
        for (int i = 0; i < 5 && show.running(); ++i)
            show.step();
        QVERIFY(!show.running());
        QCOMPARE(s.messages.texts(), QStringList{SlideShow::fewItemsText()});
    }

    void vanishedFilesAreSkipped()
    {
        Files files;
        Started s(files);
        s.imaging().startSlideShow(0);
        SlideShow& show = s.imaging().slideShow();
        QCOMPARE(s.list().model()->nameAt(show.item() - 1), QStringLiteral("a.bmp"));
        QVERIFY(QFile::remove(files.path("l/big.bmp")));
        show.step();
        QVERIFY(show.running());
        QVERIFY(s.list().model()->nameAt(show.item() - 1) != QStringLiteral("big.bmp"));
        show.end();
    }
};

QTEST_MAIN(ImagingTest)
#include "tst_imaging.moc"
