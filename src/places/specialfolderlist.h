#pragma once
// The rows of the special-folder dialog: every place of the table that is a
// folder on this machine, with its caption, in table order.

#include "platform/specialfolders.h"

#include <QList>
#include <QString>

#include <functional>

namespace tovane {

struct PlaceRow {
    QString path; // full path, no trailing "/" (except the root)
    QString comment;
    bool operator==(const PlaceRow&) const = default;
};

QString placeCaption(platform::Place place);

// `lookup` stands in for platform::placeFolder (tests); an empty answer
// leaves the place out.
using PlaceLookup = std::function<QString(platform::Place)>;
QList<PlaceRow> specialFolderRows(const PlaceLookup& lookup = {});

// The column labels of the special-folder list.
QStringList specialFolderColumns();

} // namespace tovane
