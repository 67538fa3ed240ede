#include "app/placedialog.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace tovane {

namespace {

constexpr int MinimumWidthTwips = 7000;

bool isEnterKey(const QKeyEvent* event)
{
    return (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

} // namespace

QString PlaceDialog::instructionText()
{
    return QStringLiteral("所望の行をダブルクリックすると、そのフルパスが選択窓のツリーの範囲内なら"
                          "選択窓の表示パスにします。\r\n"
                          "所望の行をクリックしてから [Enter] キーを押しても同様です。");
}

QString PlaceDialog::resizeHintText()
{
    return QStringLiteral("このボックスは幅と高さを変更できます");
}

PlaceDialog::PlaceDialog(const PlaceDialogForm& form, PlaceChoice& choice,
                         const DialogEnvironment& env, QWidget* parent)
    : QDialog(parent), m_form(form), m_env(env),
      m_metrics(env.metrics.value_or(screenMetricsFor(parent))), m_pick(choice)
{
    m_env.fontSizeIndex = std::clamp(m_env.fontSizeIndex, 0, 3);
    setObjectName(form.objectName);
    setWindowTitle(form.caption);
    setModal(true);
    setFont(dialogFont(m_env.fontSizeIndex));
    setSizeGripEnabled(true);

    m_label1 = new QLabel(instructionText(), this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setWordWrap(true);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("ListView1"));
    m_list->setColumnCount(2);
    m_list->setHeaderLabels(form.columns);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->header()->setStretchLastSection(false);
    for (int c = 0; c < 2; ++c)
        m_list->setColumnWidth(c, m_metrics.toPixels(form.columnTwips[c]));
    m_label2 = new QLabel(resizeHintText(), this);
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_close = new QPushButton(QStringLiteral("終　了"), this);
    m_close->setObjectName(QStringLiteral("Command1"));
    m_close->setAutoDefault(false);

    auto* column = new QVBoxLayout(this);
    column->addWidget(m_label1);
    column->addWidget(m_list, 1);
    column->addWidget(m_label2);
    m_buttons = new QHBoxLayout;
    m_buttons->addStretch(1);
    m_buttons->addWidget(m_close);
    column->addLayout(m_buttons);

    connect(m_list, &QTreeWidget::currentItemChanged, this, [this] { rowBecameCurrent(); });
    connect(m_list, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { m_pick.rowClicked(item->text(0)); });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { m_pick.doubleClicked(); });
    connect(m_close, &QPushButton::clicked, this, [this] {
        m_pick.closeButton();
        done(QDialog::Rejected);
    });
    m_list->viewport()->installEventFilter(this);
}

PlaceDialog::~PlaceDialog()
{
    unload();
}

QSize PlaceDialog::minimumPixels() const
{
    // Room for the frame and the scroll bar, which grow with the text.
    const int margin = 4 * QFontMetrics(font()).averageCharWidth();
    return QSize(m_metrics.toPixels(MinimumWidthTwips) + margin,
                 m_metrics.toPixels(m_form.minimumHeightTwips));
}

void PlaceDialog::fill(const QList<QPair<QString, QString>>& rows, bool load, int current)
{
    m_filling = true;
    m_list->clear();
    for (const auto& row : rows) {
        auto* item = new QTreeWidgetItem(QStringList{row.first, row.second});
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        m_list->addTopLevelItem(item);
    }
    if (load)
        current = 0;
    if (current >= 0 && current < rows.size())
        m_list->setCurrentItem(m_list->topLevelItem(current));
    m_filling = false;
    if (load)
        m_pick.load(!rows.isEmpty(), rows.isEmpty() ? QString() : rows.first().first);
}

int PlaceDialog::currentRow() const
{
    QTreeWidgetItem* item = m_list->currentItem();
    return item ? m_list->indexOfTopLevelItem(item) : -1;
}

void PlaceDialog::rowBecameCurrent()
{
    if (m_filling)
        return;
    if (QTreeWidgetItem* item = m_list->currentItem())
        m_pick.rowClicked(item->text(0));
}

void PlaceDialog::watchChildren()
{
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

bool PlaceDialog::handleKey(QKeyEvent* event)
{
    if (isEnterKey(event)) {
        const int row = currentRow();
        m_pick.enter(m_list->topLevelItemCount() > 0,
                     row >= 0 ? m_list->topLevelItem(row)->text(0) : QString());
        done(m_pick.choice().cancelFlag == 0 ? QDialog::Accepted : QDialog::Rejected);
        return true;
    }
    if (event->modifiers() & Qt::ControlModifier)
        return handleDialogCtrlKey(this, event, m_env, minimumPixels());
    return false;
}

bool PlaceDialog::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonRelease:
        // A double click closes once the button is up, so the release does
        // not land on the main window.
        if (watched == m_list->viewport() && m_pick.mouseUp()) {
            done(QDialog::Accepted);
            return true;
        }
        break;
    case QEvent::ShortcutOverride: {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & Qt::ControlModifier) || isEnterKey(key)) {
            event->accept();
            return true;
        }
        break;
    }
    case QEvent::KeyPress:
        if (handleKey(static_cast<QKeyEvent*>(event)))
            return true;
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void PlaceDialog::keyPressEvent(QKeyEvent* event)
{
    if (!handleKey(event))
        QDialog::keyPressEvent(event);
}

