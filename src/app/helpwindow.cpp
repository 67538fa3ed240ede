#include "app/helpwindow.h"

#include "platform/names.h"
#include "platform/textfile.h"

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace tovane {

namespace {

// A query that hangs must not hold the window for long.
constexpr int QueryTimeoutMs = 3000;

QString pageUrl(const QString& page)
{
    // The bytes of the path go into the URL as they are on disk.
    return QString::fromLatin1(QByteArrayLiteral("file://") +
                               platform::nameToBytes(page).toPercentEncoding("/"));
}

} // namespace

HelpBrowser::~HelpBrowser() = default;

bool HelpBrowser::available()
{
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty())
        return false;
    const QString mime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (mime.isEmpty())
        return false;
    QProcess query;
    query.start(mime,
                {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/html")});
    if (!query.waitForFinished(QueryTimeoutMs)) {
        query.kill();
        query.waitForFinished(500);
        return false;
    }
    return query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0 &&
           !query.readAllStandardOutput().trimmed().isEmpty();
}

bool HelpBrowser::open(const QString& page)
{
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    return !xdgOpen.isEmpty() && QProcess::startDetached(xdgOpen, {pageUrl(page)});
}

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("使用方法"));
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("txtHelp"));
    m_browser->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    QSize size(720, 760);
    if (const QScreen* s = QGuiApplication::primaryScreen())
        size = size.boundedTo(s->availableGeometry().size() * 9 / 10);
    resize(size);
}

bool HelpWindow::load(const QString& page)
{
    QByteArray bytes;
    if (platform::readWholeFile(page, bytes) != 0)
        return false;
    m_browser->setHtml(QString::fromUtf8(bytes));
    const QString title = m_browser->documentTitle();
    if (!title.isEmpty())
        setWindowTitle(title);
    return true;
}

} // namespace tovane
