#pragma once
// 使用方法: the help page opens in the desktop's browser when one is set up
// for HTML pages, otherwise in Tovane's own help window.
//
// GUI thread only.

#include <QDialog>

class QTextBrowser;

namespace tovane {

// The desktop's browser, as far as Tovane can tell.
class HelpBrowser {
public:
    virtual ~HelpBrowser();
    // xdg-open is installed and HTML pages have a default application
    // (xdg-mime names one). Without both, xdg-open would fail or open the
    // page in an editor.
    virtual bool available();
    // Hands the page to xdg-open; false when it could not be started.
    virtual bool open(const QString& page);
};

// The help page in a text browser (`frmHelp`). Links within the page work;
// links to the web go to the desktop.
class HelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows the local HTML file `page`; false when it cannot be read.
    bool load(const QString& page);
    QTextBrowser* browser() const { return m_browser; }

private:
    QTextBrowser* m_browser;
};

} // namespace tovane
