#include "app/dialogd.h"

#include "core/messageservice.h"
#include "fs/keepdigits.h"
#include "fs/namevalidation.h"

#include <QCheckBox>
#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace tovane {

namespace {

// The check boxes as the user left them, while the program runs.
std::array<bool, 4>& remembered()
{
    static std::array<bool, 4> states{false, true, false, false};
    return states;
}

const char* const FieldNames[6] = {"年", "月", "日", "時", "分", "秒"};

} // namespace

bool DialogD::perItem()
{
    return remembered()[3];
}

QString DialogD::dateText(qint64 nanoseconds, bool dateOnly)
{
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(nanoseconds / 1000000, Qt::LocalTime);
    static const char* const days[7] = {"月", "火", "水", "木", "金", "土", "日"};
    QString text = QStringLiteral("%1年 %2月 %3日(%4)")
                       .arg(t.date().year())
                       .arg(t.date().month(), 2)
                       .arg(t.date().day(), 2)
                       .arg(QString::fromUtf8(days[t.date().dayOfWeek() - 1]));
    if (!dateOnly)
        text += QStringLiteral(" %1時 %2分 %3秒")
                    .arg(t.time().hour(), 2)
                    .arg(t.time().minute(), 2)
                    .arg(t.time().second(), 2);
    return text;
}

DialogD::DialogD(const QString& path, bool folder, const platform::FileTimes& current,
                 MessageService& messages, const DialogEnvironment& env, QWidget* parent)
    : QDialog(parent), m_messages(messages), m_env(env)
{
    Q_UNUSED(folder);
    setObjectName(QStringLiteral("DialogD"));
    setWindowTitle(timeChangeTitle());
    setModal(true);
    setFont(dialogFont(m_env.fontSizeIndex));
    auto* column = new QVBoxLayout(this);
    auto* pathBox = new QLineEdit(path, this);
    pathBox->setObjectName(QStringLiteral("TextPath"));
    pathBox->setReadOnly(true);
    column->addWidget(pathBox);

    auto* grid = new QGridLayout;
    static const char* const kinds[3] = {"作成日時", "更新日時", "アクセス日"};
    const qint64 times[3] = {current.creation, current.write, current.access};
    for (int k = 0; k < 3; ++k) {
        m_checks[k] = new QCheckBox(QString::fromUtf8(kinds[k]), this);
        m_checks[k]->setObjectName(QStringLiteral("CheckD_%1").arg(k));
        m_checks[k]->setChecked(remembered()[size_t(k)]);
        m_dates[k] = new QLabel(dateText(times[k], k == 2), this);
        m_dates[k]->setObjectName(QStringLiteral("LabelDate_%1").arg(k));
        grid->addWidget(m_checks[k], k, 0);
        grid->addWidget(m_dates[k], k, 1);
        connect(m_checks[k], &QCheckBox::toggled, this, [this] {
            m_checked = false;
            updateButtons();
        });
    }
    column->addLayout(grid);

    auto* range = new QLabel(yearRangeText(5, 1), this);
    range->setObjectName(QStringLiteral("LabelD_2"));
    column->addWidget(range);
    auto* fields = new QHBoxLayout;
    QDateTime now = QDateTime::currentDateTime();
    const int values[6] = {now.date().year(), now.date().month(), now.date().day(),
                           now.time().hour(), now.time().minute(), now.time().second() & ~1};
    for (int i = 0; i < 6; ++i) {
        m_fields[i] = new QLineEdit(QString::number(values[i]), this);
        m_fields[i]->setObjectName(QStringLiteral("TextT_%1").arg(i));
        m_fields[i]->setMaxLength(i == 0 ? 4 : 2);
        fields->addWidget(m_fields[i]);
        fields->addWidget(new QLabel(QString::fromUtf8(FieldNames[i]), this));
        connect(m_fields[i], &QLineEdit::textEdited, this, [this, i] { fieldEdited(i); });
    }
    column->addLayout(fields);
    auto* hint = new QLabel(
        QStringLiteral("入力対象項目は クリックか [Tab], [Shift]+[Tab]キーで選択\n"
                       "変更対象文字は ドラッグか [Shift]+[→], [←]キーで選択\n"
                       "ボタンは クリックか [Tab], [Shift]+[Tab]キーで選択して [Enter]"),
        this);
    hint->setObjectName(QStringLiteral("LabelD_0"));
    column->addWidget(hint);
    m_checks[3] = new QCheckBox(QStringLiteral("項目毎に このダイアログボックスを表示する"), this);
    m_checks[3]->setObjectName(QStringLiteral("CheckD_3"));
    m_checks[3]->setChecked(remembered()[3]);
    connect(m_checks[3], &QCheckBox::toggled, this, [this] { updateButtons(); });
    column->addWidget(m_checks[3]);

    static const char* const captions[4] = {"入力確認(&C)", "書込み(&W)", "対象外(&N)", "キャンセル"};
    auto* row = new QHBoxLayout;
    for (int i = 0; i < 4; ++i) {
        m_buttons[i] = new QPushButton(QString::fromUtf8(captions[i]), this);
        m_buttons[i]->setObjectName(QStringLiteral("CmndButtonD_%1").arg(i));
        m_buttons[i]->setAutoDefault(false);
        row->addWidget(m_buttons[i]);
    }
    column->addLayout(row);
    connect(m_buttons[0], &QPushButton::clicked, this, [this] { checkInput(); });
    connect(m_buttons[1], &QPushButton::clicked, this, [this] {
        m_answer = 0;
        accept();
    });
    connect(m_buttons[2], &QPushButton::clicked, this, [this] {
        m_answer = 1;
        accept();
    });
    connect(m_buttons[3], &QPushButton::clicked, this, &QDialog::reject);
    auto* note = new QLabel(QStringLiteral("このボックスは幅を変更できます"), this);
    column->addWidget(note);
    updateButtons();
}

