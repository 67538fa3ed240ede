#pragma once
// The slide show: steps through the selected window's list, showing each
// item that can be shown, at an interval, forward or backward, wrapping at
// the ends. The window side carries out what the host is asked to do; the
// timer is the main window's deferred-job timer.

#include <QString>

namespace tovane {

class SlideShowHost {
public:
    virtual ~SlideShowHost() = default;
    // Items of the selected window's list, numbered from 1, and how many of
    // them are files.
    virtual int itemCount() const = 0;
    virtual int fileCount() const = 0;
    // The list's current item (1-based, 0 none) when the window shows
    // something, else 0.
    virtual int shownItem() const = 0;
    // ShowContent with force; false when the item cannot be shown (it may
    // have vanished from the folder meanwhile).
    virtual bool showItem(int item, bool testRun) = 0;
    // The show begins: designated selection reset, list hidden when the area
    // is maximized, busy pointer.
    virtual void begin() = 0;
    // An item was shown: caption, check mark and scrolling.
    virtual void shown(int item) = 0;
    virtual void unmark(int item) = 0;
    virtual void setStatus(const QString& text) = 0;
    // The deferred-job timer with the slide-show job bit; stop clears it.
    virtual void armStep(int intervalMs) = 0;
    virtual void disarmStep() = 0;
    virtual bool confirmationMessages() const = 0;
    virtual void message(const QString& text, const QString& title) = 0;
    // The show is over: layout, caption, status and menus restored; the last
    // shown item (0: none) shown normally and marked; after a test run the
    // list's marks are released.
    virtual void finish(int lastShown, bool testRun) = 0;
    // The pause entry's caption changed (再開 / 一時停止).
    virtual void pauseCaption(const QString& caption) = 0;
};

class SlideShow {
public:
    explicit SlideShow(SlideShowHost& host) : m_host(host) {}

    bool running() const { return m_running; }
    bool paused() const { return m_paused; }
    bool testRun() const { return m_testRun; }
    int direction() const { return m_direction; }
    int interval() const { return m_interval; }
    int picturesShown() const { return m_shown; }
    int item() const { return m_item; }

    // 開始; `testRun` when F1 is held at that moment.
    void start(bool testRun);
    // The timer fired with the slide-show job.
    void step();
    // 一時停止 / 再開.
    void togglePause();
    // 表示順反転.
    void reverse();
    // 終了, also a stop request.
    void end();
    // "." and ",": the interval by ±1000 ms within 1000-30000; a running
    // show takes it from its next wait on.
    void changeInterval(int deltaMs);

    // Status texts; `label` is the window label.
    static QString runningText(const QString& label, int intervalMs, int direction);
    static QString pausedText(const QString& label);
    static QString fewItemsText();  // 表示対象項目数が２未満なので…
    static QString testEndText();   // テスト表示を終了します。
    static QString title();         // スライドショウ
    static QString pauseCaption();  // 一時停止(&S)
    static QString resumeCaption(); // 再開(&S)

    // The window label the status texts start with.
    void setLabel(const QString& label) { m_label = label; }

private:
    void waitOrPause();

    SlideShowHost& m_host;
    bool m_running = false;
    bool m_paused = false;
    bool m_testRun = false;
    int m_interval = 5000;
    int m_savedInterval = 5000;
    int m_direction = 1;
    int m_item = 0;
    int m_start = 1;
    int m_shown = 0;
    int m_lastShown = 0;
    QString m_label;
};

} // namespace tovane
