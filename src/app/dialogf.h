#pragma once
// The special-folder dialog: the places of this machine that exist.

#include "app/placedialog.h"
#include "places/specialfolderlist.h"

namespace tovane {

class DialogF : public PlaceDialog {
    Q_OBJECT
public:
    DialogF(const QList<PlaceRow>& rows, PlaceChoice& choice, const DialogEnvironment& env,
            QWidget* parent = nullptr);

    static PlaceDialogForm form();
};

} // namespace tovane