int DialogD::exec()
{
    // At its remembered place, as wide as the user left it.
    const ScreenMetrics metrics = m_env.metrics.value_or(screenMetricsFor(parentWidget()));
    adjustSize();
    m_designedWidth = width();
    if (m_env.positions) {
        const int factor = m_env.positions->sizeFactor[SizeSlotDateTime];
        resize(std::max(m_designedWidth, m_designedWidth * factor / 100), height());
        const QPoint twips = placeDialog(
            *m_env.positions, SlotDateTime,
            QSize(metrics.toTwips(width()), metrics.toTwips(height()) + metrics.captionHeight),
            metrics);
        move(metrics.toPixels(twips.x()), metrics.toPixels(twips.y()));
    }
    return QDialog::exec();
}

void DialogD::done(int result)
{
    for (int i = 0; i < 4; ++i)
        remembered()[size_t(i)] = m_checks[i]->isChecked();
    if (m_env.positions && isVisible()) {
        const ScreenMetrics metrics = m_env.metrics.value_or(screenMetricsFor(this));
        rememberDialogPosition(*m_env.positions, SlotDateTime,
                               QPoint(metrics.toTwips(x()), metrics.toTwips(y())));
        if (m_designedWidth > 0)
            m_env.positions->sizeFactor[SizeSlotDateTime] = sizeFactorFor(m_designedWidth, width());
    }
    QDialog::done(result);
}

void DialogD::updateButtons()
{
    m_buttons[0]->setEnabled(m_checks[0]->isChecked() || m_checks[1]->isChecked() ||
                             m_checks[2]->isChecked());
    m_buttons[1]->setEnabled(m_checked);
    m_buttons[2]->setEnabled(m_checks[3]->isChecked());
}

void DialogD::fieldEdited(int i)
{
    if (m_filling)
        return;
    QLineEdit* box = m_fields[i];
    QString text = narrowWidth(box->text());
    int caret = box->cursorPosition();
    keepDigits(text, caret, i == 0 ? 4 : 2, QString::fromUtf8(FieldNames[i]) + QStringLiteral(" 入力"),
               &m_messages);
    if (text.isEmpty()) {
        if (m_messages.confirmationMessages())
            m_messages.showMessage(emptyFieldText(), ButtonsOk, timeChangeTitle());
        const QDate today = QDate::currentDate();
        const int defaults[6] = {today.year(), today.month(), today.day(), 0, 0, 0};
        text = QString::number(defaults[i]);
        caret = int(text.size());
    }
    m_filling = true;
    box->setText(text);
    box->setCursorPosition(caret);
    m_filling = false;
    m_checked = false;
    updateButtons();
}

bool DialogD::checkInput()
{
    TimeInput input;
    for (QLineEdit* f : m_fields)
        input.fields << f->text();
    int firstWrong = -1;
    const QString wrong = checkTimeInput(input, firstWrong);
    m_filling = true;
    m_fields[5]->setText(input.fields[5]);
    m_filling = false;
    if (!wrong.isEmpty()) {
        m_messages.showMessage(wrong, ButtonsOk, QStringLiteral("入力確認"));
        m_fields[firstWrong]->setFocus();
        m_checked = false;
        updateButtons();
        return false;
    }
    const QDateTime local(QDate(input.fields[0].toInt(), input.fields[1].toInt(),
                                input.fields[2].toInt()),
                          QTime(input.fields[3].toInt(), input.fields[4].toInt(),
                                input.fields[5].toInt()),
                          Qt::LocalTime);
    const qint64 ns = local.toMSecsSinceEpoch() * 1000000;
    m_request = TimeRequest{};
    static const unsigned bits[3] = {platform::TimeCreation, platform::TimeWrite,
                                     platform::TimeAccess};
    for (int k = 0; k < 3; ++k) {
        if (!m_checks[k]->isChecked())
            continue;
        m_request.kinds |= bits[k];
        m_dates[k]->setText(dateText(ns, k == 2));
    }
    m_request.times.creation = m_request.times.write = m_request.times.access = ns;
    m_checked = true;
    updateButtons();
    return true;
}

int DialogD::ask(QWidget* parent, const QString& path, bool folder,
                 const platform::FileTimes& current, TimeRequest& request,
                 MessageService& messages, const DialogEnvironment& env)
{
    DialogD form(path, folder, current, messages, env, parent);
    QAction* stop = env.stopAction;
    const bool stopWas = stop && stop->isEnabled();
    if (stop)
        stop->setEnabled(false);
    form.exec();
    if (stop)
        stop->setEnabled(stopWas);
    if (form.answer() == 0)
        request = form.request();
    return form.answer();
}

} // namespace tovane
