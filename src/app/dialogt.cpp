#include "app/dialogt.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>

#include <algorithm>

namespace tovane {

namespace {

// Keys of a text box that happen to be typed with Ctrl: they stay with the box.
bool isEditingKey(QKeyEvent* event)
{
    static const QKeySequence::StandardKey editing[] = {
        QKeySequence::Copy,
        QKeySequence::Cut,
        QKeySequence::Paste,
        QKeySequence::SelectAll,
        QKeySequence::Undo,
        QKeySequence::Redo,
        QKeySequence::DeleteStartOfWord,
        QKeySequence::DeleteEndOfWord,
    };
    for (QKeySequence::StandardKey key : editing) {
        if (event->matches(key))
            return true;
    }
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Insert:
        return true;
    default:
        return false;
    }
}

} // namespace

QString DialogT::cancelAnswer()
{
    return QStringLiteral("</:CANCEL:/>");
}

QString DialogT::angleTitle()
{
    return QStringLiteral("回転角度の入力");
}

DialogT::DialogT(const QString& title, const QString& prompt, const QString& defaultText,
                 bool singleLine, const DialogEnvironment& env, QWidget* parent)
    : QDialog(parent), m_env(env), m_singleLine(singleLine)
{
    m_env.fontSizeIndex = std::clamp(m_env.fontSizeIndex, 0, 3);
    m_metrics = m_env.metrics.value_or(screenMetricsFor(parent ? parent : this));
    m_answer = cancelAnswer();
    if (title == angleTitle())
        m_maxLength = 4;

    setObjectName(QStringLiteral("DialogT"));
    setWindowTitle(title);
    setModal(true);
    setFont(dialogFont(m_env.fontSizeIndex));
    const QFontMetrics fm(font());
    const int screenWidth = m_metrics.toPixels(m_metrics.screenWidth);
    const int screenHeight = m_metrics.toPixels(m_metrics.screenHeight);

    m_labelT1 = new QLabel(this);
    m_labelT1->setObjectName(QStringLiteral("LabelT1"));
    m_labelT1->setTextFormat(Qt::PlainText);
    m_labelT1->setText(QString(prompt).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    if (m_labelT1->sizeHint().width() > screenWidth - 100)
        m_labelT1->setWordWrap(true);

    QWidget* box = nullptr;
    if (singleLine) {
        m_line = new QLineEdit(this);
        m_line->setText(defaultText);
        if (m_maxLength > 0)
            m_line->setMaxLength(m_maxLength);
        m_line->selectAll();
        box = m_line;
    } else {
        m_box = new QPlainTextEdit(this);
        m_box->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        m_box->setTabChangesFocus(true);
        m_box->setPlainText(
            QString(defaultText).replace(QLatin1String("\r\n"), QLatin1String("\n")));
        if (m_maxLength > 0) {
            limitLength();
            connect(m_box, &QPlainTextEdit::textChanged, this, &DialogT::limitLength);
        }
        m_box->selectAll();
        m_box->installEventFilter(this);
        box = m_box;
    }
    box->setObjectName(QStringLiteral("TextT"));

    m_labelT2 = new QLabel(this);
    m_labelT2->setObjectName(QStringLiteral("LabelT2"));
    if (!singleLine)
        m_labelT2->setText(QStringLiteral("このボックスは高さを変更できます"));
    m_labelT2->setVisible(!singleLine);

    m_ok = new QPushButton(QStringLiteral("Ｏ Ｋ"), this);
    m_ok->setObjectName(QStringLiteral("CmdButtonT_0"));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    m_cancel->setObjectName(QStringLiteral("CmdButtonT_1"));
    m_cancel->setAutoDefault(false);
    for (QPushButton* b : {m_ok, m_cancel})
        b->setFixedWidth(Dialog::buttonWidth(m_env.fontSizeIndex));
    connect(m_ok, &QPushButton::clicked, this, [this] {
        m_answer = boxText();
        m_answer.remove(QLatin1String("\r\n"));
        m_answer.remove(QLatin1Char('\n'));
        done(QDialog::Accepted);
    });
    connect(m_cancel, &QPushButton::clicked, this, [this] { done(QDialog::Rejected); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addSpacing(Dialog::buttonGap(m_env.fontSizeIndex));
    buttons->addWidget(m_cancel);
    buttons->addStretch(1);

    auto* column = new QVBoxLayout(this);
    column->addWidget(m_labelT1);
    column->addWidget(box, 1);
    column->addWidget(m_labelT2);
    column->addLayout(buttons);

    const int width = std::min(std::max(360 + 40 * m_env.fontSizeIndex, sizeHint().width()),
                               std::max(screenWidth - 80, 200));
    if (singleLine) {
        setFixedHeight(sizeHint().height());
        setMinimumWidth(std::min(width, 2 * Dialog::buttonWidth(m_env.fontSizeIndex) + 40));
        resize(width, height());
    } else {
        const int lineHeight = fm.lineSpacing();
        m_designedBoxHeight = 6 * lineHeight + 12;
        m_box->setMinimumHeight(lineHeight + 12);
        const int wanted = std::clamp(
            scaledBySizeFactor(m_designedBoxHeight,
                               m_env.positions ? m_env.positions->sizeFactor[SizeSlotTextInput]
                                               : DialogPositions::DefaultSizeFactor),
            lineHeight + 12, std::max(screenHeight * 2 / 3, lineHeight + 12));
        setSizeGripEnabled(true);
        const int others = column->sizeHint().height() - m_box->sizeHint().height();
        resize(width, others + wanted);
    }
}

DialogT::~DialogT()
{
    unload();
}

QString DialogT::ask(QWidget* parent, const QString& title, const QString& prompt,
                     const QString& defaultText, bool singleLine, const DialogEnvironment& state)
{
    DialogT dialog(title, prompt, defaultText, singleLine, state, parent);
    dialog.exec();
    return dialog.answer();
}

QWidget* DialogT::textBox() const
{
    return m_line ? static_cast<QWidget*>(m_line) : static_cast<QWidget*>(m_box);
}

QString DialogT::boxText() const
{
    if (m_line)
        return m_line->text();
    // The raw text keeps no-break spaces that toPlainText() would turn into blanks.
    QString text = m_box->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

void DialogT::limitLength()
{
    const QString text = m_box->toPlainText();
    if (text.size() <= m_maxLength)
        return;
    const QSignalBlocker block(m_box);
    m_box->setPlainText(text.left(m_maxLength));
    m_box->moveCursor(QTextCursor::End);
}

void DialogT::place()
{
    if (m_placed)
        return;
    m_placed = true;
    const QSize size(m_metrics.toTwips(width()),
                     m_metrics.toTwips(height()) + m_metrics.captionHeight);
    QPoint twips;
    if (m_env.positions) {
        twips = placeDialog(*m_env.positions, SlotTextInput, size, m_metrics);
    } else {
        DialogPositions defaults;
        twips = placeDialog(defaults, SlotTextInput, size, m_metrics);
    }
    move(m_metrics.toPixels(twips.x()), m_metrics.toPixels(twips.y()));
}

int DialogT::exec()
{
    place();
    return QDialog::exec();
}

void DialogT::open()
{
    place();
    QDialog::open();
}

void DialogT::showEvent(QShowEvent* event)
{
    if (!m_placed)
        place();
    QDialog::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        textBox()->setFocus(Qt::OtherFocusReason);
    }
}

void DialogT::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    if (!m_shown || !m_env.positions)
        return;
    rememberDialogPosition(*m_env.positions, SlotTextInput,
                           QPoint(m_metrics.toTwips(x()), m_metrics.toTwips(y())));
    if (m_box) {
        m_env.positions->sizeFactor[SizeSlotTextInput] =
            sizeFactorFor(m_designedBoxHeight, m_box->height());
    }
}

void DialogT::done(int result)
{
    unload();
    QDialog::done(result);
}

bool DialogT::handleCtrlKey(QKeyEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier))
        return false;
    if (formKeyDirection(event->key()) < 0 && isEditingKey(event))
        return false;
    const QSize minimum = minimumSize().expandedTo(QSize(80, 60));
    return handleDialogCtrlKey(this, event, m_env, minimum);
}

bool DialogT::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & Qt::ControlModifier) && formKeyDirection(key->key()) < 0 &&
            isEditingKey(key))
            return QDialog::event(event);
        if (event->type() == QEvent::ShortcutOverride) {
            if (key->modifiers() & Qt::ControlModifier) {
                event->accept();
                return true;
            }
        } else if (handleCtrlKey(key)) {
            return true;
        }
    }
    return QDialog::event(event);
}

bool DialogT::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_box && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = !(key->modifiers() & ~Qt::KeypadModifier);
        // Enter confirms here too; line breaks could not be kept anyway.
        if (plain && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            m_ok->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace tovane
