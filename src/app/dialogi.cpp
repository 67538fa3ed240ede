#include "app/dialogi.h"

#include "core/progressservice.h"
#include "fs/pathrules.h"
#include "search/namepattern.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace tovane {

namespace {

// Kept while the program runs, not saved.
PatternHistory& history()
{
    static PatternHistory h;
    return h;
}

std::array<bool, 2>& checkValues()
{
    static std::array<bool, 2> values{false, false};
    return values;
}

} // namespace

QString DialogI::hintText(bool extended)
{
    return QStringLiteral("* や *.* は") +
           (extended ? QStringLiteral("要注意") : QStringLiteral("不可")) +
           QStringLiteral("  拡張子は最大") + QStringLiteral("10") + QStringLiteral("文字");
}

DialogI::DialogI(const SearchPlace& place, ProgressService& progress, QWidget* parent)
    : QDialog(parent), m_place(place), m_progress(progress)
{
    setObjectName(QStringLiteral("DialogI"));
    setWindowTitle(QStringLiteral("ファイル・フォルダ 検索"));
    setModal(true);
    auto* column = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("名      前"), this));
    m_pattern = new QComboBox(this);
    m_pattern->setObjectName(QStringLiteral("CmbName"));
    m_pattern->setEditable(true);
    m_pattern->setInsertPolicy(QComboBox::NoInsert);
    m_pattern->addItems(history().entries());
    m_pattern->setCurrentText(QString());
    top->addWidget(m_pattern, 1);
    column->addLayout(top);
    auto* hint = new QLabel(hintText(place.extended), this);
    hint->setObjectName(QStringLiteral("LabelS_hint"));
    column->addWidget(hint);

    auto* where = new QHBoxLayout;
    where->addWidget(new QLabel(QStringLiteral("探す場所"), this));
    m_placeBox = new QLineEdit(place.shownPlace, this);
    m_placeBox->setObjectName(QStringLiteral("txtPath"));
    m_placeBox->setReadOnly(true);
    where->addWidget(m_placeBox, 1);
    column->addLayout(where);

    const QString set = place.archiveExtensions;
    const QString archiveCaption =
        set.isEmpty() ? QStringLiteral("書庫内も検索する")
                      : QStringLiteral("書庫 （") + set.left(set.size() - 1).mid(1) +
                            QStringLiteral(" ） 内も検索する");
    m_options[0] = new QCheckBox(archiveCaption, this);
    m_options[1] = new QCheckBox(QStringLiteral("リストを常に表示する（処理時間増大）"), this);
    for (int i = 0; i < 2; ++i) {
        m_options[i]->setObjectName(QStringLiteral("CheckI_%1").arg(i));
        m_options[i]->setChecked(checkValues()[size_t(i)]);
        column->addWidget(m_options[i]);
        connect(m_options[i], &QCheckBox::toggled, this,
                [i](bool on) { checkValues()[size_t(i)] = on; });
    }
    if (set.isEmpty()) {
        m_options[0]->setChecked(false);
        m_options[0]->setEnabled(false);
    }

    m_heading = new QLabel(QStringLiteral("検索結果"), this);
    m_heading->setObjectName(QStringLiteral("LabelS_heading"));
    column->addWidget(m_heading);
    // The lists sit in an area that keeps its room while they are hidden
    // during a search, so the rest of the form does not jump.
    auto* area = new QWidget(this);
    auto* areaLayout = new QVBoxLayout(area);
    areaLayout->setContentsMargins(0, 0, 0, 0);
    column->addWidget(area, 1);
    for (int i = 0; i < 2; ++i) {
        m_models[i].setKilobytes(place.kilobytes);
        auto* list = new QTreeView(area);
        list->setObjectName(QStringLiteral("ListViewI_%1").arg(i));
        list->setModel(&m_models[i]);
        list->setRootIsDecorated(false);
        list->setUniformRowHeights(true);
        list->setSelectionBehavior(QAbstractItemView::SelectRows);
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
        list->header()->setSectionsClickable(true);
        for (int c = 0; c < 5; ++c)
            list->setColumnWidth(c, std::max(20, place.columnTwips[size_t(c)] / 15));
        list->setColumnWidth(5, 0);
        list->setColumnHidden(5, true);
        connect(list->header(), &QHeaderView::sectionClicked, this, [this, i](int c) {
            m_models[i].sort(c);
            m_pattern->setFocus();
        });
        connect(list, &QTreeView::doubleClicked, this,
                [this](const QModelIndex& index) { chooseHit(index.row()); });
        list->setVisible(i == 0);
        areaLayout->addWidget(list, 1);
        m_lists[i] = list;
    }
    m_resultLine = new QLabel(this);
    m_resultLine->setObjectName(QStringLiteral("LabelS_result"));
    m_progressLine = new QLabel(this);
    m_progressLine->setObjectName(QStringLiteral("LabelS_progress"));
    // A deep folder in the progress line must not widen the form.
    m_progressLine->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    column->addWidget(m_resultLine);
    column->addWidget(m_progressLine);

    static const char* const captions[4] = {"検  索(&I)", "絞込み検索(&J)", "終  了(&P)",
                                            "キャンセル"};
    auto* row = new QHBoxLayout;
    for (int i = 0; i < 4; ++i) {
        m_buttons[i] = new QPushButton(QString::fromUtf8(captions[i]), this);
        m_buttons[i]->setObjectName(QStringLiteral("CmdButton_%1").arg(i));
        m_buttons[i]->setAutoDefault(false);
        row->addWidget(m_buttons[i]);
    }
    m_buttons[0]->setDefault(true);
    column->addLayout(row);
    connect(m_buttons[0], &QPushButton::clicked, this, [this] { search(false); });
    connect(m_buttons[1], &QPushButton::clicked, this, [this] { search(true); });
    connect(m_buttons[2], &QPushButton::clicked, this, &QDialog::reject);
    connect(m_buttons[3], &QPushButton::clicked, this, [this] { m_progress.requestInterrupt(); });
    connect(m_pattern, &QComboBox::editTextChanged, this, &DialogI::patternEdited);
    m_buttons[1]->setEnabled(false);
    m_buttons[3]->setEnabled(false);
    resize(std::max(520, sizeHint().width()), 480);
}

