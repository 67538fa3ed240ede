#pragma once
// Tovane's own properties window, shown when the desktop has none to offer:
// one caption and one value per row of a property sheet, and "Ｏ Ｋ".
// Values can be selected and copied; nothing can be changed here.

#include "app/dialog.h"
#include "ops/properties.h"

#include <QDialog>

namespace tovane {

class DialogR : public QDialog {
    Q_OBJECT
public:
    DialogR(const PropertySheet& sheet, const DialogEnvironment& env, QWidget* parent = nullptr);

    // The value shown in the row `key`; empty when there is no such row.
    QString shownValue(const QString& key) const;
    static QString captionFor(const QString& title); // title + " のプロパティ"

protected:
    bool event(QEvent* event) override;

private:
    DialogEnvironment m_env;
};

} // namespace tovane
