#include "app/toolbar.h"

#include <QAction>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QToolBar>

#include <cmath>

namespace tovane {

namespace {

// clang-format off
constexpr ToolbarButton Buttons[] = {
    {1, " 窓数を増減 ： １窓 ←→ ２窓 ", "mnuWindowItem", 0},
    {2, " 選択窓を切替 ： 左 ←→ 右 ", "mnuWindowItem", 1},
    {4, " 新規フォルダを作成 ： 表示パス内に ", "mnuMake", 0},
    {5, " 新規テキストを作成 ： 内容表示ボックス表示中に ", "mnuMake", 1},
    {7, " 上書き保存 ： 変更した内容表示テキストファイル", "mnuTextSave", 0},
    {8, " 名前を付けて保存 ： 指定選択１ファイル ", "mnuTextSave", 1},
    {10, " 全項目を選択 ： 選択可能対象のすべてにマーク ", "mnuFileSel", 0},
    {11, " 選択状態を反転 ： 選択マークの有無を反転 ", "mnuFileSel", 1},
    {12, " 選択を解除 ： 選択マークをすべてクリア ", "mnuFileSel", 2},
    {14, " 比較選択 ： 比較条件に応じて差のある項目を選択", "mnuFileItem", 3},
    {16, " コピー ： 選択（コピー対象）項目を反対窓にコピー ", "mnuFileItem", 4},
    {17, " 移動 ： 選択（コピー対象）項目を反対窓に移動 ", "mnuFileItem", 5},
    {18, " 削除 ： 選択項目をごみ箱に移動／抹消 ", "mnuFileItem", 6},
    {20, " ｺﾝﾋﾟｭｰﾀ全体をツリー表示 ", "mnuDispTree", 0},
    {21, " ツリー最上位項目の親項目以下をツリー表示 ", "mnuDispTree", 1},
    {22, " ツリー選択項目以下をツリー表示 ", "mnuDispTree", 2},
    {24, " 最新の情報に更新 ： ツリーやリスト表示を更新 ", "mnuDispItem", 18},
    {26, " キャンセル ： 実行中の処理を中断 ", nullptr, -1},
    {28, " 使用方法 ： ヘルプを表示 ", "mnuHelpItem", 3},
};
// clang-format on

constexpr int Separators[] = {3, 6, 9, 13, 15, 19, 23, 25, 27};

const ToolbarButton* buttonAt(int position)
{
    for (const ToolbarButton& b : Buttons)
        if (b.position == position)
            return &b;
    return nullptr;
}

// Shapes are laid out on a 16-unit grid and snapped to whole pixels at
// each size, so outlines stay one pixel sharp at 16 and at 24 pixels.
class Canvas {
public:
    Canvas(QPainter& p, int size) : m_p(p), m_s(size) {}

    int px(double v) const { return int(std::lround(v * m_s / 16.0)); }
    QRect rect(double x, double y, double w, double h) const
    {
        const int l = px(x), t = px(y);
        return QRect(l, t, px(x + w) - l, px(y + h) - t);
    }
    QPointF pt(double x, double y) const { return QPointF(x * m_s / 16.0, y * m_s / 16.0); }
    double len(double v) const { return v * m_s / 16.0; }

