#include "app/dialogx.h"

#include "core/messageservice.h"
#include "fs/pathrules.h"
#include "platform/launch.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QVBoxLayout>

namespace tovane {

namespace {

// The geometry slot of this form (left, top and width).
constexpr int SlotAssociations = 5;

const QString SearchTitle = QStringLiteral("パス名 検索・設定");

// Folders and the files we may run; nothing else is offered.
class ExecutableFilter : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        auto* model = qobject_cast<QFileSystemModel*>(sourceModel());
        if (!model)
            return true;
        const QModelIndex index = model->index(row, 0, parent);
        if (model->isDir(index))
            return true;
        return platform::isExecutableFile(model->filePath(index));
    }
};

} // namespace

QString DialogX::fileDialogTitle(const QString& extension)
{
    return u'"' + extension + u'"' +
           QStringLiteral(
               " の ﾌｧｲﾙ／ﾊﾟｽ名指定 （「ﾌｧｲﾙの場所」を選択して「ﾌｧｲﾙ名」を表示させます。）");
}

QString DialogX::fileDialogPreset()
{
    return QStringLiteral("・・・ここにファイル名を表示させてください・・・");
}

DialogX::DialogX(QList<Association>& table, MessageService& messages, bool confirmMessages,
                 const DialogEnvironment& env, QWidget* parent)
    : QDialog(parent), m_editor(table, messages, confirmMessages), m_messages(messages),
      m_confirm(confirmMessages), m_env(env)
{
    setObjectName(QStringLiteral("DialogX"));
    setWindowTitle(QStringLiteral("拡張子関連付け"));
    setModal(true);
    setFont(dialogFont(env.fontSizeIndex));

    auto* grid = new QGridLayout;
    static const char* const labels[3] = {"拡張子", "ファイル名", "パス名"};
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(QString::fromUtf8(labels[i]), this);
        label->setObjectName(QStringLiteral("Label_%1").arg(i));
        m_combos[i] = new QComboBox(this);
        m_combos[i]->setObjectName(QStringLiteral("Combo_%1").arg(i));
        m_combos[i]->setEditable(true);
        m_combos[i]->setInsertPolicy(QComboBox::NoInsert);
        // Completion would put a listed text in place of what is typed.
        m_combos[i]->setCompleter(nullptr);
        m_combos[i]->setMinimumContentsLength(i == 0 ? 12 : 40);
        grid->addWidget(label, i * 2, 0);
        grid->addWidget(m_combos[i], i * 2, 1);
    }
    auto* extensionHint = new QLabel(QStringLiteral("( ") + QStringLiteral("10") +
                                         QStringLiteral("文字以内、com, exe, lnk は対象外 )"),
                                     this);
    extensionHint->setObjectName(QStringLiteral("LabelHint_0"));
    auto* applicationHint =
        new QLabel(QStringLiteral("ワイルドカード * ? 使用可、コメントも含めて ") +
                       QStringLiteral("50") + QStringLiteral("文字以内、拡張子は exe のみ"),
                   this);
    applicationHint->setObjectName(QStringLiteral("LabelHint_1"));
    grid->addWidget(extensionHint, 1, 1);
    grid->addWidget(applicationHint, 3, 1);

    static const char* const captions[7] = {
        "拡張子追加(&A)",         "拡張子変更(&C)", "拡張子削除(&D)", "ファイル／パス名選択(&S)",
        "パス名検索 ・ 設定(&I)", "キャンセル",     "終  了(&P)"};
    auto* rows = new QVBoxLayout;
    auto* first = new QHBoxLayout;
    auto* second = new QHBoxLayout;
    for (int i = 0; i < 7; ++i) {
        m_buttons[i] = new QPushButton(QString::fromUtf8(captions[i]), this);
        m_buttons[i]->setObjectName(QStringLiteral("CmndBtn_%1").arg(i));
        m_buttons[i]->setAutoDefault(false);
        (i < 3 ? first : second)->addWidget(m_buttons[i]);
    }
    rows->addLayout(first);
    rows->addLayout(second);
    auto* column = new QVBoxLayout(this);
    column->addLayout(grid);
    column->addLayout(rows);

    for (int i = 0; i < 3; ++i)
        connect(m_buttons[i], &QPushButton::clicked, this, [this, i] { command(i); });
    connect(m_buttons[3], &QPushButton::clicked, this, &DialogX::selectFile);
    connect(m_buttons[4], &QPushButton::clicked, this, &DialogX::searchPath);
    connect(m_buttons[5], &QPushButton::clicked, this, &DialogX::cancelSearch);
    connect(m_buttons[6], &QPushButton::clicked, this, &DialogX::reject);
    connect(m_combos[0], &QComboBox::editTextChanged, this, &DialogX::extensionEdited);
    connect(m_combos[1], &QComboBox::editTextChanged, this, &DialogX::applicationEdited);
    connect(m_combos[0], &QComboBox::activated, this, [this](int index) {
        m_editor.setCurrent(index);
        showEntry();
    });

    m_editor.load();
    refreshLists();
    showEntry();
    m_buttons[5]->setEnabled(false);
}

