#pragma once
// The version window: program title and version, the operating system, the
// memory and the archive back ends with their versions.

#include "app/dialog.h"

#include <QDialog>
#include <QList>

class QLabel;

namespace tovane {

class frmAbout : public QDialog {
    Q_OBJECT
public:
    struct ArchiverLine {
        QString name;    // "CAB32.DLL", ...
        QString version; // empty while the back end is not found
        QString holder;
    };

    static QString applicationTitle(); // "Tovane"
    // "　Ver. " + major.minor.revision of the build's version.
    static QString versionText(const QString& version = QString());
    static QString captionText(); // title + version text

    // The five back ends, in table order, none found.
    static QList<ArchiverLine> defaultArchivers();
    static QString archiverHeading();
    // Name padded to 20 columns, the version cut to 11 characters without a
    // trailing "." (or " 未装備"), padded so the holders line up.
    static QString archiverLineText(const ArchiverLine& line);
    static QString memoryText(double totalBytes);

    frmAbout(const QList<ArchiverLine>& archivers, const DialogEnvironment& env,
             QWidget* parent = nullptr);

protected:
    bool event(QEvent* event) override;

private:
    DialogEnvironment m_env;
};

} // namespace tovane