DialogI::~DialogI() = default;

std::array<int, 5> DialogI::columnTwips() const
{
    std::array<int, 5> out{};
    for (int c = 0; c < 5; ++c)
        out[size_t(c)] = shownList()->columnWidth(c) * 15;
    return out;
}

void DialogI::patternEdited(const QString& text)
{
    if (m_fixing)
        return;
    QLineEdit* edit = m_pattern->lineEdit();
    int caret = edit ? edit->cursorPosition() : int(text.size());
    const QString fixed = correctedSearchPattern(text, caret);
    if (fixed == text)
        return;
    m_fixing = true;
    m_pattern->setEditText(fixed);
    if (edit)
        edit->setCursorPosition(caret);
    m_fixing = false;
}

void DialogI::search(bool narrowing)
{
    if (m_running)
        return;
    QString pattern = m_pattern->currentText();
    while (pattern.endsWith(u' '))
        pattern.chop(1);
    if (pattern.isEmpty())
        return;
    if (!history().entries().contains(pattern)) {
        history().add(pattern);
        m_pattern->clear();
        m_pattern->addItems(history().entries());
        m_pattern->setEditText(pattern);
    }
    pattern = pattern.toLower();
    const bool hideList =
        (pattern.contains(u'?') || pattern.contains(u'*') || narrowing) && !m_options[1]->isChecked();
    m_running = true;
    m_buttons[3]->setEnabled(true);
    m_buttons[3]->setFocus();
    m_progress.clearInterrupt();
    SearchResult result;
    if (narrowing) {
        const int previous = m_shown;
        m_shown = 1 - m_shown;
        for (int c = 0; c < 5; ++c)
            m_lists[m_shown]->setColumnWidth(c, m_lists[previous]->columnWidth(c));
        m_lists[previous]->hide();
        m_progressLine->setText(QStringLiteral("リスト内"));
        if (hideList)
            m_lists[m_shown]->hide();
        else
            m_lists[m_shown]->show();
        narrowResult(m_models[previous].result(), pattern, &m_progress, result);
    } else {
        m_progressLine->setText(QStringLiteral("リストを初期化中 "));
        m_models[m_shown].setResult(SearchResult{});
        m_heading->setText(QStringLiteral("検索パス"));
        if (hideList)
            m_lists[m_shown]->hide();
        SearchOptions o;
        o.pattern = pattern;
        o.inArchives = m_options[0]->isChecked();
        o.hiddenMask = m_place.hiddenMask;
        o.listFilter = m_place.listFilter;
        o.archiveExtensions = m_place.archiveExtensions;
        o.kilobytes = m_place.kilobytes;
        // The folder being walked shows in the progress line, a few times a
        // second rather than for every folder.
        QTimer folderShown;
        connect(&folderShown, &QTimer::timeout, this, [this] {
            const QString folder = m_progress.progress();
            if (!folder.isEmpty())
                m_progressLine->setText(folder);
        });
        folderShown.start(100);
        searchFolders(m_place.roots, o, &m_progress, result);
    }
    m_progress.showProgress(ProgressService::PointerDefault, QString(), ProgressService::SetText);
    sortHitsByName(result.hits);
    const bool interrupted = result.interrupted;
    const int hits = int(result.hits.size());
    m_models[m_shown].setResult(std::move(result));
    m_lists[m_shown]->show();
    if (hits > 0)
        m_lists[m_shown]->setCurrentIndex(m_models[m_shown].index(0, 0));
    m_heading->setText(QStringLiteral("検索結果"));
    m_resultLine->setText(searchResultLine(m_models[m_shown].result()));
    m_progressLine->setText(
        hits > 0 ? (interrupted ? QStringLiteral("（検索中断）") : QString()) +
                       QStringLiteral("「名前」のダブルクリックで ファイラ画面の対応項目にジャンプ")
                 : (interrupted ? QStringLiteral("（検索中断）") : QString()));
    m_running = false;
    m_buttons[3]->setEnabled(false);
    m_buttons[1]->setEnabled(hits > 0);
    m_pattern->setFocus();
    if (QLineEdit* edit = m_pattern->lineEdit())
        edit->selectAll();
}