DialogX::~DialogX() = default;

int DialogX::exec()
{
    const ScreenMetrics metrics = m_env.metrics.value_or(screenMetricsFor(parentWidget()));
    adjustSize();
    m_designedWidth = width();
    if (m_env.positions) {
        const int factor = m_env.positions->sizeFactor[SlotAssociations];
        resize(scaledBySizeFactor(m_designedWidth, factor), height());
        const QPoint twips = placeDialog(
            *m_env.positions, SlotAssociations,
            QSize(metrics.toTwips(width()), metrics.toTwips(height()) + metrics.captionHeight),
            metrics);
        move(metrics.toPixels(twips.x()), metrics.toPixels(twips.y()));
    }
    return QDialog::exec();
}

void DialogX::refreshLists()
{
    const QSignalBlocker b0(m_combos[0]);
    const QSignalBlocker b1(m_combos[1]);
    const QString typed0 = m_combos[0]->currentText();
    const QString typed1 = m_combos[1]->currentText();
    m_combos[0]->clear();
    m_combos[0]->addItems(m_editor.extensions());
    m_combos[1]->clear();
    m_combos[1]->addItems(m_editor.names());
    m_combos[0]->setEditText(typed0);
    m_combos[1]->setEditText(typed1);
}

void DialogX::showEntry()
{
    const int current = m_editor.current();
    const QSignalBlocker b0(m_combos[0]);
    const QSignalBlocker b1(m_combos[1]);
    if (current < 0) {
        m_combos[0]->setEditText(QString());
        m_combos[1]->setEditText(QString());
        m_combos[2]->setEditText(QString());
    } else {
        m_combos[0]->setCurrentIndex(current);
        m_combos[0]->setEditText(m_editor.currentExtension());
        const ApplicationParts parts = splitApplication(m_editor.currentApplication());
        m_combos[1]->setEditText(parts.name + parts.comment);
        m_combos[2]->setEditText(parts.folder);
    }
    updateButtons();
}

void DialogX::updateButtons()
{
    if (m_searching)
        return;
    const AssociationEditor::Buttons b = m_editor.buttonsFor(m_combos[0]->currentText());
    m_buttons[0]->setEnabled(b.add);
    m_buttons[1]->setEnabled(b.change);
    m_buttons[2]->setEnabled(b.remove);
    m_buttons[3]->setEnabled(m_editor.current() >= 0);
    m_buttons[4]->setEnabled(m_editor.current() >= 0);
}

void DialogX::extensionEdited(const QString& text)
{
    if (m_fixing)
        return;
    const QString fixed = correctedExtension(text);
    if (fixed != text) {
        QLineEdit* edit = m_combos[0]->lineEdit();
        const int caret = edit->cursorPosition() - int(text.size() - fixed.size());
        m_fixing = true;
        m_combos[0]->setEditText(fixed);
        edit->setCursorPosition(qBound(0, caret, int(fixed.size())));
        m_fixing = false;
    }
    updateButtons();
}

void DialogX::applicationEdited(const QString& text)
{
    if (m_fixing)
        return;
    const QString fixed = correctedApplication(text);
    if (fixed == text)
        return;
    QLineEdit* edit = m_combos[1]->lineEdit();
    const int caret = edit->cursorPosition() - int(text.size() - fixed.size());
    m_fixing = true;
    m_combos[1]->setEditText(fixed);
    edit->setCursorPosition(qBound(0, caret, int(fixed.size())));
    m_fixing = false;
}

void DialogX::command(int which)
{
    const QString typed = m_combos[0]->currentText();
    bool done = false;
    if (which == AssociationAdd)
        done = m_editor.add(typed);
    else if (which == AssociationChange)
        done = m_editor.change(typed);
    else
        done = m_editor.remove(typed);
    if (!done) {
        updateButtons();
        return;
    }
    refreshLists();
    showEntry();
    if (which == AssociationAdd)
        m_combos[1]->setFocus();
}

QString DialogX::askExecutable(const QString& title, const QString& preset)
{
    if (chooseFile)
        return chooseFile(title, preset);
    QFileDialog dialog(this, title);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::ReadOnly, true);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(QStringLiteral("実行ﾌｧｲﾙ (*)"));
    dialog.setProxyModel(new ExecutableFilter(&dialog));
    const QString folder = m_combos[2]->currentText();
    if (!folder.isEmpty())
        dialog.setDirectory(folder);
    dialog.selectFile(preset);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return preset;
    return dialog.selectedFiles().first();
}

