#include "core/scriptedservices.h"
#include "fs/pathcheck.h"
#include "fs/volumesource.h"
#include "platform/filesystem.h"
#include "platform/textfile.h"
#include "support/asuser.h"
#include "support/ownmounts.h"
#include "support/tempdir.h"
#include "viewer/plaintextfile.h"
#include "viewer/textsave.h"

#include <QtTest>

#include <array>
#include <cerrno>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tovane;
using tovane::test::readAll;
using tovane::test::TempDir;
using tovane::test::writeBytes;

namespace {

const QString Caption = QStringLiteral("tovane");

// The widget half as the save procedure sees it: facts per window, a save
// dialog answering from a queue, a document written through the same
// plain-text writer the viewer uses.
class FakeHost : public TextSaveHost {
public:
    struct Window {
        SaveFacts facts;
        QString folder;
        QString text = QStringLiteral("edited\n");
        TextFormat format;
        bool hasStamp = false;
        platform::FileStamp stamp;
        bool driveWritableCleared = false;
        bool forgotten = false;
        QList<bool> contentSwitches;
    };
    std::array<Window, 2> windows;
    quint32 hidden = AttrHidden | AttrSystem;

    // Paths the dialog answers with, in order; an empty one cancels.
    QStringList dialogAnswers;
    QList<SaveDialogRequest> dialogs;
    QList<TextWriteRequest> writes;
    QList<int> writeErrors; // answered in order before a real write
    struct Listed {
        WindowIndex window;
        QString name;
        bool shown;
    };
    QList<Listed> listed;
    QList<WindowIndex> refreshed;

    SaveFacts saveFacts(WindowIndex w) const override { return windows[size_t(w)].facts; }
    bool shownStamp(WindowIndex w, platform::FileStamp& out) const override
    {
        out = windows[size_t(w)].stamp;
        return windows[size_t(w)].hasStamp;
    }
    QString shownEncodingName(WindowIndex w) const override
    {
        return encodingName(windows[size_t(w)].format.encoding);
    }
    QString folderPath(WindowIndex w) const override { return windows[size_t(w)].folder; }
    quint32 hiddenMask() const override { return hidden; }
    CategoryLists categoryLists() const override
    {
        CategoryLists l;
        l[3] = QStringLiteral(" txt, log,");
        return l;
    }
    LanguageCaptions languageCaptions() const override { return {}; }

    bool askSavePath(const SaveDialogRequest& request, QString& chosenPath) override
    {
        dialogs.append(request);
        chosenPath = dialogAnswers.isEmpty() ? QString() : dialogAnswers.takeFirst();
        return !chosenPath.isEmpty();
    }
    qint64 shownTextBytes(WindowIndex w, bool) override
    {
        return windows[size_t(w)].text.toUtf8().size();
    }
    int writeShownText(WindowIndex w, const TextWriteRequest& request) override
    {
        writes.append(request);
        if (!writeErrors.isEmpty())
            return writeErrors.takeFirst();
        const Window& win = windows[size_t(w)];
        if (request.richText)
            return platform::writeFileAtomically(request.path, "{\\rtf1 " + win.text.toUtf8() + "}",
                                                 platform::WriteMode::KeepMetadata);
        const TextFormat format = request.utf8Instead ? utf8Format(win.format) : win.format;
        return savePlainText(request.path, win.text, format);
    }
    void textSaved(WindowIndex w, const QString& path, const platform::FileStamp& stamp,
                   bool) override
    {
        Window& win = windows[size_t(w)];
        win.facts.shownPath = path;
        win.facts.modified = false;
        win.facts.newText = false;
        win.stamp = stamp;
        win.hasStamp = true;
    }
    void listItemSaved(WindowIndex w, const ItemRecord& record, bool shown) override
    {
        listed.append({w, record.name, shown});
    }
    void refreshWindowPath(WindowIndex w) override { refreshed.append(w); }
    void clearDriveWritable(WindowIndex w) override
    {
        windows[size_t(w)].driveWritableCleared = true;
        windows[size_t(w)].facts.driveWritable = false;
    }
    void setContentShownTemporarily(WindowIndex w, bool on) override
    {
        windows[size_t(w)].contentSwitches.append(on);
    }
    void forgetShownPath(WindowIndex w) override
    {
        windows[size_t(w)].forgotten = true;
        windows[size_t(w)].facts.shownPath.clear();
    }
};

// A folder with a shown text "a.txt" in window 0 and window 1 elsewhere.
struct Env {
    TempDir dir;
    ScriptedMessageService messages;
    ScriptedProgressService progress;
    FakeVolumeSource volumes;
    PathChecker checker{CheckContext{messages, progress, volumes, Caption, [] { return 0; }}};
    FakeHost host;
    TextSaveContext context{messages, checker, volumes, host};

