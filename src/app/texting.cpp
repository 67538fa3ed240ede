#include "app/texting.h"

#include "app/browsing.h"
#include "app/contentarea.h"
#include "app/mainwindow.h"
#include "app/windowpane.h"
#include "fs/itemtext.h"
#include "fs/pathrules.h"
#include "platform/system.h"
#include "viewer/editrules.h"
#include "viewer/plaintextfile.h"
#include "viewer/widgets/contentviews.h"
#include "viewer/widgets/richtextdocument.h"

#include <QAction>
#include <QBoxLayout>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>

namespace tovane {

namespace {

const QString RtfMime = QStringLiteral("text/rtf");

// The sixteen colours a font's effects offer.
QList<QColor> standardTextColours()
{
    return {Qt::black,
            QColor(128, 0, 0),
            QColor(0, 128, 0),
            QColor(128, 128, 0),
            QColor(0, 0, 128),
            QColor(128, 0, 128),
            QColor(0, 128, 128),
            QColor(128, 128, 128),
            QColor(192, 192, 192),
            Qt::red,
            Qt::green,
            Qt::yellow,
            Qt::blue,
            Qt::magenta,
            Qt::cyan,
            Qt::white};
}

// A selection as the file would hold it, as documentText() gives a whole text.
QString rawText(const QTextCursor& selection)
{
    QString text = selection.selectedText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    return text;
}

} // namespace

Texting::Texting(MainWindow& window, Browsing& browsing, ContentArea& content)
    : m_window(window), m_browsing(browsing), m_content(content)
{
    content.checkUnsavedHook = [this](WindowIndex w) { return checkUnsaved(w); };
    window.checkUnsaved = [this](WindowIndex w) { return checkUnsaved(w); };
    window.unsavedTextCheck = [this](WindowIndex w) { return confirmClose(w); };
    browsing.prepareFill = [this](WindowIndex w) {
        checkUnsaved(w);
        return true;
    };
}

Texting::~Texting() = default;

void Texting::wireMenus()
{
    MenuBar& menus = m_window.menus();
    auto on = [this, &menus](const char* control, int index, auto handler) {
        if (QAction* a = menus.action(control, index)) {
            connect(a, &QAction::triggered, this, handler);
            a->setEnabled(true);
        }
    };
    on("mnuTextSave", 0, [this] { save(SaveOverwrite); });
    on("mnuTextSave", 1, [this] { save(SaveAs); });
    for (int i = 0; i < 4; ++i)
        on("mnuEditItem", i, [this, i] { editCommand(i); });
    on("mnuMake", 1, [this] { newText(); });

    DestinationEntry entry;
    entry.operation = DestinationOperation::SaveAs;
    entry.applies = [this](const DestinationContext& c) {
        const ContentState& s = m_content.display().state(c.selected);
        return (s.text || s.newText) && !s.readOnly &&
               m_window.state().displayedContent(c.selected) == ContentKind::Text &&
               saveAsEnabled(c.selected);
    };
    entry.start = [this](const DestinationContext& c) { save(SaveAs, c.destination); };
    m_browsing.navigator().registerDestinationEntry(entry);
}

TextSaveContext Texting::context()
{
    return TextSaveContext{m_window.messages(), m_browsing.checker(), m_browsing.volumes(), *this};
}

// ---------------------------------------------------------------- commands

TextSaveResult Texting::save(int mode, const QString& fixedDestination)
{
    m_window.closeDestinationList();
    TextSaveOptions options;
    options.mode = mode;
    options.window = m_window.selectedWindow();
    options.fixedDestination = fixedDestination;
    TextSaveContext c = context();
    const TextSaveResult result = textSave(c, options);
    m_window.updateMenus(options.window);
    m_window.focusWindow(options.window);
    return result;
}

int Texting::checkUnsaved(WindowIndex w)
{
    TextSaveContext c = context();
    const QScopedValueRollback<bool> asking(m_inUnsavedCheck, true);
    const int answer = tovane::checkUnsaved(c, w);
    m_window.updateMenus(m_window.selectedWindow());
    return answer;
}

bool Texting::confirmClose(WindowIndex w)
{
    const ContentState& s = m_content.display().state(w);
    if (!s.modified)
        return true;
    const SaveFacts facts = saveFacts(w);
    const bool saveAs =
        saveAsNeeded(facts.newText, facts.locationProtected, facts.driveFull, facts.driveWritable);
    const QString crlf2 = QStringLiteral("\r\n\r\n");
    QString text = m_window.state().windowLabel(w) +
                   (s.newText ? QStringLiteral("新規") : QStringLiteral("変更のあった")) +
                   QStringLiteral("ファイルが保存されていません。") + crlf2;
    if (!facts.contentDisplayOn)
        text += QStringLiteral("確認が必要なら、キャンセル後に内容を表示してください。") + crlf2;
    text += (s.newText ? QStringLiteral("名前を付けて") : QStringLiteral("上書き")) +
            QStringLiteral("保存しますか ？");
    int answer = MsgCancel;
    m_window.messages().showMessage(text, ButtonsYesNoCancel, QStringLiteral("終　了"), true,
                                    answer);
    if (answer == MsgNo)
        return true;
    if (answer != MsgYes)
        return false;
    TextSaveOptions options;
    options.mode = saveAs ? SaveAs : SaveOverwrite;
    options.window = w;
    options.fromUnsavedCheck = true;
    TextSaveContext c = context();
    const QScopedValueRollback<bool> asking(m_inUnsavedCheck, true);
    // A save that did not happen keeps the program up with the text.
    return textSave(c, options) == TextSaveResult::Saved;
}

bool Texting::saveAsEnabled(WindowIndex w) const
{
    WindowCommandFacts facts;
    fillFacts(w, facts);
    return facts.textShown || facts.chosenFile;
}

void Texting::fillFacts(WindowIndex w, WindowCommandFacts& facts) const
{
    const ContentState& s = m_content.display().state(w);
    const bool shown = m_window.state().displayedContent(w) == ContentKind::Text &&
                       (s.text || s.newText) && !s.listing;
    facts.contentDisplayOn = m_window.state().settingsOf(w).contentDisplay;
    facts.textShown = shown;
    facts.textEditable = shown && !s.readOnly;
    facts.textModified = shown && s.modified;
    facts.newText = shown && s.newText;
    const FileList& l = const_cast<Browsing&>(m_browsing).list(w);
    const int row = l.currentRow();
    facts.chosenFile =
        !l.showsDriveList() && row >= 0 && row < l.model()->count() && !l.model()->isFolderRow(row);
}

void Texting::newText()
{
    const WindowIndex w = m_window.selectedWindow();
    ContentDisplay& display = m_content.display();
    if (checkUnsaved(w) == 1 && display.state(w).modified)
        return; // the edited text stays
    m_content.startNewText(w);
    m_window.updateMenus(w);
}

// ---------------------------------------------------------------- 編集

void Texting::editCommand(int command)
{
    const WindowIndex w = m_window.selectedWindow();
    const ContentState& s = m_content.display().state(w);
    if (m_window.state().displayedContent(w) != ContentKind::Text)
        return;
    const bool richBox = m_content.richShown(w);
    const bool rich = editsRichText(richBox && s.category == CategoryRichText, s.newText);
    PlainTextView& plain = m_content.plainView(w);
    int start = 0;
    int length = 0;
    int textLength = 0;
    if (richBox) {
        const QTextCursor c = m_content.richBox(w)->textCursor();
        start = c.selectionStart();
        length = c.selectionEnd() - start;
        textLength = m_content.richBox(w)->document()->characterCount() - 1;
    } else {
        start = int(plain.selectionStart());
        length = int(plain.selectionEnd()) - start;
        textLength = int(plain.textLength());
    }
    const EditTarget target = editTarget(start, length, textLength);

    MessageService& messages = m_window.messages();
    if (messages.confirmationMessages()) {
        int answer = MsgCancel;
        messages.showMessage(editExplanation(command, target.wholeText, false), ButtonsOkCancel,
                             editTitle(), true, answer);
        if (answer != MsgOk)
            return;
    }
    const bool editable = !s.readOnly;
    if (!richBox && plain.isLarge()) {
        if (editable && (command == EditCut || command == EditPaste)) {
            // Only the text box edits: the large text moves into it first.
            m_content.handOverLarge(w);
        } else {
            if (command == EditCut || command == EditCopy) {
                auto* mime = new QMimeData;
                mime->setText(plain.text().mid(target.start, target.length));
                QGuiApplication::clipboard()->setMimeData(mime);
            } else if (command == EditFont) {
                chooseFont(w, target.wholeText);
            }
            m_window.updateMenus(w);
            return;
        }
    }
    QTextDocument* doc =
        richBox ? m_content.richBox(w)->document() : m_content.plainBox(w)->document();
    const QTextCursor current =
        richBox ? m_content.richBox(w)->textCursor() : m_content.plainBox(w)->textCursor();
    auto setCursor = [&](const QTextCursor& c) {
        if (richBox)
            m_content.richBox(w)->setTextCursor(c);
        else
            m_content.plainBox(w)->setTextCursor(c);
    };
    QTextCursor c(doc);
    c.setPosition(target.start);
    c.setPosition(target.start + target.length, QTextCursor::KeepAnchor);

    switch (command) {
    case EditCut:
    case EditCopy: {
        auto* mime = new QMimeData;
        mime->setText(rawText(c));
        if (rich)
            mime->setData(RtfMime, rtfFromFragment(c.selection()).toLatin1());
        QGuiApplication::clipboard()->setMimeData(mime);
        if (command == EditCut && editable) {
            c.removeSelectedText();
            QTextCursor caret(doc);
            caret.setPosition(target.start);
            setCursor(caret);
        }
        break;
    }
    case EditPaste: {
        if (!editable)
            break;
        const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
        if (!mime)
            break;
        if (rich && mime->hasFormat(RtfMime)) {
            const QTextDocumentFragment fragment = fragmentFromRtf(mime->data(RtfMime));
            if (!fragment.isEmpty())
                c.insertFragment(fragment);
            else
                c.insertText(mime->text());
        } else {
            c.insertText(mime->text());
        }
        QTextCursor after(doc);
        if (length > 0) {
            after.setPosition(target.start);
            after.setPosition(c.position(), QTextCursor::KeepAnchor);
        } else {
            after.setPosition(c.position());
        }
        setCursor(after);
        break;
    }
    case EditFont:
        chooseFont(w, target.wholeText);
        setCursor(current);
        break;
    default:
        break;
    }
    m_window.updateMenus(w);
}

void Texting::chooseFont(WindowIndex w, bool wholeText)
{
    const ContentState& s = m_content.display().state(w);
    const bool richBox = m_content.richShown(w);
    QFont initial;
    QColor colour;
    if (richBox) {
        const QTextCharFormat format = m_content.richBox(w)->textCursor().charFormat();
        initial = format.font();
        colour = format.foreground().style() == Qt::NoBrush ? QColor(Qt::black)
                                                            : format.foreground().color();
    } else {
        initial = m_content.plainBox(w)->font();
        colour = m_content.textFont(w).colour;
    }
    // The dialog lists installed families: the one that stands for a
    // Japanese system font name is the one it shows.
    initial.setFamily(fontDisplayFamily(initial.family()));
    QFont chosen;
    for (;;) {
        QFontDialog dialog(initial, &m_window);
        dialog.setObjectName(QStringLiteral("FontDialog"));
        dialog.setWindowTitle(fontTitle());
        // The colour belongs to the font's effects, as the strike-out does.
        dialog.setOption(QFontDialog::DontUseNativeDialog);
        auto* colours = new QComboBox(&dialog);
        colours->setObjectName(QStringLiteral("FontColour"));
        for (const QColor& c : standardTextColours()) {
            QPixmap swatch(24, 12);
            swatch.fill(c);
            colours->addItem(QIcon(swatch), QString(), c);
        }
        int at = colours->findData(colour);
        if (at < 0) {
            QPixmap swatch(24, 12);
            swatch.fill(colour);
            colours->addItem(QIcon(swatch), QString(), colour);
            at = colours->count() - 1;
        }
        colours->setCurrentIndex(at);
        // Beside strike-out and underline, where the effects are.
        const auto boxes = dialog.findChildren<QCheckBox*>();
        QWidget* effects = boxes.isEmpty() ? nullptr : boxes.first()->parentWidget();
        auto* row = new QHBoxLayout;
        auto* label = new QLabel(QStringLiteral("色(&C):"), &dialog);
        label->setBuddy(colours);
        row->addWidget(label);
        row->addWidget(colours, 1);
        if (auto* box = effects ? qobject_cast<QBoxLayout*>(effects->layout()) : nullptr) {
            box->addLayout(row);
        } else if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
            grid->addLayout(row, grid->rowCount(), 0, 1, grid->columnCount());
        }
        if (dialog.exec() != QDialog::Accepted)
            return;
        chosen = dialog.selectedFont();
        colour = colours->currentData().value<QColor>();
        if (fontSizeAllowed(chosen.pointSizeF()))
            break;
        m_window.messages().showMessage(fontSizeText(), ButtonsOk, fontTitle());
        initial = chosen;
    }
    if (!richBox) {
        TextFont& f = m_content.textFont(w);
        f.colour = colour;
        f.family = fontFileName(chosen.family());
        f.points = qRound(chosen.pointSizeF());
        f.bold = chosen.bold();
        f.italic = chosen.italic();
        f.strikeOut = chosen.strikeOut();
        f.underline = chosen.underline();
        m_content.applyTextFont(w);
        m_content.display().state(w).textPoints = f.points;
    } else {
        QTextEdit* box = m_content.richBox(w);
        QTextCursor c = box->textCursor();
        if (wholeText)
            c.select(QTextCursor::Document);
        QTextCharFormat format;
        format.setFont(chosen);
        format.setForeground(colour);
        // Only rich text keeps its fonts in the file: the listing and
        // anything else are left unmodified.
        const bool keepsModified = s.category != CategoryRichText || s.newText;
        const bool was = s.modified;
        c.mergeCharFormat(format);
        if (keepsModified)
            m_content.display().state(w).modified = was;
        if (wholeText)
            m_content.display().state(w).textPoints = qRound(chosen.pointSizeF());
    }
    m_content.updateViewLabel(w);
}

