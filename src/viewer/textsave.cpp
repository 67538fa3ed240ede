#include "viewer/textsave.h"

#include "core/messageservice.h"
#include "fs/namevalidation.h"
#include "fs/pathcheck.h"
#include "fs/pathrules.h"
#include "fs/volumesource.h"
#include "platform/fileops.h"
#include "platform/filesystem.h"

#include <QDateTime>

#include <cerrno>

namespace tovane {

TextSaveHost::~TextSaveHost() = default;

namespace {

constexpr quint32 ProtectedBits = AttrReadOnly | AttrHidden | AttrSystem;
constexpr quint32 SettableBits = AttrReadOnly | AttrHidden | AttrSystem | AttrArchive;

QDateTime localTimeOf(qint64 ns)
{
    return QDateTime::fromMSecsSinceEpoch(ns / 1000000).toLocalTime();
}

bool isRichTextName(const QString& name)
{
    return extensionOf(name).compare(QLatin1String("rtf"), Qt::CaseInsensitive) == 0;
}

class Saver {
public:
    Saver(TextSaveContext& context, const TextSaveOptions& options)
        : m_ctx(context), m_host(context.host), m_options(options), m_window(options.window)
    {
    }

    TextSaveResult run();

private:
    bool chooseDestination(const SavePlan& plan);
    // Steps after the dialog: false opens it again.
    bool destinationUsable(const QString& folder, const QString& name);
    bool confirm();
    int write();
    void refreshAfterSave();
    void reportError(int error);
    bool sameVolume(const QString& folder) { return volumeOf(folder) == m_destinationVolume; }
    QString volumeOf(const QString& path)
    {
        return m_ctx.volumes.mountPointOf(stripSeparator(path));
    }