    void fill(double x, double y, double w, double h, const QColor& c)
    {
        m_p.fillRect(rect(x, y, w, h), c);
    }
    void box(double x, double y, double w, double h, const QColor& inside, const QColor& edge)
    {
        const QRect r = rect(x, y, w, h);
        m_p.fillRect(r, edge);
        m_p.fillRect(r.adjusted(1, 1, -1, -1), inside);
    }
    void line(double x1, double y1, double x2, double y2, const QColor& c, double width)
    {
        QPen pen(c, std::max(1.0, len(width)), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        m_p.setPen(pen);
        m_p.drawLine(pt(x1, y1), pt(x2, y2));
    }
    void polygon(std::initializer_list<QPointF> units, const QColor& c)
    {
        QPolygonF poly;
        for (const QPointF& u : units)
            poly << pt(u.x(), u.y());
        m_p.setPen(Qt::NoPen);
        m_p.setBrush(c);
        m_p.drawPolygon(poly);
    }
    void ellipse(double x, double y, double w, double h, const QColor& inside, const QColor& edge)
    {
        m_p.setPen(QPen(edge, 1));
        m_p.setBrush(inside);
        m_p.drawEllipse(QRectF(pt(x, y), pt(x + w, y + h)).adjusted(0.5, 0.5, -0.5, -0.5));
    }
    QPainter& painter() { return m_p; }

private:
    QPainter& m_p;
    int m_s;
};

const QColor Ink(0x40, 0x40, 0x40);
const QColor Paper(0xFF, 0xFF, 0xFF);
const QColor PaperLine(0xA0, 0xA8, 0xB0);
const QColor Folder(0xF0, 0xC0, 0x40);
const QColor FolderEdge(0xA0, 0x78, 0x10);
const QColor Plus(0x20, 0xA0, 0x30);
const QColor Blue(0x30, 0x60, 0xC0);
const QColor Red(0xD0, 0x30, 0x30);
const QColor Green(0x30, 0xA0, 0x40);
// The header colours of the selected left and right window.
const QColor LeftPane(0xFF, 0xFF, 0x60);
const QColor RightPane(0x80, 0xFF, 0xFF);

void page(Canvas& c, double x, double y, double w, double h)
{
    c.box(x, y, w, h, Paper, Ink);
    for (double ly = y + 3; ly < y + h - 1.5; ly += 2)
        c.fill(x + 2, ly, w - 4, 1, PaperLine);
}

void greenPlus(Canvas& c, double cx, double cy)
{
    c.fill(cx - 3, cy - 1, 6, 2, Plus);
    c.fill(cx - 1, cy - 3, 2, 6, Plus);
}

void checkBox(Canvas& c, double x, double y, bool checked)
{
    c.box(x, y, 5, 5, Paper, Ink);
    if (checked) {
        c.painter().setRenderHint(QPainter::Antialiasing, true);
        c.line(x + 1.2, y + 2.6, x + 2.2, y + 3.8, Green, 1.1);
        c.line(x + 2.2, y + 3.8, x + 4.0, y + 1.2, Green, 1.1);
        c.painter().setRenderHint(QPainter::Antialiasing, false);
    }
}

void arrowRight(Canvas& c, double x1, double x2, double y, const QColor& col)
{
    c.fill(x1, y - 1, x2 - x1 - 2, 2, col);
    c.polygon({QPointF(x2 - 3, y - 3), QPointF(x2, y), QPointF(x2 - 3, y + 3)}, col);
}

void floppy(Canvas& c, double x, double y, double s)
{
    c.box(x, y, s, s, Blue, Blue.darker(150));
    c.fill(x + s * 0.2, y + 1, s * 0.6, s * 0.4, Paper);
    c.fill(x + s * 0.3, y + s * 0.65, s * 0.4, s * 0.35 - 1, QColor(0xC0, 0xC8, 0xD0));
}

void treeLines(Canvas& c, const QColor& top)
{
    c.box(2, 2, 5, 4, top, Ink);
    c.fill(4, 6, 1, 7, Ink);
    c.fill(4, 8, 4, 1, Ink);
    c.fill(4, 12, 4, 1, Ink);
    c.box(8, 6, 6, 4, Folder, FolderEdge);
    c.box(8, 10, 6, 4, Folder, FolderEdge);
}

void draw(Canvas& c, int position)
{
    QPainter& p = c.painter();
    switch (position) {
    case 1: // one window <-> two windows
        c.box(1, 2, 14, 12, Paper, Ink);
        c.fill(1, 2, 14, 2, Blue);
        c.fill(2, 4, 6, 9, LeftPane);
        c.fill(8, 4, 6, 9, RightPane);
        c.fill(8, 4, 1, 9, Ink);
        break;
    case 2: // left <-> right
        c.box(1, 2, 14, 12, Paper, Ink);
        c.fill(8, 3, 1, 10, Ink);
        p.setRenderHint(QPainter::Antialiasing, true);
        c.fill(5, 7, 7, 2, Red);
        c.polygon({QPointF(2, 8), QPointF(5.5, 4.5), QPointF(5.5, 11.5)}, Red);
        c.polygon({QPointF(14, 8), QPointF(10.5, 4.5), QPointF(10.5, 11.5)}, Red);
        break;
    case 4: // new folder
        c.box(1, 4, 6, 3, Folder, FolderEdge);
        c.box(1, 6, 12, 8, Folder, FolderEdge);
        greenPlus(c, 12, 4);
        break;
    case 5: // new text
        page(c, 2, 1, 10, 14);
        greenPlus(c, 12, 4);
        break;
    case 7: // save
        floppy(c, 2, 2, 12);
        break;
    case 8: // save as
        floppy(c, 1, 5, 10);
        p.setRenderHint(QPainter::Antialiasing, true);
        c.line(8.5, 9.5, 14, 4, QColor(0xE0, 0x80, 0x20), 2.2);
        c.line(8.5, 9.5, 7.5, 10.5, Ink, 1.2);
        break;
    case 10: // select all
        for (int row = 0; row < 3; ++row)
            checkBox(c, 1, 1 + row * 5, true);
        for (int row = 0; row < 3; ++row)
            c.fill(8, 3 + row * 5, 7, 1, Ink);
        break;
    case 11: // invert marks
        checkBox(c, 1, 1, true);
        checkBox(c, 1, 6, false);
        checkBox(c, 1, 11, true);
        p.setRenderHint(QPainter::Antialiasing, true);
        c.fill(10, 4, 2, 8, Blue);
        c.polygon({QPointF(8, 5), QPointF(11, 1.5), QPointF(14, 5)}, Blue);
        c.polygon({QPointF(8, 11), QPointF(11, 14.5), QPointF(14, 11)}, Blue);
        break;
    case 12: // clear marks
        for (int row = 0; row < 3; ++row)
            checkBox(c, 1, 1 + row * 5, false);
        p.setRenderHint(QPainter::Antialiasing, true);
        c.line(8, 4, 14, 12, Red, 2);
        c.line(14, 4, 8, 12, Red, 2);
        break;
    case 14: // compare
        page(c, 0, 2, 7, 12);
        page(c, 9, 2, 7, 12);
        c.fill(2, 7, 3, 1, Red);
        c.fill(11, 7, 3, 1, Red);
        c.fill(7, 6, 2, 1, Red);
        c.fill(7, 9, 2, 1, Red);
        break;
    case 16: // copy
        page(c, 1, 1, 8, 10);
        page(c, 6, 5, 8, 10);
        break;
    case 17: // move
        c.box(1, 1, 7, 9, QColor(0xE8, 0xE8, 0xE8), PaperLine);
        page(c, 8, 6, 7, 9);
        p.setRenderHint(QPainter::Antialiasing, true);
        arrowRight(c, 2, 10, 12, Blue);
        break;
    case 18: { // delete
        const QColor can(0x90, 0x98, 0xA0);
        c.fill(6, 1, 4, 2, Ink);
        c.fill(2, 3, 12, 2, Ink);
        c.box(3, 5, 10, 10, can, Ink);
        for (double x = 5; x < 12; x += 2.5)
            c.fill(x, 7, 1, 6, Ink);
        break;
    }
    case 20: // whole computer
        c.box(1, 1, 14, 10, QColor(0x60, 0x90, 0xD0), Ink);
        c.fill(6, 11, 4, 2, Ink);
        c.fill(3, 13, 10, 2, Ink);
        break;
    case 21: // from the top's parent
        treeLines(c, Paper);
        p.setRenderHint(QPainter::Antialiasing, true);
        c.fill(12, 2, 2, 4, Blue);
        c.polygon({QPointF(10, 3), QPointF(13, 0), QPointF(16, 3)}, Blue);
        break;
    case 22: // below the chosen node
        treeLines(c, Blue);
        break;
    case 24: { // refresh
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(Green, std::max(2.0, c.len(2.2)), Qt::SolidLine, Qt::FlatCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(c.pt(2.5, 2.5), c.pt(13.5, 13.5)), 60 * 16, 270 * 16);
        c.polygon({QPointF(8, 0.5), QPointF(13, 3), QPointF(8, 6.5)}, Green);
        break;
    }
    case 26: { // stop
        p.setRenderHint(QPainter::Antialiasing, true);
        c.polygon({QPointF(5, 1), QPointF(11, 1), QPointF(15, 5), QPointF(15, 11), QPointF(11, 15),
                   QPointF(5, 15), QPointF(1, 11), QPointF(1, 5)},
                  Red);
        p.setRenderHint(QPainter::Antialiasing, false);
        c.fill(4, 7, 8, 2, Paper);
        break;
    }
    case 28: { // help
        p.setRenderHint(QPainter::Antialiasing, true);
        c.ellipse(1, 1, 14, 14, Blue, Blue.darker(140));
        QPainterPath q;
        q.moveTo(c.pt(5.6, 6));
        q.cubicTo(c.pt(5.6, 3.2), c.pt(10.4, 3.2), c.pt(10.4, 6));
        q.cubicTo(c.pt(10.4, 7.6), c.pt(8, 7.8), c.pt(8, 9.6));
        p.setPen(QPen(Paper, std::max(1.5, c.len(1.8)), Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawPath(q);
        p.setPen(Qt::NoPen);
        p.setBrush(Paper);
        p.drawEllipse(QRectF(c.pt(7, 11), c.pt(9, 13)));
        break;
    }
    default:
        break;
    }
}

QPixmap render(int position, int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    Canvas c(p, size);
    draw(c, position);
    return pm;
}

} // namespace

std::span<const ToolbarButton> toolbarButtons()
{
    return Buttons;
}

bool isToolbarSeparator(int position)
{
    for (int s : Separators)
        if (s == position)
            return true;
    return false;
}

QIcon toolbarIcon(int position)
{
    if (!buttonAt(position))
        return QIcon();
    QIcon icon;
    icon.addPixmap(render(position, 16));
    icon.addPixmap(render(position, 24));
    return icon;
}

QAction* Toolbar::button(int position) const
{
    if (position < 1 || position > ToolbarPositions)
        return nullptr;
    return m_buttons[size_t(position)];
}

Toolbar buildToolbar(QToolBar* bar, QObject* owner)
{
    Toolbar result;
    bar->setObjectName(QStringLiteral("ToolbarT"));
    for (int pos = 1; pos <= ToolbarPositions; ++pos) {
        QAction* a = nullptr;
        if (const ToolbarButton* b = buttonAt(pos)) {
            const QString tip = QString::fromUtf8(b->tooltip);
            a = new QAction(toolbarIcon(pos), tip.trimmed(), owner);
            a->setToolTip(tip);
            a->setEnabled(pos == 1 || pos == 2);
            bar->addAction(a);
        } else {
            a = bar->addSeparator();
        }
        a->setObjectName(QStringLiteral("ToolbarT_") + QString::number(pos));
        result.m_buttons[size_t(pos)] = a;
    }
    return result;
}

} // namespace tovane
