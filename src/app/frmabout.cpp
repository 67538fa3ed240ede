#include "app/frmabout.h"

#include "archive/archiverlibraries.h"

#include "core/progressservice.h"
#include "fs/numberformat.h"
#include "platform/system.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

#ifndef TOVANE_VERSION
#define TOVANE_VERSION "0.1.0"
#endif

namespace tovane {

namespace {

// Pads with blanks up to `columns` bytes of the classic code page, so that a
// full-width text takes two columns as in the table heading.
QString padToColumns(const QString& text, int columns)
{
    const int used = ansiByteLength(text);
    return used >= columns ? text : text + QString(columns - used, QLatin1Char(' '));
}

} // namespace

QString frmAbout::applicationTitle()
{
    return QStringLiteral("Tovane");
}

QString frmAbout::versionText(const QString& version)
{
    const QString source = version.isEmpty() ? QStringLiteral(TOVANE_VERSION) : version;
    const QStringList parts = source.split(QLatin1Char('.'));
    QStringList numbers;
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const uint n = i < parts.size() ? parts.at(i).trimmed().toUInt(&ok) : 0;
        numbers << QString::number(ok ? n : 0);
    }
    return QStringLiteral("　Ver. ") + numbers.join(QLatin1Char('.'));
}

QString frmAbout::captionText()
{
    return applicationTitle() + versionText();
}

QList<frmAbout::ArchiverLine> frmAbout::defaultArchivers()
{
    QList<ArchiverLine> lines;
    const ArchiverLibraries none;
    for (int i = 0; i < ArchiverLibraries::Count; ++i)
        lines.append({none.at(i).name, QString(), QString()});
    return lines;
}

QString frmAbout::archiverHeading()
{
    return QStringLiteral(" 書庫処理用DLL名     Ver.番号        著作権者     ");
}

QString frmAbout::archiverLineText(const ArchiverLine& line)
{
    QString version;
    if (line.version.isEmpty()) {
        version = QStringLiteral(" 未装備");
    } else {
        version = line.version.left(11);
        if (version.endsWith(QLatin1Char('.')))
            version.chop(1);
    }
    // The holder column starts where "著作権者" starts in the heading.
    const int holderColumn =
        ansiByteLength(archiverHeading().section(QStringLiteral("著作権者"), 0, 0));
    QString text = padToColumns(line.name, 20) + version;
    text = padToColumns(text, holderColumn) + line.holder;
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

QString frmAbout::memoryText(double totalBytes)
{
    return QStringLiteral(" メモリ：") + formatCount(totalBytes) + QStringLiteral(" Bytes");
}

frmAbout::frmAbout(const QList<ArchiverLine>& archivers, const DialogEnvironment& env,
                   QWidget* parent)
    : QDialog(parent), m_env(env)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(captionText());
    setModal(true);
    setFont(dialogFont(m_env.fontSizeIndex));

    auto* title = new QLabel(captionText(), this);
    title->setObjectName(QStringLiteral("lblTitle"));
    QFont big = font();
    big.setPointSize(font().pointSize() + 4);
    big.setBold(true);
    title->setFont(big);

    auto* os =
        new QLabel(platform::osText().replace(QLatin1String("\r\n"), QLatin1String("\n")), this);
    os->setObjectName(QStringLiteral("lblOS"));
    os->setTextFormat(Qt::PlainText);

    auto* memory = new QLabel(memoryText(platform::memoryFacts().totalBytes), this);
    memory->setObjectName(QStringLiteral("lblMemory"));

    QStringList table{archiverHeading()};
    for (const ArchiverLine& line : archivers)
        table << archiverLineText(line);
    auto* archiverLabel = new QLabel(table.join(QLatin1Char('\n')), this);
    archiverLabel->setObjectName(QStringLiteral("lblArchivers"));
    archiverLabel->setTextFormat(Qt::PlainText);
    archiverLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(font().pointSize());
    archiverLabel->setFont(fixed);

    auto* ok = new QPushButton(QStringLiteral("Ｏ Ｋ"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    ok->setFixedWidth(Dialog::buttonWidth(m_env.fontSizeIndex));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(ok);
    row->addStretch(1);
    auto* column = new QVBoxLayout(this);
    column->addWidget(title);
    column->addSpacing(8);
    column->addWidget(os);
    column->addWidget(memory);
    column->addSpacing(8);
    column->addWidget(archiverLabel);
    column->addSpacing(8);
    column->addLayout(row);
}

bool frmAbout::event(QEvent* event)
{
    if (handleDialogCtrlEvent(this, event, m_env, minimumSizeHint()))
        return true;
    return QDialog::event(event);
}

} // namespace tovane
