#include "core/scriptedservices.h"
#include "programs/associations.h"

#include <QtTest>

using namespace tovane;

namespace {

QList<Association> tableOf(int count, const QString& command = QString())
{
    QList<Association> table;
    for (int i = 0; i < count; ++i)
        table.append({QStringLiteral("e%1").arg(i), command});
    return table;
}

} // namespace

class AssociationsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void typedExtensionIsCorrected_data();
    void typedExtensionIsCorrected();
    void typedApplicationIsCorrected_data();
    void typedApplicationIsCorrected();
    void addStopsAtTheLimits_data();
    void addStopsAtTheLimits();
    void buttonsFollowTheTypedText_data();
    void buttonsFollowTheTypedText();
    void editsAskFirst_data();
    void editsAskFirst();
    void deleteKeepsNamesStillInUse_data();
    void deleteKeepsNamesStillInUse();
    void nameListHoldsEachProgramOnce();
    void closingWithAnUnsetEntryAsks_data();
    void closingWithAnUnsetEntryAsks();
    void firstEntryWithAProgramIsUsed_data();
    void firstEntryWithAProgramIsUsed();
};

void AssociationsTest::typedExtensionIsCorrected_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("valid");
    QTest::newRow("upper case EXE") << "EXE"
                                    << "ex" << true;
    QTest::newRow("dot between letters") << "t.xt"
                                         << "txt" << true;
    QTest::newRow("com and lnk") << "Com"
                                 << "co" << true;
    QTest::newRow("lnk") << "lnk"
                         << "ln" << true;
    QTest::newRow("longer than exe stays") << "exes"
                                           << "exes" << true;
    QTest::newRow("forbidden characters") << "a\\b:c/d<e>f|g*h?i\"j"
                                          << "abcdefghij" << true;
    QTest::newRow("cut to ten") << "abcdefghijklm"
                                << "abcdefghij" << true;
    QTest::newRow("cut, then exe") << ".e.x.e."
                                   << "ex" << true;
    QTest::newRow("trailing blank") << "tx "
                                    << "tx " << false;
    QTest::newRow("empty") << ""
                           << "" << false;
    QTest::newRow("only dots") << "..."
                               << "" << false;
}

void AssociationsTest::typedExtensionIsCorrected()
{
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    QFETCH(bool, valid);
    QCOMPARE(correctedExtension(typed), expected);
    QCOMPARE(extensionTextValid(correctedExtension(typed)), valid);
}

void AssociationsTest::typedApplicationIsCorrected_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("name kept as typed") << "gedit"
                                        << "gedit";
    QTest::newRow("separators removed from the name") << "/usr/bin/ed"
                                                      << "usrbined";
    QTest::newRow("comment keeps its characters") << "ed 'a/b:c"
                                                  << "ed 'a/b:c";
    QTest::newRow("typographic apostrophe") << "ed’x/y"
                                            << "ed’x/y";
    QTest::newRow("leading blanks") << "   vi"
                                    << "vi";
    QTest::newRow("device name broken") << "con"
                                        << "co";
    QTest::newRow("device name with extension") << "NUL.sh"
                                                << "NU.sh";
    QTest::newRow("cut with its comment")
        << "prog '" + QString(60, u'x') << "prog '" + QString(44, u'x');
}

void AssociationsTest::typedApplicationIsCorrected()
{
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    QCOMPARE(correctedApplication(typed), expected);
}

void AssociationsTest::addStopsAtTheLimits_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("size"); // -1: every entry still without a program
    QTest::addColumn<bool>("allowed");
    QTest::newRow("49 entries") << 49 << -1 << true;
    QTest::newRow("50 entries: no 51st") << 50 << -1 << false;
    QTest::newRow("size 8031") << 47 << 8031 << true;
    QTest::newRow("size 8032") << 47 << 8032 << false;
    QTest::newRow("size beyond") << 10 << 9000 << false;
}

