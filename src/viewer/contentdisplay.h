#pragma once
// What each window's content area shows and the decision of ShowContent:
// which item, which kind of viewer, whether it is loaded again, and what the
// state says afterwards. The loading itself and the widgets belong to the
// host; this engine only decides and keeps the state, so the rules run
// without a window.
//
// GUI thread only (the host's loads are synchronous).

#include "core/windows.h"
#include "viewer/displaycategories.h"

#include <QString>

#include <array>

namespace tovane {

class MainState;
class MessageService;
class ProgressService;

// Per-window content state.
struct ContentState {
    int category = CategoryNone;     // of the item on display
    int lastCategory = CategoryNone; // survives a clear: the plain-text font after RTF
    QString shownPath;               // empty: nothing to compare the next item with
    QString shownDate;               // the item's date column when it was shown
    bool listing = false;            // an archive listing
    bool text = false;               // a text or rich text file
    bool image = false;
    bool shown = false; // something-is-shown as of the last ShowContent
    bool modified = false;
    bool newText = false;
    bool readOnly = true;
    int textPoints = 9; // of the status label
    int imageWidth = 0; // pixels
    int imageHeight = 0;
    QString imageSizeLabel; // "　(W:" + w + " × H:" + h + ")"
    SameExtension sameExtension;

    bool anything() const { return listing || text || image; }
};

// One list item as ShowContent sees it.
struct ContentItem {
    QString folder; // with trailing "/"
    QString name;
    QString dateText;
    bool file = false; // not a folder row
};

// What a load gave.
struct ContentLoad {
    int textPoints = 0; // rich text: its own size at the start
    int width = 0;      // image
    int height = 0;
};

// Load results besides 0.
enum ContentLoadError : int {
    LoadReported = -1, // the loader already told the user (archive listing)
    LoadFailed = -2,
};

class ContentHost {
public:
    virtual ~ContentHost();

    virtual bool showsDriveList(WindowIndex w) const = 0;
    virtual int itemCount(WindowIndex w) const = 0;
    virtual ContentItem item(WindowIndex w, int row) const = 0; // 0-based
    // CheckPathWithRepair on the item's folder: true when nothing is wrong
    // and nothing was repaired.
    virtual bool itemPathUsable(WindowIndex w, const ContentItem& item) = 0;
    virtual bool slideShowRunning() const { return false; }
    // A test run of the slide show reports every picture it cannot show.
    virtual bool slideShowTestRun() const { return false; }
    // The one-window display is switching over to w.
    virtual bool switchingOverTo(WindowIndex w) const
    {
        Q_UNUSED(w);
        return false;
    }
    // Protected location or a volume found not writable.
    virtual bool locationReadOnly(WindowIndex w) const = 0;
    // CheckUnsaved: 1 when the user chose to save.
    virtual int checkUnsaved(WindowIndex w) = 0;

    // The widgets.
    virtual void clearPanel(WindowIndex w) = 0;
    virtual void hideContent(WindowIndex w) = 0;
    // 0, LoadReported, LoadFailed or an errno; on failure the area is empty.
    virtual int loadContent(WindowIndex w, int category, const QString& path, ContentLoad& out) = 0;
    // After a good load of a listing or a text: show it with the caret at
    // the start; `plainFont` re-applies the window's plain-text font.
    virtual void showTextBox(WindowIndex w, bool readOnly, bool plainFont) = 0;
    virtual void showPicture(WindowIndex w) = 0;
    // State, label and menus follow the new content.
    virtual void contentChanged(WindowIndex w) = 0;
};

struct ContentContext {
    MainState& state;
    const CategoryLists& lists;
    MessageService& messages;
    ProgressService& progress;
    ContentHost& host;
};

class ContentDisplay {
public:
    explicit ContentDisplay(ContentContext context);

    ContentState& state(WindowIndex w) { return m_states[index(w)]; }
    const ContentState& state(WindowIndex w) const { return m_states[index(w)]; }

    // ShowContent: `item` is 1-based; 0 or out of range is no item. The
    // displayed path is returned (a slide show wants it); empty when nothing
    // was loaded.
    QString showContent(WindowIndex w, int item, bool force);

    enum ClearFlag : int { ClearState = 1, ClearWidgets = 2 };
    void clearContent(WindowIndex w, int flags);

    // The content display switch of w's view slot.
    bool displayOn(WindowIndex w) const;

    // "文字サイズ 9P", "表示倍率 125.5%" or empty.
    QString viewLabel(WindowIndex w, int zoom) const;
    // The panel a window's label goes to: 1 with one window or the content
    // area maximized, else 1 left and 3 right.
    static int labelPanel(WindowIndex w, bool twoWindows, bool maximized);

    // A typed change of the text (not the program's own filling).
    void textEdited(WindowIndex w);
    // The new-text command: an empty editable text with no file.
    void startNewText(WindowIndex w);
    // The text was saved to `path`: that file is the shown one from now on
    // (also after a save under a new name), unmodified.
    void textSaved(WindowIndex w, const QString& path, const QString& dateText);

private:
    static int index(WindowIndex w) { return w == RightWindow ? 1 : 0; }
    void finish(WindowIndex w);

    ContentContext m_context;
    std::array<ContentState, 2> m_states;
};

// The message of a file that cannot be shown.
QString notDisplayableText(const QString& name);
QString contentDisplayTitle(); // ファイル内容表示
// "表示倍率 " + zoom (percent × 100) as "###%" / "##0.##%".
QString zoomLabel(int zoom);
QString imageSizeLabel(int width, int height);

} // namespace tovane