// ---------------------------------------------------------------- TextSaveHost

SaveFacts Texting::saveFacts(WindowIndex w) const
{
    SaveFacts f;
    const ContentState& s = m_content.display().state(w);
    f.contentDisplayOn = m_window.state().settingsOf(w).contentDisplay;
    f.textShown = (s.text || s.newText) && !s.listing;
    f.modified = s.modified;
    f.newText = s.newText;
    f.shownPath = s.shownPath;
    const FileList& l = const_cast<Browsing&>(m_browsing).list(w);
    if (!l.showsDriveList()) {
        f.windowFolder = l.model()->folder();
        const int row = l.currentRow();
        if (row >= 0 && row < l.model()->count() && !l.model()->isFolderRow(row))
            f.chosenPath = l.model()->pathAt(row);
    }
    f.locationProtected = !m_window.state().volumeWritable(w);
    f.driveWritable = m_driveWritable[size_t(slot(w))];
    f.homeFolder = addSeparator(platform::homeFolder());
    return f;
}

bool Texting::richShown(WindowIndex w) const
{
    return m_content.richShown(w);
}

bool Texting::shownStamp(WindowIndex w, platform::FileStamp& out) const
{
    const ContentState& s = m_content.display().state(w);
    if (s.newText || s.shownPath.isEmpty())
        return false;
    if (richShown(w))
        out = m_content.richView(w).stamp();
    else
        out = m_content.plainView(w).loaded().stamp;
    return true;
}

