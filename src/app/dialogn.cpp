#include "app/dialogn.h"

#include "core/messageservice.h"
#include "fs/keepdigits.h"
#include "fs/namevalidation.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tovane {

namespace {

QString rangeText(qint64 minimum, qint64 maximum)
{
    return QStringLiteral("( ") + QString::number(minimum) + QStringLiteral(" ≦  ≦ ") +
           QString::number(maximum) + QStringLiteral(" )");
}

} // namespace

DialogN::DialogN(const SerialPlan& plan, const QStringList& targets, const QStringList& entries,
                 int k, const QString& current, MessageService& messages, QWidget* parent,
                 const DialogEnvironment& env)
    : QDialog(parent), m_targets(targets), m_entries(entries), m_k(k), m_current(current),
      m_messages(messages), m_env(env), m_plan(plan)
{
    setFont(dialogFont(m_env.fontSizeIndex));
    setObjectName(QStringLiteral("DialogN"));
    setWindowTitle(serialTitle());
    setModal(true);
    auto* grid = new QGridLayout;
    m_fixed = new QLineEdit(plan.fixed, this);
    m_fixed->setObjectName(QStringLiteral("txtTitleFxd"));
    grid->addWidget(new QLabel(QStringLiteral("固 定 部"), this), 0, 0);
    grid->addWidget(m_fixed, 0, 1, 1, 2);
    static const char* const labels[3] = {"連番桁数", "連番開始", "連番増分"};
    const qint64 values[3] = {plan.digits, plan.first, plan.step};
    for (int i = 0; i < 3; ++i) {
        m_numbers[i] = new QLineEdit(QString::number(values[i]), this);
        m_numbers[i]->setObjectName(QStringLiteral("txtNmbr_%1").arg(i));
        m_ranges[i] = new QLabel(this);
        grid->addWidget(new QLabel(QString::fromUtf8(labels[i]), this), i + 1, 0);
        grid->addWidget(m_numbers[i], i + 1, 1);
        grid->addWidget(m_ranges[i], i + 1, 2);
        connect(m_numbers[i], &QLineEdit::textEdited, this, [this, i] { numberEdited(i); });
    }
    const int count = int(targets.size());
    m_ranges[0]->setText(rangeText(serialMinimumDigits(count), SerialMaxDigits));
    m_ranges[1]->setText(rangeText(0, SerialMaxFirst));
    m_ranges[2]->setText(rangeText(1, SerialMaxFirst));
    grid->addWidget(new QLabel(QStringLiteral("連番を付けるファイルのタイトル名"), this), 4, 0, 1, 3);
    for (int i = 0; i < 3; ++i) {
        m_names[i] = new QLineEdit(this);
        m_names[i]->setObjectName(QStringLiteral("txtName_%1").arg(i));
        m_names[i]->setReadOnly(true);
        grid->addWidget(m_names[i], 5 + i, 0, 1, 3);
    }
    static const char* const options[2] = {"データ入力後に 連番付け ボタンの使用可否を決める",
                                           "ファイル毎に このダイアログボックスを表示する"};
    for (int i = 0; i < 2; ++i) {
        m_options[i] = new QCheckBox(QString::fromUtf8(options[i]), this);
        m_options[i]->setObjectName(QStringLiteral("CheckD_%1").arg(i));
        grid->addWidget(m_options[i], 8 + i, 0, 1, 3);
    }
    static const char* const captions[4] = {"入力確認(&C)", "連番付け(&S)", "対象外(&N)",
                                            "キャンセル"};
    auto* row = new QHBoxLayout;
    for (int i = 0; i < 4; ++i) {
        m_buttons[i] = new QPushButton(QString::fromUtf8(captions[i]), this);
        m_buttons[i]->setObjectName(QStringLiteral("CmdButton_%1").arg(i));
        row->addWidget(m_buttons[i]);
    }
    auto* column = new QVBoxLayout(this);
    column->addLayout(grid);
    column->addLayout(row);

    connect(m_fixed, &QLineEdit::textEdited, this, [this] {
        m_checked = false;
        showPlanned();
    });
    connect(m_options[0], &QCheckBox::toggled, this, [this] { showPlanned(); });
    connect(m_buttons[0], &QPushButton::clicked, this, [this] { checkInput(); });
    connect(m_buttons[1], &QPushButton::clicked, this, [this] {
        if (!m_checked && !checkInput())
            return;
        m_answer = Rename;
        accept();
    });
    connect(m_buttons[2], &QPushButton::clicked, this, [this] {
        m_answer = Skip;
        accept();
    });
    connect(m_buttons[3], &QPushButton::clicked, this, &QDialog::reject);
    m_names[0]->setText(current);
    showPlanned();
}

