#pragma once
// Pieces every command that runs the list engines without a window shares.

#include "core/appsettings.h"
#include "core/messageservice.h"
#include "list/listhost.h"

#include <QStringList>

namespace tovane::cli {

// Keeps what the engines would show, so it can go to stderr as it stands.
class CapturingMessages : public MessageService {
public:
    QStringList texts;

protected:
    qint16 present(DialogRequest& request) override
    {
        texts.append(request.text);
        return AnswerYes;
    }
};

// Nothing to open or select without a window.
class NoWindowHost : public ListHost {
public:
    void openFolder(WindowIndex, const QString&) override {}
    void openFile(WindowIndex, const QString&) override {}
    void driveChosen(WindowIndex, const QString&) override {}
};

// Settings of a list without a window: the attributes in `hide` are not
// listed, no size totals, folder sizes only when asked.
AppSettings listSettings(quint32 hide, bool folderSizes = false);

} // namespace tovane::cli
