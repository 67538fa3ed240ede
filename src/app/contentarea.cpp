#include "app/contentarea.h"

#include "app/browsing.h"
#include "app/dialogt.h"
#include "app/imaging.h"
#include "app/operating.h"
#include "app/mainwindow.h"
#include "app/windowpane.h"
#include "list/listcolumns.h"
#include "viewer/widgets/contentviews.h"
#include "viewer/widgets/largetextview.h"
#include "viewer/widgets/richtextdocument.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTreeView>

namespace tovane {

ContentArea::ContentArea(MainWindow& window, Browsing& browsing)
    : m_window(window), m_browsing(browsing),
      m_display(ContentContext{window.state(), window.settings().dispExtList, window.messages(),
                               window.progress(), *this})
{
    // The Japanese system font names of texts and settings show with the
    // installed Japanese fonts.
    registerFontSubstitutes();
    for (int i = 0; i < 2; ++i) {
        const WindowIndex w = WindowIndex(i);
        WindowPane* pane = window.pane(w);
        m_plain[i] = std::make_unique<PlainTextView>(pane->plainText(), pane->largeText());
        m_rich[i] = std::make_unique<RichTextView>(pane->richText());
        m_listing[i] = std::make_unique<ListingView>(pane->richText());
        m_listing[i]->lister = [this](const QString& path, QString& listing) {
            const PrepareResult r = m_window.operating()->archiver().prepare(
                path, false, true, PrepareListDisplay, contentDisplayTitle());
            if (r.result != 0)
                return r.message.isEmpty() ? int(LoadFailed) : int(LoadReported);
            listing = r.listing;
            return 0;
        };
        m_image[i] = std::make_unique<ImageView>(pane->picture());
        auto edited = [this, w] {
            if (m_suppress[slot(w)])
                return;
            const bool was = m_display.state(w).modified;
            m_display.textEdited(w);
            if (!was && w == m_window.selectedWindow())
                m_window.updateMenus(w);
        };
        connect(pane->plainText(), &QPlainTextEdit::textChanged, this, edited);
        connect(pane->richText(), &QTextEdit::textChanged, this, edited);
        // The first edit of a large text: the text box takes the text, then the edit.
        connect(pane->largeText(), &LargeTextView::editRequested, this, [this, w](QEvent* e) {
            handOverLarge(w);
            QCoreApplication::sendEvent(plainBox(w), e);
        });
        connect(pane->contentBox(), &QCheckBox::clicked, this,
                [this, w](bool on) { setDisplaySwitch(w, on); });
        applyTextFont(w);
    }
    browsing.showContent = [this](WindowIndex w, int item, bool force) {
        showContent(w, item, force);
    };
    window.checkUnsaved = [this](WindowIndex w) { return checkUnsaved(w); };
    window.viewerKey = [this](const KeyAction& a) { return handleKey(a); };
    m_imaging = std::make_unique<Imaging>(window, browsing, *this,
                                          std::array<ImageView*, 2>{m_image[0].get(), m_image[1].get()});
}

bool ContentArea::slideShowRunning() const
{
    return m_imaging && m_imaging->slideShowRunning();
}

bool ContentArea::slideShowTestRun() const
{
    return m_imaging && m_imaging->testRun();
}

ContentArea::~ContentArea() = default;

void ContentArea::wireMenus()
{
    MenuBar& menus = m_window.menus();
    auto on = [this, &menus](const char* control, int index, auto handler) {
        if (QAction* a = menus.action(control, index)) {
            connect(a, &QAction::triggered, this, handler);
            a->setEnabled(true);
        }
    };
    on("mnuDispFile", 0, [this] { setDisplaySwitch(m_window.selectedWindow(), true); });
    on("mnuDispFile", 1, [this] { setDisplaySwitch(m_window.selectedWindow(), false); });
    on("mnuDispScrn", 0, [this] { setAreaSize(0); });
    on("mnuDispScrn", 1, [this] { setAreaSize(1); });
    for (int i = 0; i <= CategoryLastLanguage; ++i)
        on("mnuDispExt", i, [this, i] { editCategory(i); });
    on("mnuDispItem", 14, [this] { editCategory(CategoryListFilter); });
    on("mnuDispItem", 15, [this] { editCategory(CategoryImageAggregation); });
    on("mnuFileItem", 18, [this] { editCategory(CategorySerialNumbering); });
    m_imaging->wireMenus();
    applyLanguageCaptions();
}

void ContentArea::applyLanguageCaptions()
{
    const auto& titles = m_window.settings().extTitles;
    for (int i = 0; i < LanguageCount; ++i) {
        if (QAction* a = m_window.menus().action("mnuDispExt", CategoryFirstLanguage + i))
            a->setText(categoryCaption(CategoryFirstLanguage + i, titles));
    }
}

QPlainTextEdit* ContentArea::plainBox(WindowIndex w) const
{
    return m_window.pane(w)->plainText();
}

QTextEdit* ContentArea::richBox(WindowIndex w) const
{
    return m_window.pane(w)->richText();
}

bool ContentArea::richShown(WindowIndex w) const
{
    return !richBox(w)->isHidden();
}

// ---------------------------------------------------------------- showing

QString ContentArea::showContent(WindowIndex w, int item, bool force)
{
    if (!isWindowIndex(w))
        return QString();
    return m_display.showContent(w, item, force);
}

void ContentArea::showCurrent(WindowIndex w, bool force)
{
    showContent(w, m_browsing.list(w).currentRow() + 1, force);
}

bool ContentArea::showsDriveList(WindowIndex w) const
{
    return m_browsing.list(w).showsDriveList();
}

int ContentArea::itemCount(WindowIndex w) const
{
    return m_browsing.list(w).model()->count();
}

ContentItem ContentArea::item(WindowIndex w, int row) const
{
    const FileListModel* model = m_browsing.list(w).model();
    ContentItem it;
    it.folder = model->folder();
    it.name = model->nameAt(row);
    it.dateText = model->cellText(row, ColumnTime);
    it.file = !model->isFolderRow(row);
    return it;
}

bool ContentArea::itemPathUsable(WindowIndex w, const ContentItem& item)
{
    TreeNavigator& n = m_browsing.navigator();
    const int code = n.checkPathWithRepair(w, item.folder, item.name);
    return code == CheckAvailable && !n.lastCheckRepaired();
}

bool ContentArea::switchingOverTo(WindowIndex w) const
{
    return m_window.state().switching() && w == m_window.selectedWindow();
}

bool ContentArea::locationReadOnly(WindowIndex w) const
{
    return !m_window.state().volumeWritable(w);
}

int ContentArea::checkUnsaved(WindowIndex w)
{
    if (checkUnsavedHook)
        return checkUnsavedHook(w);
    return 0;
}

void ContentArea::clearPanel(WindowIndex w)
{
    const int panel = ContentDisplay::labelPanel(w, m_window.state().twoWindows(), m_maximized);
    m_window.statusPanel(panel)->clear();
}

void ContentArea::hideContent(WindowIndex w)
{
    setSuppressed(w, true);
    m_plain[slot(w)]->clear();
    m_rich[slot(w)]->clear();
    m_image[slot(w)]->clear();
    setSuppressed(w, false);
    WindowPane* pane = m_window.pane(w);
    pane->plainText()->hide();
    pane->largeText()->hide();
    pane->richText()->hide();
    pane->picture()->hide();
}

int ContentArea::loadContent(WindowIndex w, int category, const QString& path, ContentLoad& out)
{
    const int s = slot(w);
    setSuppressed(w, true);
    // The other views let go of what they held.
    int error = 0;
    switch (category) {
    case CategoryArchive:
        m_plain[s]->clear();
        m_image[s]->clear();
        error = m_listing[s]->load(path, out);
        break;
    case CategoryImage:
        m_plain[s]->clear();
        m_rich[s]->clear();
        error = m_image[s]->load(path, out);
        break;
    case CategoryRichText:
        m_plain[s]->clear();
        m_image[s]->clear();
        error = m_rich[s]->load(path, out);
        break;
    default:
        m_rich[s]->clear();
        m_image[s]->clear();
        error = m_plain[s]->load(path, out);
        break;
    }
    setSuppressed(w, false);
    if (error != 0)
        hideContent(w);
    return error;
}

void ContentArea::functionModeChanged()
{
    const bool extended = m_window.state().extendedMode();
    for (const WindowIndex w : {LeftWindow, RightWindow}) {
        ContentState& s = m_display.state(w);
        if (!s.text || s.listing)
            continue;
        s.readOnly = slideShowRunning() || !extended || locationReadOnly(w);
        if (s.category == CategoryRichText)
            m_window.pane(w)->richText()->setReadOnly(s.readOnly);
        else
            m_plain[slot(w)]->setReadOnly(s.readOnly);
    }
    m_window.updateMenus(m_window.selectedWindow());
}

void ContentArea::showTextBox(WindowIndex w, bool readOnly, bool plainFont)
{
    Q_UNUSED(plainFont); // each kind has its own box: the plain font never left
    WindowPane* pane = m_window.pane(w);
    const ContentState& s = m_display.state(w);
    const bool rich = s.category == CategoryRichText || s.listing;
    pane->picture()->hide();
    if (rich) {
        pane->plainText()->hide();
        pane->largeText()->hide();
        QTextEdit* box = pane->richText();
        box->setReadOnly(readOnly);
        box->moveCursor(QTextCursor::Start);
        box->show();
    } else {
        pane->richText()->hide();
        PlainTextView& view = *m_plain[slot(w)];
        (view.isLarge() ? static_cast<QWidget*>(pane->plainText())
                        : static_cast<QWidget*>(pane->largeText()))
            ->hide();
        view.setReadOnly(readOnly);
        view.moveToStart();
        view.widget()->show();
        m_display.state(w).textPoints = m_fonts[slot(w)].points;
    }
}

void ContentArea::handOverLarge(WindowIndex w)
{
    PlainTextView& view = *m_plain[slot(w)];
    if (!view.isLarge())
        return;
    // Loading the whole text into the text box takes a moment on a large file.
    QtProgressService& progress = m_window.progress();
    progress.setStatusText(m_window.state().windowLabel(w) +
                           QStringLiteral("テキストを編集用に読み込み中 "));
    m_window.statusPanel(1)->repaint();
    setSuppressed(w, true);
    view.handOver();
    setSuppressed(w, false);
    progress.setStatusText(QString());
    updateViewLabel(w);
}

void ContentArea::showPicture(WindowIndex w)
{
    WindowPane* pane = m_window.pane(w);
    pane->plainText()->hide();
    pane->largeText()->hide();
    pane->richText()->hide();
    pane->picture()->show();
    m_imaging->paintNow(w, !switchingOverTo(w));
}

void ContentArea::contentChanged(WindowIndex w)
{
    updateViewLabel(w);
    if (w == m_window.selectedWindow() && m_window.startupFinished())
        m_window.activateWindowIndex(w, 0);
    if (contentChangedHook)
        contentChangedHook(w);
}

int ContentArea::imageZoom(WindowIndex w) const
{
    if (m_image[slot(w)]->image().isNull())
        return ZoomActualSize;
    return qMax(1, int(std::lround(m_imaging->view(w).zoom)));
}

void ContentArea::updateViewLabel(WindowIndex w, int panel)
{
    if (panel < 0)
        panel = ContentDisplay::labelPanel(w, m_window.state().twoWindows(), m_maximized);
    const QString text = m_display.viewLabel(w, imageZoom(w));
    // With one window or the area maximized the selected window owns panel 1.
    if ((!m_window.state().twoWindows() || m_maximized) && w != m_window.selectedWindow())
        return;
    m_window.statusPanel(panel)->setText(text);
}

void ContentArea::startNewText(WindowIndex w)
{
    ViewSlotSettings& s = m_window.state().settingsOf(w);
    if (!s.contentDisplay) {
        s.contentDisplay = true;
        m_window.layoutPanes();
        m_window.applyMenuMarks();
    }
    hideContent(w);
    m_display.startNewText(w);
    QPlainTextEdit* box = plainBox(w);
    box->setReadOnly(false);
    box->show();
    m_display.state(w).textPoints = m_fonts[slot(w)].points;
    updateViewLabel(w);
    if (m_window.isVisible())
        box->setFocus();
    if (contentChangedHook)
        contentChangedHook(w);
}

void ContentArea::showTemporarily(WindowIndex w, bool on)
{
    ViewSlotSettings& s = m_window.state().settingsOf(w);
    if (s.contentDisplay == on)
        return;
    s.contentDisplay = on;
    m_window.layoutPanes();
    const ContentState& cs = m_display.state(w);
    if (on && !cs.image)
        showTextBox(w, cs.readOnly, false);
    m_window.progress().pumpEventsNow();
}

void ContentArea::viewSlotsChanged()
{
    MainState& state = m_window.state();
    for (int i = 0; i < 2; ++i) {
        const WindowIndex w = state.pair()[i];
        if (!state.settingsOf(w).contentDisplay)
            continue;
        const ContentState& cs = m_display.state(w);
        if (cs.anything()) {
            if (cs.image)
                showPicture(w);
            else
                showTextBox(w, cs.readOnly, false);
        } else if (state.twoWindows() || w == state.selected()) {
            showCurrent(w, false);
        }
    }
    m_window.statusPanel(3)->clear();
    for (int i = 0; i < 2; ++i)
        updateViewLabel(state.pair()[i]);
}

// ---------------------------------------------------------------- switches

void ContentArea::setDisplaySwitch(WindowIndex w, bool on)
{
    MainState& state = m_window.state();
    ViewSlotSettings& s = state.settingsOf(w);
    {
        QSignalBlocker block(m_window.pane(w)->contentBox());
        m_window.pane(w)->contentBox()->setChecked(on);
    }
    if (s.contentDisplay == on) {
        m_window.applyMenuMarks();
        return;
    }
    s.contentDisplay = on;
    m_window.layoutPanes();
    m_window.applyMenuMarks();
    if (!on) {
        WindowPane* pane = m_window.pane(w);
        pane->picture()->hide();
        pane->richText()->hide();
        pane->plainText()->hide();
        pane->largeText()->hide();
        clearPanel(w);
    } else if (m_display.state(w).anything()) {
        const ContentState& cs = m_display.state(w);
        if (cs.image)
            showPicture(w);
        else
            showTextBox(w, cs.readOnly, false);
        updateViewLabel(w);
    } else {
        showCurrent(w, true);
    }
    if (w == m_window.selectedWindow())
        m_window.activateWindowIndex(w, 0);
}

void ContentArea::setAreaSize(int index)
{
    const bool maximized = index == 1;
    if (QAction* a = m_window.menus().action("mnuDispScrn", maximized ? 1 : 0))
        a->setChecked(true);
    if (maximized != m_maximized) {
        m_maximized = maximized;
        for (int w = 0; w < 2; ++w)
            m_window.pane(w)->setContentMaximized(maximized);
        m_window.layoutPanes();
        m_window.progress().pumpEventsNow();
        if (maximized)
            m_window.progress().setStatusText(QString());
        for (int w = 0; w < 2; ++w) {
            m_window.statusPanel(3)->clear();
            updateViewLabel(w);
        }
    }
    const WindowIndex sel = m_window.selectedWindow();
    if (m_browsing.list(sel).currentRow() < 0 || maximized)
        m_window.focusWindow(sel);
}

// ---------------------------------------------------------------- keys

bool ContentArea::handleKey(const KeyAction& a)
{
    const WindowIndex w = m_window.selectedWindow();
    switch (a.command) {
    case KeyCommand::ToggleContentSize:
        setAreaSize(m_maximized ? 0 : 1);
        return true;
    case KeyCommand::TextFontStep:
        if (m_window.state().displayedContent(w) != ContentKind::Text)
            return false;
        stepFontSize(w, a.argument);
        return true;
    case KeyCommand::RefreshContent:
        showCurrent(w, true);
        return true;
    default:
        return m_imaging->handleKey(a);
    }
}

void ContentArea::applyTextFont(WindowIndex w)
{
    const TextFont& f = m_fonts[slot(w)];
    QFont font(f.family);
    font.setPointSize(f.points);
    font.setBold(f.bold);
    font.setItalic(f.italic);
    font.setStrikeOut(f.strikeOut);
    font.setUnderline(f.underline);
    LargeTextView* large = m_window.pane(w)->largeText();
    for (QWidget* box : {static_cast<QWidget*>(plainBox(w)), static_cast<QWidget*>(richBox(w)),
                         static_cast<QWidget*>(large)}) {
        QPalette pal = box->palette();
        pal.setColor(QPalette::Text, f.colour);
        box->setPalette(pal);
    }
    plainBox(w)->setFont(font);
    large->setFont(font);
    large->setTabStopDistance(plainBox(w)->tabStopDistance());
    // Rich text keeps its own formats; only a listing takes the window's font.
    if (m_display.state(w).listing)
        richBox(w)->setFont(font);
}

void ContentArea::stepFontSize(WindowIndex w, int step)
{
    ContentState& s = m_display.state(w);
    if (s.category == CategoryRichText && !s.listing) {
        // The whole rich text takes one size, stepped from its size at the start.
        QTextEdit* box = richBox(w);
        const int points = textFontSizeStep(s.textPoints, step);
        setSuppressed(w, true);
        QTextCursor all(box->document());
        all.select(QTextCursor::Document);
        QTextCharFormat f;
        f.setFontPointSize(points);
        all.mergeCharFormat(f);
        setSuppressed(w, false);
        s.textPoints = points;
    } else {
        TextFont& f = m_fonts[slot(w)];
        f.points = textFontSizeStep(f.points, step);
        applyTextFont(w);
        s.textPoints = f.points;
    }
    updateViewLabel(w);
}

// ---------------------------------------------------------------- lists

void ContentArea::editCategory(int index)
{
    if (index == CategoryRichText || index < 0 || index >= CategoryListCount)
        return;
    AppSettings& settings = m_window.settings();
    MessageService& messages = m_window.messages();
    LanguageCaptions captions;
    std::copy(settings.extTitles.begin(), settings.extTitles.end(), captions.begin());
    const QString archiveSet = m_window.facts().archivers.archiveExtensionSet();
    const QString title = categoryEditTitle(index, captions);
    const QString prompt = categoryEditPrompt(index, archiveSet);
    QString text = categoryEditText(index, settings.dispExtList[size_t(index)], captions);
    const bool language = index >= CategoryFirstLanguage && index <= CategoryLastLanguage;

    CategoryAnswer answer;
    for (;;) {
        const QString given =
            DialogT::ask(&m_window, title, prompt, text, false, m_window.dialogEnvironment());
        if (given == DialogT::cancelAnswer()) {
            if (messages.confirmationMessages())
                messages.showMessage(QStringLiteral("対象拡張子の変更をキャンセルしました。"),
                                     ButtonsOk, title);
            m_window.focusWindow(m_window.selectedWindow());
            return;
        }
        if (parseCategoryAnswer(index, given, captions, archiveSet, messages, title, answer))
            break;
        text = given;
    }

    const QString oldList = settings.dispExtList[size_t(index)];
    const QString oldCaption =
        language ? captions[size_t(index - CategoryFirstLanguage)] : QString();
    const QString newCaption = language ? answer.caption : QString();
    if (answer.reset && (!oldList.isEmpty() || oldCaption != newCaption) &&
        messages.confirmationMessages()) {
        int reply = MsgCancel;
        messages.showMessage(categoryResetQuestion(index, captions, oldCaption != newCaption),
                             ButtonsOkCancel, title, true, reply);
        if (reply != MsgOk) {
            m_window.focusWindow(m_window.selectedWindow());
            return; // the entry stays as it was
        }
    }

    const bool listChanged = answer.list != oldList;
    if (language && newCaption != oldCaption) {
        settings.extTitles[size_t(index - CategoryFirstLanguage)] = newCaption;
        if (QAction* a = m_window.menus().action("mnuDispExt", index))
            a->setText(newCaption);
    }
    if (listChanged)
        settings.dispExtList[size_t(index)] = answer.list;
    if (messages.confirmationMessages())
        messages.showMessage(categoryStoredText(index, oldCaption, newCaption, answer.list),
                             ButtonsOk, title);
    refreshAfterEdit(index, listChanged);
    m_window.focusWindow(m_window.selectedWindow());
}

void ContentArea::refreshAfterEdit(int index, bool listChanged)
{
    if (!listChanged)
        return;
    const SelectedPair pair = m_window.state().pair();
    if (index == CategoryListFilter || index == CategoryImageAggregation) {
        for (int i = 0; i < 2; ++i)
            m_browsing.list(pair[i]).refill();
    } else {
        const bool serial = (index >= CategoryImage && index <= CategoryPlainText + 1) ||
                            index == CategorySerialNumbering;
        for (int i = 0; i < 2; ++i) {
            const WindowIndex w = pair[i];
            FileList& list = m_browsing.list(w);
            // The category images of archives, pictures, texts and sources.
            if (index <= CategoryLastLanguage)
                list.renewImages();
            if (list.showsDriveList() || list.model()->count() == 0)
                continue;
            if (serial && m_browsing.selectionPresentIn && m_browsing.selectionPresentIn(w))
                sameExtensionWalk(w);
            if (index <= CategoryLastLanguage)
                showCurrent(w, true);
        }
    }
    m_window.progress().setStatusText(QString());
    // The status line shares its panel with the left window's label.
    for (int i = 0; i < 2; ++i)
        updateViewLabel(pair[i]);
}

void ContentArea::sameExtensionWalk(WindowIndex w)
{
    const FileListModel* model = m_browsing.list(w).model();
    const QString serialSet = serialNumberingSet(m_window.settings().dispExtList);
    m_window.progress().setStatusText(m_window.state().windowLabel(w) +
                                      QStringLiteral("連番付け用拡張子をチェック中 "));
    SameExtension& state = m_display.state(w).sameExtension;
    state.reset();
    for (int row = 0; row < model->count() && !state.settled(); ++row) {
        if (!model->isFolderRow(row))
            state.feed(model->nameAt(row), serialSet);
    }
}

} // namespace tovane