    TextSaveContext& m_ctx;
    TextSaveHost& m_host;
    const TextSaveOptions& m_options;
    const WindowIndex m_window;
    SaveFacts m_facts;
    int m_mode = SaveOverwrite;
    bool m_textMode = true;
    QString m_source;
    ItemRecord m_sourceRecord;
    QString m_folder; // destination folder, with "/"
    QString m_name;
    QString m_destination;
    QString m_destinationVolume;
    bool m_utf8Instead = false;
    bool m_declinedUtf8 = false;
};

TextSaveResult Saver::run()
{
    m_ctx.checker.clearFailedDrives();
    m_facts = m_host.saveFacts(m_window);
    m_mode = m_options.mode == SaveAs ? SaveAs : SaveOverwrite;
    // A new text has no file to overwrite.
    if (m_mode == SaveOverwrite && m_facts.newText)
        m_mode = SaveAs;
    // Asked because the text would be lost: the text is what is saved, even
    // while the content display is off.
    if (m_options.fromUnsavedCheck)
        m_facts.contentDisplayOn = true;
    m_facts.mode = m_mode;
    m_facts.fixedDestination = m_mode == SaveAs ? m_options.fixedDestination : QString();

    const SavePlan plan = planSave(m_facts, m_host.categoryLists(), m_host.languageCaptions());
    m_textMode = plan.textMode;
    m_source = plan.source;
    if (m_source.isEmpty() && !(m_textMode && m_facts.newText))
        return TextSaveResult::Cancelled; // nothing shown, nothing chosen
    if (!m_textMode && platform::statPath(m_source, m_sourceRecord) != 0) {
        // Gone since it was listed: nothing to copy, and no fault of the drive.
        m_ctx.messages.showMessage(
            PathChecker::fileMissingText(parentOf(m_source), fileNameOf(m_source)), ButtonsOk,
            saveErrorTitle());
        return TextSaveResult::Failed;
    }

    if (m_mode == SaveAs) {
        if (!chooseDestination(plan))
            return TextSaveResult::Cancelled;
    } else {
        m_destination = m_source;
        m_folder = parentOf(m_source);
        m_name = fileNameOf(m_source);
    }
    m_destinationVolume = volumeOf(m_folder);

    if (!confirm())
        return TextSaveResult::Cancelled;

    const int error = write();
    if (m_declinedUtf8)
        return TextSaveResult::Cancelled;
    if (error != 0) {
        reportError(error);
        return TextSaveResult::Failed;
    }
    refreshAfterSave();
    return TextSaveResult::Saved;
}

bool Saver::chooseDestination(const SavePlan& plan)
{
    SaveDialogRequest request;
    request.title = saveAsDialogTitle();
    request.folder = plan.proposedFolder;
    request.name = plan.proposedName;
    request.filter = plan.filter;
    request.preselected = plan.preselected;
    for (;;) {
        QString chosen;
        if (!m_host.askSavePath(request, chosen))
            return false;
        chosen = lexicalPath(m_facts.homeFolder, chosen);
        const QString folder = parentOf(chosen);
        const QString name = fileNameOf(chosen);
        // Opened again where the user left it.
        request.folder = folder;
        request.name = name;
        if (!name.isEmpty() && destinationUsable(folder, name)) {
            m_folder = folder;
            m_name = name;
            m_destination = folder + name;
            return true;
        }
        if (!m_facts.fixedDestination.isEmpty())
            request.folder = addSeparator(m_facts.fixedDestination);
    }
}

bool Saver::destinationUsable(const QString& folder, const QString& name)
{
    MessageService& messages = m_ctx.messages;
    // Whatever the lists leave out: the saved file could not be seen there.
    const quint32 hidden =
        m_host.hiddenMask() & (AttrReadOnly | AttrHidden | AttrSystem | AttrCompressed);
    ItemRecord record;
    const bool folderHidden =
        platform::statPath(stripSeparator(folder), record) == 0 && (record.attributes & hidden);
    const bool fileHidden =
        platform::statPath(folder + name, record) == 0 && (record.attributes & hidden);
    if (folderHidden || fileHidden) {
        messages.showMessage(hiddenDestinationText(), ButtonsOk, saveAsTitle());
        return false;
    }

    if (m_ctx.checker.checkPath(m_window, folder, QString(), true) != CheckAvailable)
        return false;
    const qint64 bytes = m_textMode ? m_host.shownTextBytes(m_window, isRichTextName(name))
                                    : qint64(m_sourceRecord.size);
    const QString volume = volumeOf(folder);
    platform::VolumeSpace space;
    if (m_ctx.volumes.volumeSpace(volume, space) == 0 && space.availableBytes < double(bytes)) {
        messages.showMessage(driveFullText(volume), ButtonsOk, saveAsTitle());
        return false;
    }

    if (!m_facts.fixedDestination.isEmpty() &&
        addSeparator(folder) != addSeparator(m_facts.fixedDestination)) {
        messages.showMessage(fixedDestinationText(), ButtonsOk, saveAsTitle());
        return false;
    }

    NameCheckContext names;
    names.messages = &messages;
    names.editingNewText = m_facts.newText;
    return validateName(names, QString(), name, QString(), saveAsDialogTitle(), NameKindPlain,
                        false, true) == NameValid;
}

bool Saver::confirm()
{
    MessageService& messages = m_ctx.messages;
    ItemRecord there;
    const bool exists = platform::statPath(m_destination, there) == 0;
    const quint32 bits = exists ? there.attributes & ProtectedBits : 0;
    if (bits) {
        DialogRequest request;
        request.attributeMask = quint16(bits);
        request.title = m_mode == SaveOverwrite ? overwriteTitle() : saveAsTitle();
        if (m_mode == SaveOverwrite) {
            request.kind = ConfirmFileAttr;
            request.text = m_destination;
        } else {
            request.kind = ConfirmOverwriteAttr;
            request.folder = m_folder;
            request.text = there.name;
            request.sourceSize =
                m_textMode ? double(m_host.shownTextBytes(m_window, isRichTextName(m_name)))
                           : double(m_sourceRecord.size);
            request.sourceTime =
                m_textMode ? QDateTime::currentDateTime() : localTimeOf(m_sourceRecord.writeTime);
            request.destinationSize = double(there.size);
            request.destinationTime = localTimeOf(there.writeTime);
        }
        const qint16 answer = messages.confirm(request, false);
        if (answer != AnswerYes && answer != AnswerYesAll)
            return false;
    }

    // Someone else's change to the shown file is never overwritten unasked.
    platform::FileStamp shown;
    platform::FileStamp now;
    const bool changed = m_textMode && exists && m_destination == m_facts.shownPath &&
                         !m_facts.newText && m_host.shownStamp(m_window, shown) &&
                         platform::fileStamp(m_destination, now) == 0 &&
                         (now.size != shown.size || now.writeTime != shown.writeTime);
    int answer = MsgCancel;
    if (changed) {
        messages.showMessage(changedOnDiskQuestion(m_destination),
                             ButtonsOkCancel | FocusSecondButton, overwriteTitle(), true, answer);
        return answer == MsgOk;
    }
    if (!bits && m_mode == SaveOverwrite && !m_options.fromUnsavedCheck) {
        messages.showMessage(overwriteQuestion(m_destination, messages.confirmationMessages()),
                             ButtonsOkCancel, overwriteTitle(), true, answer);
        return answer == MsgOk;
    }
    return true;
}

int Saver::write()
{
    if (m_textMode) {
        TextWriteRequest request;
        request.path = m_destination;
        request.richText = isRichTextName(m_name);
        int error = m_host.writeShownText(m_window, request);
        if (error == EILSEQ && !request.richText) {
            int answer = MsgCancel;
            m_ctx.messages.showMessage(
                encodingQuestion(m_destination, m_host.shownEncodingName(m_window)),
                ButtonsOkCancel, saveErrorTitle(), true, answer);
            if (answer != MsgOk) {
                m_declinedUtf8 = true;
                return 0;
            }
            request.utf8Instead = true;
            m_utf8Instead = true;
            error = m_host.writeShownText(m_window, request);
        }
        return error;
    }

    ItemRecord there;
    // The chosen file itself: nothing to copy, only the mark of a new copy.
    const bool itself =
        platform::statPath(m_destination, there) == 0 && there.sameItemAs(m_sourceRecord);
    if (!itself) {
        platform::CopyOptions options;
        options.replaceExisting = true;
        if (const int error = platform::copyFile(m_source, m_destination, options))
            return error;
    }
    if (!m_sourceRecord.isSymlink)
        platform::setAttributes(m_destination,
                                (m_sourceRecord.attributes & SettableBits) | AttrArchive);
    return 0;
}

void Saver::refreshAfterSave()
{
    if (m_textMode) {
        platform::FileStamp stamp;
        platform::fileStamp(m_destination, stamp);
        m_host.textSaved(m_window, m_destination, stamp, m_utf8Instead);
    }
    ItemRecord record;
    const bool found = platform::statPath(m_destination, record) == 0;
    for (WindowIndex w : {LeftWindow, RightWindow}) {
        const QString folder = m_host.folderPath(w);
        if (folder.isEmpty())
            continue;
        if (found && addSeparator(folder) == m_folder) {
            const bool shown = m_host.saveFacts(w).shownPath == m_destination;
            m_host.listItemSaved(w, record, shown);
        } else if (sameVolume(folder)) {
            m_host.refreshWindowPath(w);
        }
    }
}

void Saver::reportError(int error)
{
    bool writeProtected = false;
    const QString text = saveErrorText(m_destination, error, writeProtected);
    m_ctx.messages.showMessage(text, ButtonsOk, saveErrorTitle());
    if (!writeProtected)
        return;
    for (WindowIndex w : {LeftWindow, RightWindow}) {
        const QString folder = m_host.folderPath(w);
        if (!folder.isEmpty() && sameVolume(folder))
            m_host.clearDriveWritable(w);
    }
}

} // namespace

TextSaveResult textSave(TextSaveContext& context, const TextSaveOptions& options)
{
    Saver saver(context, options);
    return saver.run();
}

UnsavedOutcome checkUnsavedText(TextSaveContext& context, WindowIndex window)
{
    TextSaveHost& host = context.host;
    const SaveFacts facts = host.saveFacts(window);
    if (!facts.modified)
        return UnsavedOutcome::NotModified;
    const bool saveAs =
        saveAsNeeded(facts.newText, facts.locationProtected, facts.driveFull, facts.driveWritable);
    const bool switchOn = !facts.contentDisplayOn;
    if (switchOn)
        host.setContentShownTemporarily(window, true);
    int answer = MsgNo;
    context.messages.showMessage(unsavedQuestion(facts.newText, saveAs), ButtonsYesNo,
                                 unsavedTitle(), true, answer);
    if (switchOn)
        host.setContentShownTemporarily(window, false);

    if (answer == MsgYes) {
        TextSaveOptions options;
        options.mode = saveAs ? SaveAs : SaveOverwrite;
        options.window = window;
        options.fromUnsavedCheck = true;
        return textSave(context, options) == TextSaveResult::Saved ? UnsavedOutcome::Saved
                                                                   : UnsavedOutcome::NotSaved;
    }
    if (!saveAs)
        host.forgetShownPath(window);
    return UnsavedOutcome::Discarded;
}

int checkUnsaved(TextSaveContext& context, WindowIndex window)
{
    const UnsavedOutcome outcome = checkUnsavedText(context, window);
    return outcome == UnsavedOutcome::Saved || outcome == UnsavedOutcome::NotSaved ? 1 : 0;
}

} // namespace tovane