    QString folder() const { return dir.path() + u'/'; }
    QString path(const QString& name) const { return dir.filePath(name); }

    Env()
    {
        dir.makeFolder("other");
        dir.writeFile("a.txt", "original\n");
        dir.writeFile("chosen.dat", "payload");
        for (FakeHost::Window& w : host.windows) {
            w.facts.homeFolder = dir.path() + QStringLiteral("/home/");
            w.folder = folder();
            w.facts.windowFolder = folder();
        }
        dir.makeFolder("home");
        FakeHost::Window& w = host.windows[0];
        w.facts.shownPath = path(QStringLiteral("a.txt"));
        w.facts.chosenPath = w.facts.shownPath;
        w.facts.textShown = true;
        w.facts.modified = true;
        w.hasStamp = platform::fileStamp(w.facts.shownPath, w.stamp) == 0;
        host.windows[1].folder = path(QStringLiteral("other/"));
    }

    TextSaveResult save(int mode, const QString& fixed = QString())
    {
        TextSaveOptions o;
        o.mode = mode;
        o.window = 0;
        o.fixedDestination = fixed;
        return textSave(context, o);
    }
    QByteArray bytes(const QString& name) const { return readAll(path(name).toUtf8()); }
};

} // namespace

class TextSaveTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Which writer a destination gets, and that the text lands there.
    void textFormatByName_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("rich");
        QTest::newRow("overwrite a .txt") << int(SaveOverwrite) << "a.txt" << false;
        QTest::newRow("save as .rtf") << int(SaveAs) << "b.rtf" << true;
        QTest::newRow("save as .RTF") << int(SaveAs) << "c.RTF" << true;
        QTest::newRow("save as .rtf.txt") << int(SaveAs) << "d.rtf.txt" << false;
    }
    void textFormatByName()
    {
        QFETCH(int, mode);
        QFETCH(QString, name);
        QFETCH(bool, rich);
        Env env;
        env.messages.enqueue(AnswerYes); // the overwrite question of mode 0
        env.host.dialogAnswers << env.path(name);
        QCOMPARE(env.save(mode), TextSaveResult::Saved);
        QCOMPARE(env.host.writes.size(), 1);
        QCOMPARE(env.host.writes[0].richText, rich);
        QCOMPARE(env.host.writes[0].path, env.path(name));
        QCOMPARE(env.bytes(name).startsWith("{\\rtf1"), rich);
        if (!rich)
            QCOMPARE(env.bytes(name), QByteArray("edited\n"));
        // Saved: the text is that file now.
        const SaveFacts& f = env.host.windows[0].facts;
        QVERIFY(!f.modified);
        QCOMPARE(f.shownPath, env.path(name));
        QCOMPARE(env.host.listed.size(), 1);
        QCOMPARE(env.host.listed[0].name, name);
        QVERIFY(env.host.listed[0].shown);
        QCOMPARE(env.host.refreshed, QList<WindowIndex>{1}); // same volume, other folder
        QCOMPARE(env.messages.unscripted(), 0);
    }

    void copyOfChosenFile_data()
    {
        QTest::addColumn<bool>("readOnlySource");
        QTest::addColumn<bool>("existingTarget");
        QTest::newRow("new name") << false << false;
        QTest::newRow("read-only source") << true << false;
        QTest::newRow("over an existing file") << false << true;
    }
    void copyOfChosenFile()
    {
        QFETCH(bool, readOnlySource);
        QFETCH(bool, existingTarget);
        Env env;
        const QString source = env.path(QStringLiteral("chosen.dat"));
        quint32 a = 0;
        if (platform::setAttributes(source, AttrHidden) != 0)
            QSKIP("no attribute store on this file system");
        QVERIFY(platform::setAttributes(source, readOnlySource ? quint32(AttrReadOnly) : 0u) == 0);
        if (existingTarget)
            env.dir.writeFile("copy.dat", "older and longer");
        FakeHost::Window& w = env.host.windows[0];
        w.facts.textShown = false;
        w.facts.modified = false;
        w.facts.chosenPath = source;
        env.host.dialogAnswers << env.path(QStringLiteral("copy.dat"));
        QCOMPARE(env.save(SaveAs), TextSaveResult::Saved);
        QCOMPARE(env.host.dialogs.size(), 1);
        QCOMPARE(env.host.dialogs[0].name, QStringLiteral("chosen.dat"));
        QVERIFY(env.host.dialogs[0].filter.startsWith(QStringLiteral("変更なし(*.dat)|*.dat|")));
        QVERIFY(env.host.writes.isEmpty());
        QCOMPARE(env.bytes(QStringLiteral("copy.dat")), QByteArray("payload"));
        QVERIFY(platform::getAttributes(env.path(QStringLiteral("copy.dat")), a) == 0);
        QCOMPARE(a & (AttrReadOnly | AttrArchive),
                 (readOnlySource ? quint32(AttrReadOnly) : 0u) | AttrArchive);
        QCOMPARE(w.facts.shownPath, env.path(QStringLiteral("a.txt"))); // no text involved
        QCOMPARE(env.messages.log().size(), 0);
    }

    // The chosen file went away after it was listed: said so, the drive
    // keeps counting as writable.
    void chosenFileGone()
    {
        Env env;
        FakeHost::Window& w = env.host.windows[0];
        w.facts.textShown = false;
        w.facts.modified = false;
        w.facts.chosenPath = env.path(QStringLiteral("gone.dat"));
        env.host.dialogAnswers << env.path(QStringLiteral("copy.dat"));
        QCOMPARE(env.save(SaveAs), TextSaveResult::Failed);
        QCOMPARE(env.messages.texts(), QStringList{PathChecker::fileMissingText(
                                           env.folder(), QStringLiteral("gone.dat"))});
        QVERIFY(!w.driveWritableCleared);
        QVERIFY(env.host.dialogs.isEmpty());
    }

    // The dialog's first proposal.
    void proposal_data()
    {
        QTest::addColumn<bool>("newText");
        QTest::addColumn<bool>("protectedPlace");
        QTest::addColumn<bool>("unwritable");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::newRow("new text") << true << false << false << ""
                                  << "新しいファイル.txt";
        QTest::newRow("new text, protected place") << true << true << false << "home/"
                                                   << "新しいファイル.txt";
        QTest::newRow("shown text") << false << false << false << ""
                                    << "a.txt";
        QTest::newRow("drive not writable") << false << false << true << "home/"
                                            << "a.txt";
    }
    void proposal()
    {
        QFETCH(bool, newText);
        QFETCH(bool, protectedPlace);
        QFETCH(bool, unwritable);
        QFETCH(QString, folder);
        QFETCH(QString, name);
        Env env;
        FakeHost::Window& w = env.host.windows[0];
        w.facts.newText = newText;
        if (newText)
            w.facts.shownPath.clear();
        w.facts.locationProtected = protectedPlace;
        w.facts.driveWritable = !unwritable;
        // Overwrite of a new text is a save as.
        QCOMPARE(env.save(newText ? SaveOverwrite : SaveAs), TextSaveResult::Cancelled);
        QCOMPARE(env.host.dialogs.size(), 1);
        QCOMPARE(env.host.dialogs[0].folder, env.folder() + folder);
        QCOMPARE(env.host.dialogs[0].name, name);
        QCOMPARE(env.host.dialogs[0].title, saveAsDialogTitle());
        // Cancel changes nothing.
        QVERIFY(env.messages.log().isEmpty());
        QVERIFY(env.host.writes.isEmpty());
        QVERIFY(w.facts.modified);
        QCOMPARE(w.facts.newText, newText);
        QCOMPARE(env.bytes(QStringLiteral("a.txt")), QByteArray("original\n"));
    }

    // What is asked before the file is replaced, and what each answer does.
    void confirmation_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<bool>("messagesOn");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("question");
        QTest::addColumn<bool>("written");
        const QString longQ = QStringLiteral("ファイル @ を\r\n\r\n上書き保存します。");
        const QString shortQ = QStringLiteral("対象ファイルを上書き保存します。");
        QTest::newRow("overwrite, OK")
            << 0 << false << true << int(AnswerYes) << 0 << longQ << true;
        QTest::newRow("overwrite, Cancel")
            << 0 << false << true << int(AnswerCancel) << 0 << longQ << false;
        QTest::newRow("overwrite, quiet")
            << 0 << false << false << int(AnswerYes) << 0 << shortQ << true;
        QTest::newRow("overwrite read-only, yes")
            << 0 << true << true << int(AnswerYes) << int(ConfirmFileAttr) << "" << true;
        QTest::newRow("overwrite read-only, yes to all")
            << 0 << true << false << int(AnswerYesAll) << int(ConfirmFileAttr) << "" << true;
        QTest::newRow("overwrite read-only, no")
            << 0 << true << true << int(AnswerNo) << int(ConfirmFileAttr) << "" << false;
        QTest::newRow("save as onto read-only")
            << 1 << true << true << int(AnswerYes) << int(ConfirmOverwriteAttr) << "" << true;
        QTest::newRow("save as onto read-only, cancel")
            << 1 << true << true << int(AnswerCancel) << int(ConfirmOverwriteAttr) << "" << false;
    }
    void confirmation()
    {
        QFETCH(int, mode);
        QFETCH(bool, readOnly);
        QFETCH(bool, messagesOn);
        QFETCH(int, answer);
        QFETCH(int, kind);
        QFETCH(QString, question);
        QFETCH(bool, written);
        Env env;
        const QString target = env.path(QStringLiteral("a.txt"));
        const unsigned before = readOnly ? 0444 : 0640;
        QCOMPARE(::chmod(target.toUtf8().constData(), before), 0);
        env.messages.setConfirmationMessages(messagesOn);
        env.messages.enqueue(qint16(answer));
        env.host.dialogAnswers << target;
        const TextSaveResult r = env.save(mode);
        QCOMPARE(r, written ? TextSaveResult::Saved : TextSaveResult::Cancelled);
        QCOMPARE(env.messages.log().size(), 1);
        const auto& asked = env.messages.log()[0];
        QCOMPARE(int(asked.kind), kind);
        if (kind) {
            QCOMPARE(asked.request.attributeMask, quint16(AttrReadOnly));
        } else {
            QCOMPARE(asked.text, QString(question).replace(u'@', target));
            QCOMPARE(asked.caption, QStringLiteral("上書き保存"));
            QCOMPARE(asked.flags & 7, quint32(ButtonsOkCancel));
        }
        QCOMPARE(env.bytes(QStringLiteral("a.txt")),
                 written ? QByteArray("edited\n") : QByteArray("original\n"));
        QCOMPARE(env.host.windows[0].facts.modified, !written);
        struct stat st;
        QCOMPARE(::stat(target.toUtf8().constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, before);
    }

    // The shown file was changed by someone else since it was read.
    void changedOnDisk_data()
    {
        QTest::addColumn<bool>("fromUnsavedCheck");
        QTest::addColumn<int>("answer");
        QTest::newRow("menu, default answer") << false << int(AnswerCancel);
        QTest::newRow("menu, OK") << false << int(AnswerYes);
        QTest::newRow("unsaved check, default answer") << true << int(AnswerCancel);
    }
    void changedOnDisk()
    {
        QFETCH(bool, fromUnsavedCheck);
        QFETCH(int, answer);
        Env env;
        QVERIFY(
            writeBytes(env.path(QStringLiteral("a.txt")).toUtf8(), "someone else's longer text\n"));
        if (fromUnsavedCheck)
            env.messages.enqueue(AnswerYes); // save the text
        env.messages.enqueue(qint16(answer));
        const bool saved = answer == AnswerYes;
        if (fromUnsavedCheck)
            QCOMPARE(checkUnsavedText(env.context, 0), UnsavedOutcome::NotSaved);
        else
            QCOMPARE(env.save(SaveOverwrite),
                     saved ? TextSaveResult::Saved : TextSaveResult::Cancelled);
        const auto& asked = env.messages.log().last();
        QCOMPARE(asked.text, changedOnDiskQuestion(env.path(QStringLiteral("a.txt"))));
        QVERIFY(asked.flags & FocusSecondButton);
        QCOMPARE(asked.flags & 7, quint32(ButtonsOkCancel));
        QCOMPARE(env.messages.log().size(), fromUnsavedCheck ? 2 : 1);
        QCOMPARE(env.bytes(QStringLiteral("a.txt")),
                 saved ? QByteArray("edited\n") : QByteArray("someone else's longer text\n"));
        QCOMPARE(env.host.windows[0].facts.modified, !saved);
    }

    // A write that fails is reported once and leaves the text as it was.
    void failedWrite_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("protection");
        QTest::newRow("read-only volume") << EROFS << true;
        QTest::newRow("permission") << EACCES << true;
        QTest::newRow("cancelled by the user") << ECANCELED << true;
        QTest::newRow("full disk") << ENOSPC << false;
        QTest::newRow("i/o error") << EIO << false;
    }
    void failedWrite()
    {
        QFETCH(int, error);
        QFETCH(bool, protection);
        Env env;
        // Window 0 and the saved file on a volume of their own, window 1 not.
        FakeVolumeSource::Volume v;
        v.mountPoint = env.dir.path();
        env.volumes.addVolume(v);
        env.host.windows[1].folder = QStringLiteral("/");
        env.host.writeErrors << error;
        env.messages.enqueue(AnswerYes);
        QCOMPARE(env.save(SaveOverwrite), TextSaveResult::Failed);
        const QString target = env.path(QStringLiteral("a.txt"));
        QCOMPARE(env.messages.log().size(), 2);
        const auto& report = env.messages.log()[1];
        QCOMPARE(report.caption, QStringLiteral("ファイル保存"));
        QVERIFY(report.text.startsWith(QStringLiteral("ファイル名 = ") + target + "\r\n\r\n"));
        QCOMPARE(report.text.contains(QStringLiteral("書込み禁止")), protection);
        QCOMPARE(report.text.contains(QStringLiteral("エラー番号 = ") + QString::number(error)),
                 !protection);
        QVERIFY(env.host.windows[0].facts.modified);
        QCOMPARE(env.host.windows[0].facts.shownPath, target);
        QCOMPARE(env.host.windows[0].driveWritableCleared, protection);
        QVERIFY(!env.host.windows[1].driveWritableCleared);
        QVERIFY(env.host.listed.isEmpty());
        QCOMPARE(env.bytes(QStringLiteral("a.txt")), QByteArray("original\n"));
    }

    // A real read-only mount: the platform's error, not a scripted one.
    void readOnlyMount()
    {
        Env env;
        QVERIFY(env.dir.makeFolder("vol"));
        const QByteArray vol = env.dir.pathBytes() + "/vol";
        const int status = test::runWithOwnMounts([&] {
            if (::mount("tovane-test", vol.constData(), "tmpfs", 0, "mode=0755") != 0)
                ::_exit(test::ChildSkipped);
            QVERIFY(writeBytes(vol + "/t.txt", "kept\n"));
            if (::mount(nullptr, vol.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0)
                ::_exit(test::ChildSkipped);
            PlatformVolumeSource volumes;
            PathChecker checker(
                CheckContext{env.messages, env.progress, volumes, Caption, [] { return 0; }});
            TextSaveContext context{env.messages, checker, volumes, env.host};
            const QString folder = QString::fromUtf8(vol) + u'/';
            for (FakeHost::Window& w : env.host.windows)
                w.folder = folder;
            env.host.windows[0].facts.shownPath = folder + QStringLiteral("t.txt");
            env.host.windows[0].hasStamp = false;
            env.messages.enqueue(AnswerYes);
            TextSaveOptions o;
            QCOMPARE(textSave(context, o), TextSaveResult::Failed);
            QVERIFY(env.messages.texts().last().contains(QStringLiteral("書込み禁止")));
            QVERIFY(env.host.windows[0].facts.modified);
            QVERIFY(env.host.windows[0].driveWritableCleared);
            QVERIFY(env.host.windows[1].driveWritableCleared);
            QCOMPARE(readAll(vol + "/t.txt"), QByteArray("kept\n"));
        });
        if (status == test::ChildSkipped)
            QSKIP("no private mount namespace here (needs root or user namespaces)");
        QCOMPARE(status, 0);
    }

    // An ordinary user replaces a read-only file of a writable folder; the
    // file keeps its mode.
    void readOnlyFileAsUser()
    {
        Env env;
        const QByteArray folder = env.dir.pathBytes();
        const QByteArray target = folder + "/a.txt";
        QCOMPARE(::chmod(folder.constData(), 0777), 0);
        QCOMPARE(::chmod(target.constData(), 0444), 0);
        const int rc = test::asUnprivileged([&] {
            env.messages.enqueue(AnswerYes);
            if (env.save(SaveOverwrite) != TextSaveResult::Saved)
                return 1;
            if (env.messages.log().size() != 1 || env.messages.log()[0].kind != ConfirmFileAttr)
                return 2;
            struct stat st;
            if (::stat(target.constData(), &st) != 0 || (st.st_mode & 0777) != 0444)
                return 3;
            return readAll(target) == "edited\n" ? 0 : 4;
        });
        if (rc == 250)
            QSKIP("could not drop to an ordinary user");
        QCOMPARE(rc, 0);
    }

    // Destinations the save as dialog is opened again for.
    void destinationRefused_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QString>("message");
        QTest::newRow("hidden file there") << "hidden" << hiddenDestinationText();
        QTest::newRow("hidden folder") << "hidden folder" << hiddenDestinationText();
        QTest::newRow("no room") << "full" << driveFullText(QStringLiteral("@"));
        QTest::newRow("fixed destination left") << "fixed" << fixedDestinationText();
        QTest::newRow("reserved name") << "reserved"
                                       << "入力された con.txt には\r\n\r\n名前の予約語が";
    }
    void destinationRefused()
    {
        QFETCH(QString, situation);
        QFETCH(QString, message);
        Env env;
        QString first = env.path(QStringLiteral("b.txt"));
        QString fixed;
        if (situation == u"hidden") {
            first = env.path(QStringLiteral(".b.txt")); // a dot name is hidden
            env.dir.writeFile(".b.txt", "x");
        } else if (situation == u"hidden folder") {
            env.dir.makeFolder(".h");
            first = env.path(QStringLiteral(".h/b.txt"));
        } else if (situation == u"full") {
            FakeVolumeSource::Volume v;
            v.mountPoint = env.path(QStringLiteral("other"));
            v.availableBytes = 3; // "edited\n" takes 7
            env.volumes.addVolume(v);
            first = env.path(QStringLiteral("other/b.txt"));
            message.replace(u'@', v.mountPoint);
        } else if (situation == u"reserved") {
            first = env.path(QStringLiteral("con.txt"));
        } else {
            fixed = env.folder();
            first = env.path(QStringLiteral("other/b.txt"));
        }
        env.host.dialogAnswers << first << env.path(QStringLiteral("c.txt"));
        QCOMPARE(env.save(SaveAs, fixed), TextSaveResult::Saved);
        QCOMPARE(env.messages.log().size(), 1);
        QVERIFY2(env.messages.texts()[0].startsWith(message), qPrintable(env.messages.texts()[0]));
        QCOMPARE(env.host.dialogs.size(), 2);
        if (!fixed.isEmpty()) {
            QCOMPARE(env.host.dialogs[0].folder, fixed);
            QCOMPARE(env.host.dialogs[1].folder, fixed);
        }
        QCOMPARE(env.bytes(QStringLiteral("c.txt")), QByteArray("edited\n"));
        QVERIFY(!QFileInfo::exists(first) || situation.startsWith(u"hidden"));
    }

    // A character the file's encoding cannot hold.
    void unencodable_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("save as UTF-8") << int(AnswerYes);
        QTest::newRow("cancel") << int(AnswerCancel);
    }
    void unencodable()
    {
        QFETCH(int, answer);
        Env env;
        FakeHost::Window& w = env.host.windows[0];
        w.format.encoding = TextEncoding::ShiftJis;
        w.format.newline = NewlineStyle::CrLf;
        w.text = QStringLiteral("漢字 \U0001F600\n");
        env.messages.enqueue({AnswerYes, qint16(answer)});
        const bool ok = answer == AnswerYes;
        QCOMPARE(env.save(SaveOverwrite), ok ? TextSaveResult::Saved : TextSaveResult::Cancelled);
        QCOMPARE(env.messages.log().size(), 2);
        QCOMPARE(env.messages.texts()[1],
                 encodingQuestion(env.path(QStringLiteral("a.txt")), QStringLiteral("Shift_JIS")));
        QCOMPARE(env.host.writes.size(), ok ? 2 : 1);
        QCOMPARE(env.bytes(QStringLiteral("a.txt")),
                 ok ? QStringLiteral("漢字 \U0001F600\r\n").toUtf8() : QByteArray("original\n"));
        QVERIFY(!env.bytes(QStringLiteral("a.txt")).contains('?'));
        QCOMPARE(w.facts.modified, !ok);
    }

    void checkUnsaved_data()
    {
        QTest::addColumn<bool>("newText");
        QTest::addColumn<bool>("displayOn");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<bool>("forgotten");
        QTest::newRow("yes, overwrite")
            << false << true << int(AnswerYes) << int(UnsavedOutcome::Saved) << false;
        QTest::newRow("no") << false << true << int(AnswerNo) << int(UnsavedOutcome::Discarded)
                            << true;
        QTest::newRow("no, new text")
            << true << true << int(AnswerNo) << int(UnsavedOutcome::Discarded) << false;
        QTest::newRow("yes, new text, display off")
            << true << false << int(AnswerYes) << int(UnsavedOutcome::Saved) << false;
    }
    void checkUnsaved()
    {
        QFETCH(bool, newText);
        QFETCH(bool, displayOn);
        QFETCH(int, answer);
        QFETCH(int, outcome);
        QFETCH(bool, forgotten);
        Env env;
        FakeHost::Window& w = env.host.windows[0];
        w.facts.newText = newText;
        w.facts.contentDisplayOn = displayOn;
        if (newText) {
            w.facts.shownPath.clear();
            w.hasStamp = false;
        }
        // The list's chosen item must not be what a save as writes.
        w.facts.chosenPath = env.path(QStringLiteral("chosen.dat"));
        env.host.dialogAnswers << env.path(QStringLiteral("n.txt"));
        env.messages.enqueue(qint16(answer));
        QCOMPARE(int(checkUnsavedText(env.context, 0)), outcome);
        const auto& asked = env.messages.log()[0];
        QCOMPARE(asked.text, unsavedQuestion(newText, newText));
        QCOMPARE(asked.caption, unsavedTitle());
        QCOMPARE(asked.flags & 7, quint32(ButtonsYesNo));
        QCOMPARE(env.messages.log().size(), 1); // no overwrite question after "yes"
        QCOMPARE(w.forgotten, forgotten);
        const QList<bool> switches = displayOn ? QList<bool>() : QList<bool>({true, false});
        QCOMPARE(w.contentSwitches, switches);
        const bool saved = outcome == int(UnsavedOutcome::Saved);
        QCOMPARE(w.facts.modified, !saved);
        if (saved) {
            const QString name = newText ? QStringLiteral("n.txt") : QStringLiteral("a.txt");
            QCOMPARE(env.bytes(name), QByteArray("edited\n"));
            QCOMPARE(w.facts.shownPath, env.path(name));
        }
        QCOMPARE(env.host.dialogs.size(), newText && answer == AnswerYes ? 1 : 0);
        // Nothing to ask the second time.
        env.messages.clearLog();
        if (saved || !newText) {
            w.facts.modified = false;
            QCOMPARE(checkUnsavedText(env.context, 0), UnsavedOutcome::NotModified);
            QVERIFY(env.messages.log().isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TextSaveTest)
#include "tst_textsave.moc"
