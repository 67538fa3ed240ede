#include "app/dialogr.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QPushButton>
#include <QVBoxLayout>

namespace tovane {

namespace {

QString valueName(const QString& key)
{
    return QStringLiteral("lblValue_") + key;
}

} // namespace

QString DialogR::captionFor(const QString& title)
{
    return title + QStringLiteral(" のプロパティ");
}

DialogR::DialogR(const PropertySheet& sheet, const DialogEnvironment& env, QWidget* parent)
    : QDialog(parent), m_env(env)
{
    setObjectName(QStringLiteral("DialogR"));
    setWindowTitle(captionFor(sheet.title));
    setModal(true);
    setFont(dialogFont(m_env.fontSizeIndex));

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignTop);
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    for (const PropertyRow& row : sheet.rows) {
        auto* caption = new QLabel(row.caption + QStringLiteral(" ："), this);
        caption->setObjectName(QStringLiteral("lblCaption_") + row.key);
        // Names may hold anything; shown as plain text, never as markup.
        auto* value = new QLabel(this);
        value->setObjectName(valueName(row.key));
        value->setTextFormat(Qt::PlainText);
        value->setText(row.value);
        // No wrapping: a wrapped label in a form takes its height before its
        // width is known and loses lines. The form grows instead, within
        // the screen.
        value->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        form->addRow(caption, value);
    }

    auto* ok = new QPushButton(QStringLiteral("Ｏ Ｋ"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    ok->setFixedWidth(Dialog::buttonWidth(m_env.fontSizeIndex));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addStretch(1);
    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addSpacing(8);
    column->addLayout(buttons);
    setMinimumWidth(fontMetrics().averageCharWidth() * 48);
    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        setMaximumWidth(screen->availableGeometry().width());
}

QString DialogR::shownValue(const QString& key) const
{
    const QLabel* label = findChild<QLabel*>(valueName(key));
    return label ? label->text() : QString();
}

bool DialogR::event(QEvent* event)
{
    if (handleDialogCtrlEvent(this, event, m_env, minimumSizeHint()))
        return true;
    return QDialog::event(event);
}

} // namespace tovane
