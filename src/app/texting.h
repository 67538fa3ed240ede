#pragma once
// The text editor's side of the main window: the unsaved-text check at
// every place that would replace a text, 上書き保存 / 名前を付けて保存 (menu,
// toolbar, the destination list's entry), the shut-down question, the 編集
// menu and the new text. The procedures are the core's; this class answers
// them with the window's widgets.
//
// GUI thread only.

#include "core/commandstates.h"
#include "viewer/textsave.h"

#include <QObject>

#include <array>
#include <functional>
#include <memory>

namespace tovane {

class Browsing;
class ContentArea;
class MainWindow;

class Texting : public QObject, private TextSaveHost {
    Q_OBJECT
public:
    Texting(MainWindow& window, Browsing& browsing, ContentArea& content);
    ~Texting() override;

    void wireMenus();

    // TextSave for the selected window.
    TextSaveResult save(int mode, const QString& fixedDestination = QString());
    // CheckUnsaved (1 when the user chose to save).
    int checkUnsaved(WindowIndex w);
    // The shut-down question: false when the user cancels the close (or
    // the save he asked for did not happen).
    bool confirmClose(WindowIndex w);
    // 編集 menu item 0-3 on the selected window.
    void editCommand(int command);
    // ファイル → 新規作成 → テキストファイル.
    void newText();

    // The content facts of the menu enabling.
    void fillFacts(WindowIndex w, WindowCommandFacts& facts) const;

    // The save dialog; tests put in one that answers without a window.
    std::function<bool(const SaveDialogRequest&, QString&)> saveDialog;

private:
    static int slot(WindowIndex w) { return w == RightWindow ? 1 : 0; }
    TextSaveContext context();
    bool saveAsEnabled(WindowIndex w) const;

    // TextSaveHost
    SaveFacts saveFacts(WindowIndex w) const override;
    bool shownStamp(WindowIndex w, platform::FileStamp& out) const override;
    QString shownEncodingName(WindowIndex w) const override;
    QString folderPath(WindowIndex w) const override;
    quint32 hiddenMask() const override;
    CategoryLists categoryLists() const override;
    LanguageCaptions languageCaptions() const override;
    bool askSavePath(const SaveDialogRequest& request, QString& chosenPath) override;
    qint64 shownTextBytes(WindowIndex w, bool richText) override;
    int writeShownText(WindowIndex w, const TextWriteRequest& request) override;
    void textSaved(WindowIndex w, const QString& path, const platform::FileStamp& stamp,
                   bool utf8Instead) override;
    void listItemSaved(WindowIndex w, const ItemRecord& record, bool shown) override;
    void refreshWindowPath(WindowIndex w) override;
    void clearDriveWritable(WindowIndex w) override;
    void setContentShownTemporarily(WindowIndex w, bool on) override;
    void forgetShownPath(WindowIndex w) override;

    // The shown text of w as written: rich text bytes, or the plain text.
    bool richShown(WindowIndex w) const;
    QString shownPlainText(WindowIndex w) const;
    QByteArray shownRtf(WindowIndex w) const;
    void chooseFont(WindowIndex w, bool wholeText);

    MainWindow& m_window;
    Browsing& m_browsing;
    ContentArea& m_content;
    std::array<bool, 2> m_driveWritable{true, true};
    // A save asked for by the unsaved-text check: the list's current item is
    // what the user just chose and stays so.
    bool m_inUnsavedCheck = false;
};

} // namespace tovane