void AssociationsTest::addStopsAtTheLimits()
{
    QFETCH(int, count);
    QFETCH(int, size);
    QFETCH(bool, allowed);
    QList<Association> table = tableOf(count, size < 0 ? QString() : QStringLiteral("/p"));
    if (size >= 0)
        table[0].command += QString(size - associationTableSize(table), u'p');
    QCOMPARE(associationTableSize(table), size < 0 ? count * UnsetAssociationShare : size);
    ScriptedMessageService messages;
    messages.enqueue(AnswerYes);
    AssociationEditor editor(table, messages, true);
    editor.load();
    QCOMPARE(editor.buttonsFor(QStringLiteral("new")).add, allowed);
    QCOMPARE(editor.add(QStringLiteral("new")), allowed);
    QCOMPARE(messages.log().size(), allowed ? 1 : 0);
    QCOMPARE(table.size(), count + (allowed ? 1 : 0));
    if (allowed) {
        QCOMPARE(table.last(), (Association{QStringLiteral("new"), QString()}));
        QCOMPARE(editor.current(), count);
    }
}

void AssociationsTest::buttonsFollowTheTypedText_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("add");
    QTest::addColumn<bool>("change");
    QTest::addColumn<bool>("remove");
    QTest::newRow("new extension") << "doc" << true << true << false;
    QTest::newRow("the current one") << "txt" << false << false << true;
    QTest::newRow("another existing one") << "png" << false << false << false;
    QTest::newRow("invalid") << "do " << false << false << false;
}

void AssociationsTest::buttonsFollowTheTypedText()
{
    QFETCH(QString, typed);
    QFETCH(bool, add);
    QFETCH(bool, change);
    QFETCH(bool, remove);
    QList<Association> table{{"txt", "/usr/bin/ed"}, {"png", ""}};
    ScriptedMessageService messages;
    AssociationEditor editor(table, messages, true);
    editor.load();
    const AssociationEditor::Buttons b = editor.buttonsFor(typed);
    QCOMPARE(b.add, add);
    QCOMPARE(b.change, change);
    QCOMPARE(b.remove, remove);
}

void AssociationsTest::editsAskFirst_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QStringList>("after");
    QTest::newRow("add") << int(AssociationAdd) << "doc" << true
                         << "表示されている拡張子 doc を追加します。"
                         << QStringList{"txt", "png", "doc"};
    QTest::newRow("add, messages off") << int(AssociationAdd) << "doc" << false << "追加します。"
                                       << QStringList{"txt", "png", "doc"};
    QTest::newRow("change") << int(AssociationChange) << "doc" << true
                            << "拡張子 txt を\r\n\r\n表示されている拡張子 doc に変更します。"
                            << QStringList{"doc", "png"};
    QTest::newRow("delete") << int(AssociationDelete) << "txt" << true
                            << "表示されている拡張子 txt を削除します。" << QStringList{"png"};
    QTest::newRow("delete, messages off")
        << int(AssociationDelete) << "txt" << false << "削除します。" << QStringList{"png"};
}

void AssociationsTest::editsAskFirst()
{
    QFETCH(int, command);
    QFETCH(QString, typed);
    QFETCH(bool, confirm);
    QFETCH(QString, question);
    QFETCH(QStringList, after);
    for (const bool cancel : {true, false}) {
        QList<Association> table{{"txt", "/usr/bin/ed"}, {"png", ""}};
        const QList<Association> before = table;
        ScriptedMessageService messages;
        messages.enqueue(cancel ? AnswerCancel : AnswerYes);
        AssociationEditor editor(table, messages, confirm);
        editor.load();
        const bool done = command == AssociationAdd      ? editor.add(typed)
                          : command == AssociationChange ? editor.change(typed)
                                                         : editor.remove(typed);
        QCOMPARE(done, !cancel);
        QCOMPARE(messages.texts(), QStringList{question});
        QCOMPARE(messages.captions(), QStringList{QStringLiteral("拡張子処理")});
        QCOMPARE(messages.log().first().flags & 7u, quint32(ButtonsOkCancel));
        if (cancel) {
            QCOMPARE(table, before);
            continue;
        }
        QStringList extensions;
        for (const Association& e : std::as_const(table))
            extensions << e.extension;
        QCOMPARE(extensions, after);
        QCOMPARE(editor.extensions(), after);
    }
}

