#pragma once
// The main window's side of the content areas: one view per kind of
// document in each window, the content state engine, the display switch,
// the area size, the status label and the editing of the extension lists.
//
// GUI thread only.

#include "core/keymap.h"
#include "viewer/contentdisplay.h"

#include <QColor>
#include <QObject>

#include <array>
#include <functional>
#include <memory>

class QPlainTextEdit;
class QTextEdit;

namespace tovane {

class Browsing;
class ImageView;
class Imaging;
class ListingView;
class MainWindow;
class PlainTextView;
class RichTextView;

// The plain-text font of a window.
struct TextFont {
    QString family = QStringLiteral("ＭＳ ゴシック");
    int points = DefaultFontPoints;
    bool bold = false;
    bool italic = false;
    bool strikeOut = false;
    bool underline = false;
    QColor colour = Qt::black;
};

class ContentArea : public QObject, private ContentHost {
    Q_OBJECT
public:
    ContentArea(MainWindow& window, Browsing& browsing);
    ~ContentArea() override;

    ContentDisplay& display() { return m_display; }
    Imaging& imaging() const { return *m_imaging; }
    ImageView& imageView(WindowIndex w) const { return *m_image[slot(w)]; }
    void wireMenus();
    // Captions of the language categories from the settings.
    void applyLanguageCaptions();

    // ShowContent of window w for list item n (1-based).
    QString showContent(WindowIndex w, int item, bool force);
    // ShowContent of the list's current item.
    void showCurrent(WindowIndex w, bool force);
    void updateViewLabel(WindowIndex w, int panel = -1);
    // One or two windows, or the other window shown alone: the view slots
    // changed, and with them the display switch of each window.
    void viewSlotsChanged();

    // CheckBoxD / mnuDispFile.
    void setDisplaySwitch(WindowIndex w, bool on);
    // The function mode changed: a shown text can be edited, or no longer.
    void functionModeChanged();
    // mnuDispScrn: 0 normal, 1 maximized.
    void setAreaSize(int index);
    bool maximized() const { return m_maximized; }
    // mnuDispExt 0-14, 15 list filter, 16 image aggregation, 17 serial numbering.
    void editCategory(int index);

    // Keys of the shown content (number keys, Ctrl+F, Esc, Ctrl+Shift+V).
    bool handleKey(const KeyAction& action);

    // The text boxes of window w and which one shows the content.
    QPlainTextEdit* plainBox(WindowIndex w) const;
    QTextEdit* richBox(WindowIndex w) const;
    bool richShown(WindowIndex w) const;
    PlainTextView& plainView(WindowIndex w) const { return *m_plain[slot(w)]; }
    RichTextView& richView(WindowIndex w) const { return *m_rich[slot(w)]; }
    // A large text shown in w moves into the text box, for editing.
    void handOverLarge(WindowIndex w);
    // An empty editable text with no file (the new-text command).
    void startNewText(WindowIndex w);
    // The area of w shown (or hidden again) while a question about its
    // text is asked, without loading anything.
    void showTemporarily(WindowIndex w, bool on);
    TextFont& textFont(WindowIndex w) { return m_fonts[slot(w)]; }
    void applyTextFont(WindowIndex w);
    // The text size of the shown text by one of the number-key steps.
    void stepFontSize(WindowIndex w, int step);

    // CheckUnsaved, replaced by the text editor when it is there.
    std::function<int(WindowIndex)> checkUnsavedHook;
    // Called whenever the content of w changed (menus of the editor).
    std::function<void(WindowIndex)> contentChangedHook;

    // Program changes of the text boxes do not count as edits.
    void setSuppressed(WindowIndex w, bool on) { m_suppress[slot(w)] = on; }

private:
    static int slot(WindowIndex w) { return w == RightWindow ? 1 : 0; }

    // ContentHost
    bool showsDriveList(WindowIndex w) const override;
    int itemCount(WindowIndex w) const override;
    ContentItem item(WindowIndex w, int row) const override;
    bool itemPathUsable(WindowIndex w, const ContentItem& item) override;
    bool slideShowRunning() const override;
    bool slideShowTestRun() const override;
    bool switchingOverTo(WindowIndex w) const override;
    bool locationReadOnly(WindowIndex w) const override;
    int checkUnsaved(WindowIndex w) override;
    void clearPanel(WindowIndex w) override;
    void hideContent(WindowIndex w) override;
    int loadContent(WindowIndex w, int category, const QString& path, ContentLoad& out) override;
    void showTextBox(WindowIndex w, bool readOnly, bool plainFont) override;
    void showPicture(WindowIndex w) override;
    void contentChanged(WindowIndex w) override;

    void sameExtensionWalk(WindowIndex w);
    void refreshAfterEdit(int index, bool listChanged);
    int imageZoom(WindowIndex w) const;

    MainWindow& m_window;
    Browsing& m_browsing;
    ContentDisplay m_display;
    std::array<std::unique_ptr<PlainTextView>, 2> m_plain;
    std::array<std::unique_ptr<RichTextView>, 2> m_rich;
    std::array<std::unique_ptr<ListingView>, 2> m_listing;
    std::array<std::unique_ptr<ImageView>, 2> m_image;
    std::unique_ptr<Imaging> m_imaging;
    std::array<TextFont, 2> m_fonts;
    std::array<bool, 2> m_suppress{};
    bool m_maximized = false;
};

} // namespace tovane