QString Texting::shownEncodingName(WindowIndex w) const
{
    return encodingName(m_content.plainView(w).loaded().decoded.format.encoding);
}

QString Texting::folderPath(WindowIndex w) const
{
    const FileList& l = const_cast<Browsing&>(m_browsing).list(w);
    return l.showsDriveList() ? QString() : l.model()->folder();
}

quint32 Texting::hiddenMask() const
{
    return m_window.settings().hiddenAttributeMask();
}

CategoryLists Texting::categoryLists() const
{
    return m_window.settings().dispExtList;
}

LanguageCaptions Texting::languageCaptions() const
{
    return m_window.settings().extTitles;
}

bool Texting::askSavePath(const SaveDialogRequest& request, QString& chosenPath)
{
    if (saveDialog)
        return saveDialog(request, chosenPath);
    QFileDialog dialog(&m_window, request.title, request.folder);
    dialog.setObjectName(QStringLiteral("SaveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    const QStringList parts = request.filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters << parts.at(i);
    dialog.setNameFilters(filters);
    if (request.preselected >= 1 && request.preselected <= filters.size())
        dialog.selectNameFilter(filters.at(request.preselected - 1));
    dialog.selectFile(request.name);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    chosenPath = dialog.selectedFiles().constFirst();
    return true;
}

QString Texting::shownPlainText(WindowIndex w) const
{
    return richShown(w) ? documentText(*m_content.richBox(w)->document())
                        : m_content.plainView(w).text();
}

QByteArray Texting::shownRtf(WindowIndex w) const
{
    if (richShown(w))
        return saveRtf(*m_content.richBox(w)->document());
    QTextDocument doc;
    doc.setDefaultFont(m_content.plainBox(w)->font());
    doc.setPlainText(shownPlainText(w));
    return saveRtf(doc);
}

qint64 Texting::shownTextBytes(WindowIndex w, bool richText)
{
    if (richText)
        return shownRtf(w).size();
    TextFormat format = m_content.display().state(w).newText || richShown(w)
                            ? TextFormat()
                            : m_content.plainView(w).loaded().decoded.format;
    QByteArray bytes;
    if (encodeText(shownPlainText(w), format, bytes) != 0)
        encodeText(shownPlainText(w), utf8Format(format), bytes);
    return bytes.size();
}

int Texting::writeShownText(WindowIndex w, const TextWriteRequest& request)
{
    if (request.richText)
        return platform::writeFileAtomically(request.path, shownRtf(w),
                                             platform::WriteMode::KeepMetadata);
    TextFormat format = m_content.display().state(w).newText || richShown(w)
                            ? TextFormat()
                            : m_content.plainView(w).loaded().decoded.format;
    if (request.utf8Instead)
        format = utf8Format(format);
    return savePlainText(request.path, shownPlainText(w), format);
}

void Texting::textSaved(WindowIndex w, const QString& path, const platform::FileStamp& stamp,
                        bool utf8Instead)
{
    const bool rich = richShown(w);
    if (rich) {
        m_content.richView(w).setStamp(stamp);
    } else {
        PlainTextView& view = m_content.plainView(w);
        TextFormat format =
            m_content.display().state(w).newText ? TextFormat() : view.loaded().decoded.format;
        if (utf8Instead)
            format = utf8Format(format);
        view.setSavedFormat(format, stamp);
    }
    m_content.display().textSaved(w, path, fileTimeText(stamp.writeTime));
    m_content.updateViewLabel(w);
    if (w == m_window.selectedWindow())
        m_window.activateWindowIndex(w, 0);
}

void Texting::listItemSaved(WindowIndex w, const ItemRecord& record, bool shown)
{
    FileList& list = m_browsing.list(w);
    list.addOrUpdateItem(record.name, record);
    const int row = list.model()->rowOfName(record.name);
    if (row < 0)
        return;
    if (shown && !m_inUnsavedCheck)
        list.setCurrent(row);
}

void Texting::refreshWindowPath(WindowIndex w)
{
    m_browsing.navigator().refreshWindowPath(w);
}

void Texting::clearDriveWritable(WindowIndex w)
{
    m_driveWritable[size_t(slot(w))] = false;
}

void Texting::setContentShownTemporarily(WindowIndex w, bool on)
{
    m_content.showTemporarily(w, on);
}

void Texting::forgetShownPath(WindowIndex w)
{
    m_content.display().state(w).shownPath.clear();
}

} // namespace tovane