void DialogI::chooseHit(int row)
{
    if (m_running || row < 0 || row >= m_models[m_shown].rowCount())
        return;
    const SearchHit& hit = m_models[m_shown].hit(row);
    const QString root = m_place.roots.value(0);
    if (hit.inArchive) {
        // The archive itself is the item the window selects: the first path
        // component that names an archive file.
        const QStringList parts = hit.path.split(u'/', Qt::SkipEmptyParts);
        QString folder = root;
        for (const QString& part : parts) {
            if (!extensionOf(part).isEmpty() &&
                m_place.archiveExtensions.contains(u' ' + extensionOf(part).toLower() + u',')) {
                m_jumpFolder = folder;
                m_jumpName = part;
                break;
            }
            folder += part + u'/';
        }
    } else {
        m_jumpFolder = root + hit.path;
        m_jumpName = hit.name;
    }
    accept();
}

int DialogI::exec()
{
    m_designed = size();
    if (m_env.positions) {
        const ScreenMetrics metrics = m_env.metrics.value_or(screenMetricsFor(parentWidget()));
        const auto& factors = m_env.positions->sizeFactor;
        const int h = scaledBySizeFactor(m_designed.height(), factors[SizeSlotSearchHeight]);
        const int w = scaledBySizeFactor(m_designed.width(), factors[SizeSlotSearchWidth]);
        const QSize avail(metrics.toPixels(metrics.screenWidth), metrics.toPixels(metrics.screenHeight));
        resize(std::clamp(w, minimumSizeHint().width(), std::max(minimumSizeHint().width(), avail.width())),
               std::clamp(h, minimumSizeHint().height(), std::max(minimumSizeHint().height(), avail.height())));
        const QPoint twips = placeDialog(
            *m_env.positions, SlotSearch,
            QSize(metrics.toTwips(width()), metrics.toTwips(height()) + metrics.captionHeight),
            metrics);
        move(metrics.toPixels(twips.x()), metrics.toPixels(twips.y()));
    }
    return QDialog::exec();
}

void DialogI::done(int result)
{
    if (m_env.positions && isVisible() && m_designed.isValid()) {
        const ScreenMetrics metrics = m_env.metrics.value_or(screenMetricsFor(this));
        rememberDialogPosition(*m_env.positions, SlotSearch,
                               QPoint(metrics.toTwips(x()), metrics.toTwips(y())));
        m_env.positions->sizeFactor[SizeSlotSearchHeight] =
            sizeFactorFor(m_designed.height(), height());
        m_env.positions->sizeFactor[SizeSlotSearchWidth] = sizeFactorFor(m_designed.width(), width());
    }
    QDialog::done(result);
}

void DialogI::keyPressEvent(QKeyEvent* event)
{
    if ((event->modifiers() & Qt::ControlModifier) &&
        handleDialogCtrlKey(this, event, m_env, minimumSizeHint()))
        return;
    if (event->key() == Qt::Key_Escape && m_running) {
        m_progress.requestInterrupt();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !m_running) {
        search(false);
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace tovane