void DialogX::selectFile()
{
    if (m_editor.current() < 0)
        return;
    const QString chosen =
        askExecutable(fileDialogTitle(m_editor.currentExtension()), fileDialogPreset());
    if (chosen.isEmpty() || fileNameOf(chosen) == fileDialogPreset() ||
        !platform::isExecutableFile(chosen))
        return;
    m_editor.setApplication(chosen);
    refreshLists();
    const QSignalBlocker b1(m_combos[1]);
    m_combos[1]->setEditText(fileNameOf(chosen));
    m_combos[2]->setEditText(parentOf(chosen));
    if (m_confirm)
        m_messages.showMessage(QStringLiteral("指定されたファイル名とパス名を設定しました。"),
                               ButtonsOk, QStringLiteral("ファイル／パス名 指定"));
}

void DialogX::searchPath()
{
    if (m_editor.current() < 0 || m_searching)
        return;
    const QString text = m_combos[1]->currentText();
    qsizetype cut = text.indexOf(u'\'');
    const qsizetype typographic = text.indexOf(u'’');
    if (cut < 0 || (typographic >= 0 && typographic < cut))
        cut = typographic;
    const QString pattern = (cut < 0 ? text : text.left(cut)).trimmed();
    const QString comment = cut < 0 ? QString() : text.mid(cut);
    const QString start = m_combos[2]->currentText();

    bool enabled[5];
    for (int i = 0; i < 5; ++i) {
        enabled[i] = m_buttons[i]->isEnabled();
        m_buttons[i]->setEnabled(false);
    }
    m_buttons[5]->setEnabled(true);
    m_searching = true;
    m_stop = false;
    QString folder;
    QString name;
    const ProgramSearchResult result = pattern.isEmpty() || start.isEmpty()
                                           ? ProgramSearchResult::NotFound
                                           : searchProgram(start, pattern, *this, folder, name);
    m_searching = false;
    m_buttons[5]->setEnabled(false);
    for (int i = 0; i < 5; ++i)
        m_buttons[i]->setEnabled(enabled[i]);

    if (result == ProgramSearchResult::Accepted) {
        m_editor.setApplication(folder + name + comment);
        refreshLists();
        const QSignalBlocker b1(m_combos[1]);
        m_combos[1]->setEditText(name + comment);
        m_combos[2]->setEditText(folder);
        if (m_confirm)
            m_messages.showMessage(QStringLiteral("ファイル名とパス名を設定しました。"), ButtonsOk,
                                   SearchTitle);
    } else {
        m_combos[2]->setEditText(start);
        if (result == ProgramSearchResult::NotFound)
            m_messages.showMessage(QStringLiteral("指定ファイルは見つかりませんでした。"),
                                   ButtonsOk, SearchTitle);
    }
}

void DialogX::cancelSearch()
{
    m_stop = true;
}

void DialogX::showFolder(const QString& folder)
{
    m_combos[2]->setEditText(folder);
}

int DialogX::offer(const QString& folder, const QString& name)
{
    Q_UNUSED(folder);
    const QSignalBlocker b1(m_combos[1]);
    const QString before = m_combos[1]->currentText();
    m_combos[1]->setEditText(name);
    int answer = MsgCancel;
    m_messages.showMessage(QStringLiteral("指定ファイルが見つかりました。\r\n\r\n"
                                          "このファイル名とパス名でいいですか ？"),
                           ButtonsYesNoCancel, SearchTitle, true, answer);
    if (answer == MsgNo)
        m_combos[1]->setEditText(before);
    return answer;
}

bool DialogX::stopRequested()
{
    QCoreApplication::processEvents();
    return m_stop;
}

void DialogX::reject()
{
    // The search runs inside this form's events: it ends first.
    if (m_searching) {
        m_stop = true;
        return;
    }
    if (!m_editor.closeAllowed())
        return;
    QDialog::reject();
}

void DialogX::done(int result)
{
    if (m_env.positions && isVisible()) {
        const ScreenMetrics metrics = m_env.metrics.value_or(screenMetricsFor(this));
        rememberDialogPosition(*m_env.positions, SlotAssociations,
                               QPoint(metrics.toTwips(x()), metrics.toTwips(y())));
        if (m_designedWidth > 0)
            m_env.positions->sizeFactor[SlotAssociations] = sizeFactorFor(m_designedWidth, width());
    }
    QDialog::done(result);
}

} // namespace tovane