void AssociationsTest::deleteKeepsNamesStillInUse_data()
{
    QTest::addColumn<QString>("otherCommand");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("program used elsewhere") << "/opt/Ed/ed 'other" << QStringList{"ed 'other"};
    QTest::newRow("program no longer used") << "/usr/bin/vi" << QStringList{"vi"};
}

void AssociationsTest::deleteKeepsNamesStillInUse()
{
    QFETCH(QString, otherCommand);
    QFETCH(QStringList, names);
    QList<Association> table{{"txt", "/usr/bin/ed 'mine"}, {"md", otherCommand}};
    ScriptedMessageService messages;
    messages.enqueue(AnswerYes);
    AssociationEditor editor(table, messages, true);
    editor.load();
    QVERIFY(editor.remove(QStringLiteral("txt")));
    QCOMPARE(editor.names(), names);
    QCOMPARE(editor.current(), 0); // the entry now at the same place
}

void AssociationsTest::nameListHoldsEachProgramOnce()
{
    QStringList names;
    addProgramName(names, QStringLiteral("ed 'one"));
    addProgramName(names, QStringLiteral("vi"));
    addProgramName(names, QStringLiteral(" ED  'two"));
    QCOMPARE(names, (QStringList{"vi", " ED  'two"}));
}

void AssociationsTest::closingWithAnUnsetEntryAsks_data()
{
    QTest::addColumn<bool>("unset");
    QTest::addColumn<qint16>("answer");
    QTest::addColumn<bool>("closes");
    QTest::newRow("all set") << false << qint16(AnswerCancel) << true;
    QTest::newRow("unset, OK") << true << qint16(AnswerYes) << true;
    QTest::newRow("unset, cancel") << true << qint16(AnswerCancel) << false;
}

void AssociationsTest::closingWithAnUnsetEntryAsks()
{
    QFETCH(bool, unset);
    QFETCH(qint16, answer);
    QFETCH(bool, closes);
    QList<Association> table{{"txt", "/usr/bin/ed"}};
    if (unset)
        table.append(Association{"doc", ""});
    ScriptedMessageService messages;
    messages.enqueue(answer);
    AssociationEditor editor(table, messages, false);
    editor.load();
    QCOMPARE(editor.closeAllowed(), closes);
    QCOMPARE(messages.texts(), unset ? QStringList{unsetEntryQuestion()} : QStringList{});
    if (unset) {
        QCOMPARE(messages.captions(), QStringList{QStringLiteral("終了確認")});
        QVERIFY(unsetEntryQuestion().startsWith(QStringLiteral(
            "アプリケーションのファイル名／パス名が\r\nセットされていない項目があります。")));
    }
}

void AssociationsTest::firstEntryWithAProgramIsUsed_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("program");
    QTest::newRow("empty entry skipped, later one used") << "txt"
                                                         << "/usr/bin/ed";
    QTest::newRow("comment cut and trimmed") << "md"
                                             << "/opt/my editor/run";
    QTest::newRow("no entry") << "pdf"
                              << "";
    QTest::newRow("only an empty entry") << "doc"
                                         << "";
    QTest::newRow("case as stored") << "TXT"
                                    << "";
}

void AssociationsTest::firstEntryWithAProgramIsUsed()
{
    QFETCH(QString, extension);
    QFETCH(QString, program);
    const QList<Association> table{{"txt", ""},
                                   {"txt", "/usr/bin/ed"},
                                   {"txt", "/usr/bin/vi"},
                                   {"md", " /opt/my editor/run  'the editor"},
                                   {"doc", ""}};
    QCOMPARE(programForExtension(table, extension), program);
}

QTEST_GUILESS_MAIN(AssociationsTest)
#include "tst_associations.moc"
