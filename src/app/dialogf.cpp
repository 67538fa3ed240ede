#include "app/dialogf.h"

namespace tovane {

PlaceDialogForm DialogF::form()
{
    PlaceDialogForm f;
    f.objectName = QStringLiteral("DialogF");
    f.caption = QStringLiteral("特殊フォルダー");
    f.columns = specialFolderColumns();
    f.columnTwips[0] = 8000;
    f.columnTwips[1] = 4000;
    f.positionSlot = 8;
    f.heightSlot = 6;
    f.widthSlot = 7;
    f.minimumHeightTwips = 6000;
    f.designedTwips = QSize(13200, 7200);
    return f;
}

DialogF::DialogF(const QList<PlaceRow>& rows, PlaceChoice& choice, const DialogEnvironment& env,
                 QWidget* parent)
    : PlaceDialog(form(), choice, env, parent)
{
    QList<QPair<QString, QString>> items;
    for (const PlaceRow& r : rows)
        items.append({r.path, r.comment});
    fill(items, true);
}

} // namespace tovane