int DialogN::exec()
{
    if (m_env.positions) {
        const ScreenMetrics metrics = m_env.metrics.value_or(screenMetricsFor(parentWidget()));
        adjustSize();
        const QPoint twips = placeDialog(
            *m_env.positions, SlotSerial,
            QSize(metrics.toTwips(width()), metrics.toTwips(height()) + metrics.captionHeight),
            metrics);
        move(metrics.toPixels(twips.x()), metrics.toPixels(twips.y()));
    }
    return QDialog::exec();
}

void DialogN::done(int result)
{
    if (m_env.positions && isVisible()) {
        const ScreenMetrics metrics = m_env.metrics.value_or(screenMetricsFor(this));
        rememberDialogPosition(*m_env.positions, SlotSerial,
                               QPoint(metrics.toTwips(x()), metrics.toTwips(y())));
    }
    QDialog::done(result);
}

bool DialogN::perFile() const
{
    return m_options[1]->isChecked();
}

void DialogN::setPerFile(bool on)
{
    m_options[1]->setChecked(on);
}

bool DialogN::checkFirst() const
{
    return m_options[0]->isChecked();
}

void DialogN::setCheckFirst(bool on)
{
    m_options[0]->setChecked(on);
}

SerialPlan DialogN::fieldsPlan() const
{
    SerialPlan p;
    p.fixed = m_fixed->text();
    p.digits = m_numbers[0]->text().toInt();
    p.first = m_numbers[1]->text().toLongLong();
    p.step = m_numbers[2]->text().toLongLong();
    return clampedSerialPlan(p, int(m_targets.size()));
}

void DialogN::numberEdited(int index)
{
    if (m_filling)
        return;
    QLineEdit* box = m_numbers[index];
    QString text = narrowWidth(box->text());
    int caret = box->cursorPosition();
    keepDigits(text, caret, index == 0 ? 1 : 7, QStringLiteral("連番入力"), &m_messages);
    m_filling = true;
    box->setText(text);
    box->setCursorPosition(caret);
    m_filling = false;
    m_checked = false;
    showPlanned();
}

void DialogN::showPlanned()
{
    const SerialPlan p = fieldsPlan();
    m_names[1]->setText(serialName(p, m_k, m_current));
    const int last = int(m_targets.size()) - 1;
    m_names[2]->setText(last >= 0 ? serialName(p, last, m_targets.value(last)) : QString());
    // With the first option the rename waits for a passed check.
    m_buttons[1]->setEnabled(m_checked || !m_options[0]->isChecked());
    m_buttons[2]->setEnabled(true);
}

bool DialogN::checkInput()
{
    SerialPlan p = fieldsPlan();
    if (hasInvalidNameCharacter(p.fixed)) {
        m_messages.showMessage(QStringLiteral("固定部に 名前に使用できない文字があります。"),
                               ButtonsOk, serialTitle());
        m_fixed->setFocus();
        return false;
    }
    const QString caption = windowTitle();
    setWindowTitle(serialTitle() + QStringLiteral("     ：     連番付けの可否をチェック中 "));
    const int result = checkSerialPlan(p, m_targets, m_entries);
    setWindowTitle(caption);
    m_filling = true;
    m_numbers[0]->setText(QString::number(p.digits));
    m_numbers[1]->setText(QString::number(p.first).rightJustified(p.digits, u'0'));
    m_numbers[2]->setText(QString::number(p.step));
    m_filling = false;
    if (result != SerialFree) {
        m_messages.showMessage(serialNoFreeRunText(), ButtonsOk, serialTitle());
        m_checked = false;
        showPlanned();
        m_buttons[1]->setEnabled(false);
        return false;
    }
    m_plan = p;
    m_checked = true;
    showPlanned();
    return true;
}

} // namespace tovane
