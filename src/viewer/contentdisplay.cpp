#include "viewer/contentdisplay.h"

#include "core/mainstate.h"
#include "core/messageservice.h"
#include "core/progressservice.h"
#include "fs/pathrules.h"

namespace tovane {

ContentHost::~ContentHost() = default;

QString notDisplayableText(const QString& name)
{
    return QStringLiteral("ファイル ") + name + QStringLiteral(" は\r\n\r\n") +
           QStringLiteral("処理対象形式ではないので表示できません。");
}

QString contentDisplayTitle()
{
    return QStringLiteral("ファイル内容表示");
}

QString zoomLabel(int zoom)
{
    QString number;
    if (zoom % 100 == 0) {
        number = QString::number(zoom / 100);
    } else {
        number = QString::number(zoom / 100.0, 'f', 2);
        while (number.endsWith(u'0'))
            number.chop(1);
        if (number.endsWith(u'.'))
            number.chop(1);
    }
    return QStringLiteral("表示倍率 ") + number + u'%';
}

QString imageSizeLabel(int width, int height)
{
    return QStringLiteral("　(W:") + QString::number(width) + QStringLiteral(" × H:") +
           QString::number(height) + u')';
}

ContentDisplay::ContentDisplay(ContentContext context) : m_context(context) {}

bool ContentDisplay::displayOn(WindowIndex w) const
{
    return m_context.state.settingsOf(w).contentDisplay;
}

void ContentDisplay::clearContent(WindowIndex w, int flags)
{
    ContentState& s = state(w);
    if (flags & ClearState) {
        m_context.host.clearPanel(w);
        s.listing = s.text = s.image = false;
        s.category = CategoryNone;
        s.imageSizeLabel.clear();
        s.imageWidth = s.imageHeight = 0;
    }
    if (flags & ClearWidgets) {
        m_context.host.hideContent(w);
        s.shown = false;
        m_context.state.setShownContent(w, ContentKind::None);
    }
}

QString ContentDisplay::showContent(WindowIndex w, int n, bool force)
{
    ContentHost& host = m_context.host;
    ContentState& s = state(w);
    if (!displayOn(w)) {
        s.listing = s.text = s.image = false;
        return QString();
    }
    const bool extended = m_context.state.extendedMode();

    int category = CategoryNone;
    bool noItem = false;
    bool changed = false;
    ContentItem it;
    QString path;
    if (!host.showsDriveList(w)) {
        noItem = n < 1 || n > host.itemCount(w);
        if (!noItem) {
            it = host.item(w, n - 1);
            if (!it.name.isEmpty()) {
                path = it.folder + it.name;
                if (!host.itemPathUsable(w, it))
                    return QString();
                if (it.file)
                    category = categoryOf(m_context.lists, it.name, extended);
                changed = path != s.shownPath || it.dateText != s.shownDate || force;
            }
        }
        if (category == CategoryNone) {
            if (!s.shown || host.slideShowRunning())
                return QString();
        } else if (!changed) {
            return QString();
        }
    }

    // An edited text is asked about first; when the user wanted it saved
    // and the save did not happen, it stays on display.
    if (host.checkUnsaved(w) == 1 && s.modified)
        return QString();
    const int previousCategory = s.lastCategory;
    const bool keep = category != CategoryNone && host.switchingOverTo(w) && s.shown;
    clearContent(w, ClearState);
    s.shownPath.clear();
    s.shownDate.clear();

    QString shown;
    if (category != CategoryNone) {
        BusyScope busy(m_context.progress);
        m_context.progress.showProgress(ProgressService::PointerBusy,
                                        m_context.state.windowLabel(w) +
                                            QStringLiteral("ファイル内容を表示中"),
                                        ProgressService::SetPointer | ProgressService::SetText);
        ContentLoad load;
        const int error = keep ? 0 : host.loadContent(w, category, path, load);
        if (error == 0) {
            s.shownPath = path;
            s.shownDate = it.dateText;
            shown = path;
            s.category = category;
            s.lastCategory = category;
            if (category == CategoryImage) {
                s.image = true;
                s.imageWidth = load.width;
                s.imageHeight = load.height;
                s.imageSizeLabel = imageSizeLabel(load.width, load.height);
                host.showPicture(w);
            } else {
                s.listing = category == CategoryArchive;
                s.text = !s.listing;
                s.textPoints = category == CategoryRichText && load.textPoints > 0 ? load.textPoints
                                                                                   : s.textPoints;
                s.readOnly =
                    s.listing || host.slideShowRunning() || !extended || host.locationReadOnly(w);
                host.showTextBox(w, s.readOnly,
                                 category != CategoryRichText &&
                                     previousCategory == CategoryRichText);
            }
        } else if (error != LoadReported) {
            s.lastCategory = category;
            if (host.slideShowTestRun() ||
                (!host.slideShowRunning() && m_context.messages.confirmationMessages()))
                m_context.messages.showMessage(notDisplayableText(it.name), ButtonsOk,
                                               contentDisplayTitle());
        }
        m_context.progress.showProgress(ProgressService::PointerDefault, QString(),
                                        ProgressService::SetPointer | ProgressService::SetText);
    }
    s.modified = false;
    s.newText = false;
    s.shown = s.anything();
    m_context.state.setShownContent(
        w, s.image ? ContentKind::Image : (s.anything() ? ContentKind::Text : ContentKind::None),
        s.anything() ? it.name : QString());
    if (!s.anything())
        host.hideContent(w);
    host.contentChanged(w);
    if (noItem)
        clearContent(w, ClearWidgets);
    return shown;
}

QString ContentDisplay::viewLabel(WindowIndex w, int zoom) const
{
    const ContentState& s = state(w);
    if (!displayOn(w))
        return QString();
    if (s.text || s.listing || s.newText)
        return QStringLiteral("文字サイズ ") + QString::number(s.textPoints) + u'P';
    if (s.image)
        return zoomLabel(zoom) + s.imageSizeLabel;
    return QString();
}

int ContentDisplay::labelPanel(WindowIndex w, bool twoWindows, bool maximized)
{
    if (!twoWindows || maximized)
        return 1;
    return w == RightWindow ? 3 : 1;
}

void ContentDisplay::textEdited(WindowIndex w)
{
    state(w).modified = true;
}

void ContentDisplay::startNewText(WindowIndex w)
{
    ContentState& s = state(w);
    s.listing = s.image = false;
    s.text = true;
    s.shown = true;
    s.newText = true;
    s.modified = false;
    s.readOnly = false;
    s.category = CategoryPlainText;
    s.lastCategory = CategoryPlainText;
    s.shownPath.clear();
    s.shownDate.clear();
    m_context.state.setShownContent(w, ContentKind::Text, QString());
}

void ContentDisplay::textSaved(WindowIndex w, const QString& path, const QString& dateText)
{
    ContentState& s = state(w);
    s.shownPath = path;
    s.shownDate = dateText;
    s.modified = false;
    s.newText = false;
    m_context.state.setShownContent(w, ContentKind::Text, fileNameOf(path));
}

} // namespace tovane