void PlaceDialog::place()
{
    if (m_placed)
        return;
    m_placed = true;
    watchChildren();
    const QSize minimum = minimumPixels();
    setMinimumSize(minimum);
    const QSize screen(m_metrics.toPixels(m_metrics.screenWidth),
                       m_metrics.toPixels(m_metrics.screenHeight));
    setMaximumSize(screen.expandedTo(minimum));
    int heightTwips = m_env.positions ? m_env.positions->sizeFactor[size_t(m_form.heightSlot)] : 0;
    int widthTwips = m_env.positions ? m_env.positions->sizeFactor[size_t(m_form.widthSlot)] : 0;
    // A size never left by this dialog (the slot's default) gives the designed one.
    if (m_metrics.toPixels(heightTwips) < minimum.height())
        heightTwips = m_form.designedTwips.height();
    if (m_metrics.toPixels(widthTwips) < minimum.width())
        widthTwips = m_form.designedTwips.width();
    resize(QSize(m_metrics.toPixels(widthTwips), m_metrics.toPixels(heightTwips))
               .expandedTo(minimum)
               .boundedTo(maximumSize()));
    const QSize twips(m_metrics.toTwips(width()),
                      m_metrics.toTwips(height()) + m_metrics.captionHeight);
    const QPoint at = m_env.positions
                          ? placeDialog(*m_env.positions, m_form.positionSlot, twips, m_metrics)
                          : centredDialogPosition(twips, m_metrics);
    move(m_metrics.toPixels(at.x()), m_metrics.toPixels(at.y()));
}

int PlaceDialog::exec()
{
    place();
    return QDialog::exec();
}

void PlaceDialog::open()
{
    place();
    QDialog::open();
}

void PlaceDialog::showEvent(QShowEvent* event)
{
    if (!m_placed)
        place();
    QDialog::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        m_list->setFocus(Qt::OtherFocusReason);
    }
}

void PlaceDialog::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    if (!m_shown || !m_env.positions)
        return;
    rememberDialogPosition(*m_env.positions, m_form.positionSlot,
                           QPoint(m_metrics.toTwips(x()), m_metrics.toTwips(y())));
    m_env.positions->sizeFactor[size_t(m_form.heightSlot)] = m_metrics.toTwips(height());
    m_env.positions->sizeFactor[size_t(m_form.widthSlot)] = m_metrics.toTwips(width());
}

void PlaceDialog::done(int result)
{
    unload();
    QDialog::done(result);
}

} // namespace tovane
