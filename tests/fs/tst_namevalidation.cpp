#include "core/messageservice.h"
#include "fs/namevalidation.h"
#include "support/tempdir.h"

#include <QtTest>

#include <unistd.h>

using namespace tovane;

namespace {

// Records every message and answers questions from a queue (Yes when empty).
class ScriptedMessages : public MessageService {
public:
    QStringList texts;
    QStringList titles;
    QList<quint32> flags;
    QList<qint16> answers;

protected:
    qint16 present(DialogRequest& request) override
    {
        texts << request.text;
        titles << request.title;
        flags << request.flags;
        return answers.isEmpty() ? qint16(AnswerYes) : answers.takeFirst();
    }
};

const QString Title = QStringLiteral("名前変更");
const QString CrLf = QStringLiteral("\r\n");

QString invalidMessage(const QString& name, const QString& label, const QString& listed)
{
    return "入力された " + name + " には" + CrLf + CrLf + label + "に使用できない文字  " + listed +
           " があります。" + CrLf + CrLf + CrLf + "他の名前に変えてください。";
}

QString reservedMessage(const QString& name, const QString& label)
{
    return "入力された " + name + " には" + CrLf + CrLf + label + "の予約語が使われています。" +
           CrLf + CrLf + "    CON, AUX, COM1, COM2, COM3, COM4, LPT1, LPT2, LPT3, PRN, NUL," +
           CrLf + CrLf + CrLf + "他の名前に変えてください。";
}

QString existsHead(const QString& name)
{
    return "入力された名前 " + name + " は" + CrLf + CrLf + "対象フォルダ内で既に使われています。" +
           CrLf + CrLf + "大文字と小文字は区別されません。" + CrLf + CrLf + CrLf;
}

QString existsMessage(const QString& name)
{
    return existsHead(name) + "他の名前に変えてください。" + CrLf + CrLf +
           "半角文字と倍角文字は異なる文字として扱われます。";
}

QString extensionQuestion(const QString& head, const QString& oldName)
{
    return head + "変更前の名前   " + oldName + " と" + CrLf + CrLf +
           "拡張子相当部が異なり、動作しなくなる恐れがあります。" + CrLf + CrLf + CrLf +
           "実行しますか ？";
}

} // namespace

class NameValidationTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Rules that need no folder. Each row also runs without showing to prove
    // the code does not depend on the message.
    void codes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("oldName");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("allowDot");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        const auto row = [](const char* tag, const QString& name, const QString& oldName, int kind,
                            bool allowDot, int code, const QString& message = QString()) {
            QTest::newRow(tag) << name << oldName << kind << allowDot << code << message;
        };
        const QString leadSpace = "先頭のスペースは無効です。";
        const QString trailSpace = "末尾のスペースは無効です。";
        const QString leadDot = "先頭のドット( . )は無効です。";
        const QString trailDot = "末尾のドット( . )は無効です。";
        const auto tooLong = [](const QString& extension) {
            return "拡張子 " + extension + " の" + CrLf + CrLf +
                   "文字数が上限（10文字）を超えています。";
        };
        const QString withNul = QString::fromUtf16(u"a\0b", 3);
        const QString setA = "\\ : \" / < > | * ? ";
        // clang-format off
        row("plain", "readme.txt", "", 0, false, 0);
        row("leading space", " a", "", 0, false, 7, leadSpace);
        row("full-width leading space", "　a", "", 0, false, 7, leadSpace);
        row("trailing space", "a ", "", 1, false, 7, trailSpace);
        row("full-width trailing space", "a　", "", 2, false, 7, trailSpace);
        row("pattern may end in space", "a ", "", 3, false, 0);
        row("extension may start with space", " txt", "", 6, false, 0);
        row("path component leading space", "a/ b", "", 5, false, 7, leadSpace);
        row("path component trailing space", "a /b", "", 5, false, 7, trailSpace);
        row("full-width letters are fine", "ａｂｃ？", "", 0, false, 0);
        row("empty", "", "", 0, false, 1, "名前のタイトル部が入力されていません。");
        row("empty extension", "", "", 6, false, 0);
        row("leading dot", ".profile", "", 0, false, 6, leadDot);
        row("leading dot allowed", ".profile", "", 0, true, 0);
        row("dot component", "a/.b", "", 5, false, 6, leadDot);
        row("dot component allowed", "a/.b", "", 5, true, 0);
        row("dot-dot allowed still ends in dot", "..", "", 2, true, 6, trailDot);
        row("trailing dot", "a.", "", 1, false, 6, trailDot);
        row("pattern may end in dot", "a.", "", 3, false, 0);
        row("path component ends in dot", "a./", "", 5, false, 6, trailDot);
        row("nul is never valid", withNul, "", 0, false, 2, invalidMessage(withNul, "名前", setA));
        row("10 character extension", "a.0123456789", "", 1, false, 0);
        row("11 character extension", "a.01234567890", "", 2, false, 8, tooLong("01234567890"));
        row("long pattern extension", "*.ABCDEFGHIJK", "", 3, false, 8, tooLong("abcdefghijk"));
        row("long extension, kind 0", "a.01234567890", "", 0, false, 0);
        row("long extension, kind 4", "a.01234567890", "", 4, false, 0);
        row("extension of 10", "0123456789", "", 6, false, 0);
        row("extension of 11", "01234567890", "", 6, false, 8, tooLong("01234567890"));
        row("con.txt", "con.txt", "", 0, false, 3, reservedMessage("con.txt", "名前"));
        row("a.com1.txt", "a.com1.txt", "", 1, false, 3, reservedMessage("a.com1.txt", "名前"));
        row("con alone", "con", "", 0, false, 0);
        row("nul.tar.gz", "Nul.tar.gz", "", 2, false, 3, reservedMessage("Nul.tar.gz", "名前"));
        row("console.txt", "console.txt", "", 0, false, 0);
        row("com5.txt", "com5.txt", "", 0, false, 0);
        row("reserved pattern", "lpt3.*", "", 3, false, 3, reservedMessage("lpt3.*", "名前"));
        row("reserved folder in path", "prn/x.txt", "", 5, false, 3,
            reservedMessage("prn/x.txt", "パス名"));
        row("reserved last component", "x/con", "", 5, false, 0);
        row("path splits at slash only", "con.txt", "", 5, false, 0);
        row("extension con", "con", "", 6, false, 0);
        row("same name", "Readme.TXT", "Readme.TXT", 2, false, -1);
        row("change of case", "readme.txt", "Readme.TXT", 2, false, 0);
        row("unknown kind is plain", "a?b", "", 9, false, 2, invalidMessage("a?b", "名前", setA));
        // clang-format on
    }
    void codes()
    {
        QFETCH(QString, name);
        QFETCH(QString, oldName);
        QFETCH(int, kind);
        QFETCH(bool, allowDot);
        QFETCH(int, code);
        QFETCH(QString, message);
        ScriptedMessages messages;
        const NameCheckContext context{&messages, false};
        QCOMPARE(validateName(context, QString(), name, oldName, Title, kind, allowDot, true),
                 code);
        QCOMPARE(messages.texts, message.isEmpty() ? QStringList() : QStringList{message});
        if (!message.isEmpty()) {
            QCOMPARE(messages.titles.first(), Title);
            QCOMPARE(messages.flags.first(), quint32(ButtonsOk));
        }
        messages.texts.clear();
        QCOMPARE(validateName(context, QString(), name, oldName, Title, kind, allowDot, false),
                 code);
        QVERIFY(messages.texts.isEmpty());
    }

    // Every character of every set, with the listing of that kind's set.
    void invalidCharacters_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("character");
        QTest::addColumn<bool>("refused");
        struct Set {
            int kind;
            QString refused, allowed, label, listed;
        };
        const QString setA = "\\:\"/<>|*?";
        const Set sets[] = {
            {0, setA, "", "名前", "\\ : \" / < > | * ? "},
            {1, setA, "", "名前", "\\ : \" / < > | * ? "},
            {2, setA, "", "名前", "\\ : \" / < > | * ? "},
            {3, "\\:\"/<>|", "*?", "名前", "\\ : \" / < > | "},
            {4, "\\:\"/<>|", "*?", "名前", "\\ : \" / < > | "},
            {5, "\\:\"<>|*?", "/", "パス名", "\\ : \" < > | * ? "},
            {6, "." + setA, "", "拡張子", ". \\ : \" / < > | * ? "},
        };
        for (const Set& set : sets) {
            for (const QChar c : set.refused)
                QTest::addRow("kind %d refuses %c", set.kind, c.toLatin1())
                    << set.kind << QString(c) << true;
            for (const QChar c : set.allowed)
                QTest::addRow("kind %d accepts %c", set.kind, c.toLatin1())
                    << set.kind << QString(c) << false;
        }
        m_listing = {};
        for (const Set& set : sets)
            m_listing.insert(set.kind, {set.label, set.listed});
    }
    void invalidCharacters()
    {
        QFETCH(int, kind);
        QFETCH(QString, character);
        QFETCH(bool, refused);
        ScriptedMessages messages;
        const QString name = "a" + character + "b";
        const int code =
            validateName({&messages, false}, QString(), name, QString(), Title, kind, false, true);
        if (!refused) {
            QCOMPARE(code, 0);
            QVERIFY(messages.texts.isEmpty());
            return;
        }
        QCOMPARE(code, 2);
        const auto [label, listed] = m_listing.value(kind);
        QCOMPARE(messages.texts, QStringList{invalidMessage(name, label, listed)});
    }

    void pathFolderPart_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("code");
        QTest::newRow("ordinary") << "/home/u/" << 0;
        QTest::newRow("backslash and colon") << "/mnt/a\\b:c/" << 0;
        QTest::newRow("question mark") << "/mnt/a?/" << 2;
        QTest::newRow("double quote") << "/mnt/\"x\"/" << 2;
        QTest::newRow("nul") << QString::fromUtf16(u"/a\0/", 4) << 2;
    }
    void pathFolderPart()
    {
        QFETCH(QString, folder);
        QFETCH(int, code);
        ScriptedMessages messages;
        for (const QString& name : {QStringLiteral("sub/x.txt"), QString()})
            QCOMPARE(
                validateName({&messages, false}, folder, name, QString(), Title, 5, false, true),
                code);
        QVERIFY(messages.texts.isEmpty()); // the folder part fails silently
    }

    void messageGate_data()
    {
        QTest::addColumn<bool>("show");
        QTest::addColumn<bool>("confirm");
        QTest::newRow("both on") << true << true;
        QTest::newRow("show off") << false << true;
        QTest::newRow("confirmation off") << true << false;
        QTest::newRow("both off") << false << false;
    }
    void messageGate()
    {
        QFETCH(bool, show);
        QFETCH(bool, confirm);
        ScriptedMessages messages;
        messages.setConfirmationMessages(confirm);
        QCOMPARE(
            validateName({&messages, false}, QString(), "a|b", QString(), Title, 0, false, show),
            2);
        QCOMPARE(messages.texts.size(), show && confirm ? 1 : 0);
        QCOMPARE(validateName({nullptr, false}, QString(), "a|b", QString(), Title, 0, false, show),
                 2);
    }

    // Existing names, against real entries.
    void existingNames_data()
    {
        QTest::addColumn<QStringList>("entries"); // "x/" a folder, "x->y" a symbolic link
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("oldName");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QList<qint16>>("answers");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("texts");
        const auto row = [](const char* tag, const QStringList& entries, const QString& name,
                            const QString& oldName, int kind, QList<qint16> answers, int code,
                            const QString& text = QString()) {
            QTest::newRow(tag) << entries << name << oldName << kind << answers << code
                               << (text.isEmpty() ? QStringList() : QStringList{text});
        };
        const QStringList file{"report.txt"};
        const QString overwrite = existsHead("report.txt") + "上書き保存しますか ？";
        // clang-format off
        row("overwrite yes", file, "report.txt", "", 1, {AnswerYes}, 0, overwrite);
        row("overwrite no", file, "report.txt", "", 1, {AnswerNo}, -1, overwrite);
        row("overwrite ignores case", file, "REPORT.TXT", "", 1, {AnswerNo}, -1,
            existsHead("REPORT.TXT") + "上書き保存しますか ？");
        row("new file over a link to a folder", {"dir/", "report.txt->dir"}, "report.txt", "", 1,
            {}, 4,
            existsMessage("report.txt"));
        row("new file over a folder", {"report.txt/"}, "report.txt", "", 1, {}, 4,
            existsMessage("report.txt"));
        row("plain name exists", file, "Report.txt", "", 0, {}, 4, existsMessage("Report.txt"));
        row("rename onto another", {"a.txt", "report.txt"}, "report.txt", "a.txt", 2, {}, 4,
            existsMessage("report.txt"));
        row("rename to a free name", file, "other.txt", "report.txt", 2, {}, 0);
        row("case-only rename", {"Readme.TXT"}, "readme.txt", "Readme.TXT", 2, {}, 0);
        row("case-only rename onto another file", {"Readme.TXT", "readme.txt"}, "readme.txt",
            "Readme.TXT", 2, {}, 4, existsMessage("readme.txt"));
        row("patterns are not looked up", file, "report.txt", "", 3, {}, 0);
        // clang-format on
    }
    void existingNames()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, name);
        QFETCH(QString, oldName);
        QFETCH(int, kind);
        QFETCH(QList<qint16>, answers);
        QFETCH(int, code);
        QFETCH(QStringList, texts);
        test::TempDir dir;
        QVERIFY(dir.isValid());
        for (const QString& entry : entries) {
            if (const qsizetype arrow = entry.indexOf("->"); arrow > 0)
                QCOMPARE(::symlink(entry.mid(arrow + 2).toUtf8().constData(),
                                   dir.filePath(entry.left(arrow)).toUtf8().constData()),
                         0);
            else if (entry.endsWith(u'/'))
                QVERIFY(dir.makeFolder(entry.chopped(1).toUtf8()));
            else
                QVERIFY(dir.writeFile(entry.toUtf8(), "x"));
        }
        ScriptedMessages messages;
        messages.answers = answers;
        QCOMPARE(validateName({&messages, false}, dir.path() + "/", name, oldName, Title, kind,
                              false, true),
                 code);
        QCOMPARE(messages.texts, texts);
        for (quint32 flags : messages.flags)
            QCOMPARE(flags, quint32(texts.first().endsWith("？") ? ButtonsYesNo : ButtonsOk));
        QVERIFY(messages.answers.isEmpty());
    }

    void overwriteQuestionIgnoresMessageSwitches()
    {
        test::TempDir dir;
        QVERIFY(dir.writeFile("a.txt", "x"));
        ScriptedMessages messages;
        messages.setConfirmationMessages(false);
        messages.answers = {AnswerNo};
        QCOMPARE(validateName({&messages, false}, dir.path(), "a.txt", QString(), Title, 1, false,
                              false),
                 -1);
        QCOMPARE(messages.texts.size(), 1);
        // Nobody to ask: nothing is overwritten.
        QCOMPARE(
            validateName({nullptr, false}, dir.path(), "a.txt", QString(), Title, 1, false, true),
            -1);
    }

    void extensionChange_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("oldName");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("newText");
        QTest::addColumn<QList<qint16>>("answers");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("question");
        const auto row = [](const char* tag, const QString& name, const QString& oldName, int kind,
                            bool newText, QList<qint16> answers, int code,
                            const QString& question = QString()) {
            QTest::newRow(tag) << name << oldName << kind << newText << answers << code << question;
        };
        const auto head = [](const QString& name) {
            return "入力された名前 " + name + " は" + CrLf + CrLf;
        };
        const auto plainHead = [](const QString& name) {
            return "入力された " + name + " には" + CrLf + CrLf;
        };
        // clang-format off
        row("declined", "a.doc", "a.txt", 2, false, {AnswerNo}, 5,
            extensionQuestion(head("a.doc"), "a.txt"));
        row("accepted", "a.doc", "a.txt", 1, false, {AnswerYes}, 0,
            extensionQuestion(head("a.doc"), "a.txt"));
        row("pattern head", "a.doc", "a.txt", 3, false, {AnswerNo}, 5,
            extensionQuestion(plainHead("a.doc"), "a.txt"));
        row("extension dropped", "a", "a.txt", 2, false, {AnswerNo}, 5,
            extensionQuestion(head("a"), "a.txt"));
        row("extension kind", "doc", "txt", 6, false, {AnswerNo}, 5,
            extensionQuestion(plainHead("doc"), "txt"));
        row("same extension other case", "b.TXT", "a.txt", 2, false, {}, 0);
        row("same extension, kind 6", "TXT", "txt", 6, false, {}, 0);
        row("new unsaved text", "a.doc", "a.txt", 1, true, {}, 0);
        row("kind 0 never asks", "a.doc", "a.txt", 0, false, {}, 0);
        row("no old name", "a.doc", "", 1, false, {}, 0);
        // clang-format on
    }
    void extensionChange()
    {
        QFETCH(QString, name);
        QFETCH(QString, oldName);
        QFETCH(int, kind);
        QFETCH(bool, newText);
        QFETCH(QList<qint16>, answers);
        QFETCH(int, code);
        QFETCH(QString, question);
        ScriptedMessages messages;
        messages.answers = answers;
        QCOMPARE(
            validateName({&messages, newText}, QString(), name, oldName, Title, kind, false, true),
            code);
        QCOMPARE(messages.texts, question.isEmpty() ? QStringList() : QStringList{question});
        if (!question.isEmpty())
            QCOMPARE(messages.flags.first(), quint32(ButtonsYesNo));
    }

    void narrowsWidth_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("letters") << "ＡＢＣｘｙｚ０９" << "ABCxyz09";
        QTest::newRow("range ends") << "！～" << "!~";
        QTest::newRow("just outside") << "｟" << "｟";
        QTest::newRow("ideographic space") << "a　b" << "a b";
        QTest::newRow("japanese stays") << "日本語ｶﾅ" << "日本語ｶﾅ";
        // clang-format on
    }
    void narrowsWidth()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(narrowWidth(text), expected);
    }

    void designatedSelectionWarning_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("invalid");
        QTest::newRow("plain") << "a b.txt" << false;
        QTest::newRow("backslash") << "a\\b" << true;
        QTest::newRow("colon") << "a:b" << true;
        QTest::newRow("asterisk") << "*" << true;
        QTest::newRow("full-width question mark") << "a？" << false;
    }
    void designatedSelectionWarning()
    {
        QFETCH(QString, name);
        QFETCH(bool, invalid);
        QCOMPARE(hasInvalidNameCharacter(name), invalid);
        QCOMPARE(invalidNameWarningText("sub/" + name),
                 "名前に使用できない文字を含むファイルがあります。\r\n\r\nsub/" + name);
        QCOMPARE(designatedSelectionTitle(), QStringLiteral("指定選択"));
    }

private:
    QHash<int, std::pair<QString, QString>> m_listing;
};

QTEST_GUILESS_MAIN(NameValidationTest)
#include "tst_namevalidation.moc"
