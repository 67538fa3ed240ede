#pragma once
// The message/question service: every message and question of the system goes
// through it. The engines call it synchronously on the UI thread (never via a
// queued signal); the GUI, the command-line front end and the tests each
// provide an implementation of `present`.

#include <QDateTime>
#include <QString>
#include <QtGlobal>

namespace tovane {

// Answer codes a presented request leaves behind.
enum AnswerCode : qint16 {
    AnswerYes = 0,
    AnswerYesAll = 1,
    AnswerNo = 2,
    AnswerCancel = 3,
    AnswerNoAll = 4,
};

// Confirmation kinds (units digit of DialogRequest::kind).
enum ConfirmKind : qint16 {
    ConfirmOverwrite = 1,
    ConfirmOverwriteAttr = 2,
    ConfirmDestAttr = 3,
    ConfirmFileAttr = 4,
    ConfirmFolderAttr = 5,
    ConfirmItemAttr = 6,
};
constexpr qint16 ConfirmForAll = 10; // added to a kind to offer the answers for all items

// Button sets of plain messages (flags bits 0-2).
enum ButtonSet : quint32 {
    ButtonsOk = 0,
    ButtonsOkCancel = 1,
    ButtonsYesNoCancel = 3,
    ButtonsYesNo = 4,
};
constexpr quint32 FocusSecondButton = 256; // flags bit 8

// Answers written back by showMessage (the classic message-box values).
enum MessageAnswer : int { MsgOk = 1, MsgCancel = 2, MsgYes = 6, MsgNo = 7 };

struct DialogRequest {
    qint16 kind = 0;           // before: 0 plain, else kind (+10); after: the answer code
    quint16 attributeMask = 0; // 1 read-only, 2 hidden, 4 system
    quint32 flags = 0;         // plain messages: button set | FocusSecondButton
    QString text;              // plain: the message; confirmations: the item name
    QString prefix;            // overwrite kinds: optional line before the question
    QString folder;
    QString title;
    double sourceSize = 0;
    double destinationSize = 0;
    QDateTime sourceTime; // local time
    QDateTime destinationTime;
};

// The presentation facts a front end needs, derived from a request.
struct DialogLayout {
    bool valid = true; // false: invalid kind, answered AnswerCancel unseen
    bool confirmation = false;
    bool allAnswers = false; // tens digit 1: "すべて" answers and the Shift hint
    int units = 0;
    QString caption; // window title
    QString message; // the text of Label1
    QString hint;    // Label2
    bool showYes = true, showNo = false, showCancel = false;
    QString yesCaption, noCaption, cancelCaption; // normal captions
    QString yesAllCaption, noAllCaption;          // captions of buttons 0 and 1 while Shift is held
    int buttonSet = 0;                            // plain messages: flags bits 0-2
    int escapeButton = 0;                         // 0 yes, 1 no, 2 cancel: the one Esc presses
    int focusButton = 0;                          // initial focus
    bool focusNoLater = false; // bit 8: move the focus to "いいえ" one tick after showing
    int rememberedSlot = 7;    // 0 confirmations, 7 plain messages

    // Captions of buttons 0 and 1 for the Shift state: only the all-answers
    // mode switches them.
    QString yesCaptionFor(bool shiftHeld) const
    {
        return allAnswers && shiftHeld ? yesAllCaption : yesCaption;
    }
    QString noCaptionFor(bool shiftHeld) const
    {
        return allAnswers && shiftHeld ? noAllCaption : noCaption;
    }
};

// Builds the caption, message text (confirmation texts included), buttons and
// focus of a request, exactly as the dialog shows them. `defaultTitle` stands
// in for an empty title of a plain message (the executable's base name).
DialogLayout layoutFor(const DialogRequest& request,
                       const QString& defaultTitle = QStringLiteral("tovane"));

// The answer code of a button press: button 0/1/2, with Shift held (also
// outside the all-answers mode). Any other button (close box) is AnswerCancel.
qint16 answerForButton(int button, bool shiftHeld);

// Maps an answer code to the value showMessage writes back; returns false for
// AnswerNoAll (and codes outside 0-4), which write nothing.
bool messageAnswerFor(qint16 answerCode, quint32 flags, int& answer);

class MessageService {
public:
    virtual ~MessageService();

    // Plain message. Returns the answer code. When wantAnswer is set, `answer`
    // receives MsgOk/MsgCancel/MsgYes/MsgNo (unchanged for AnswerNoAll).
    qint16 showMessage(const QString& text, quint32 flags, const QString& title, bool wantAnswer,
                       int& answer);
    qint16 showMessage(const QString& text, quint32 flags = ButtonsOk,
                       const QString& title = QString());

    // Confirmation request: takes AnswerCancel without showing anything when
    // `interruptPending` is set or the kind is invalid; otherwise presents it.
    // The answer code is returned and also left in request.kind.
    qint16 confirm(DialogRequest& request, bool interruptPending);

    // "確認メッセージ" 必要 (true) / 不要 (false): whether informational messages
    // and skip notices are shown. Questions that decide what happens are
    // always asked.
    bool confirmationMessages() const { return m_confirmationMessages; }
    void setConfirmationMessages(bool on) { m_confirmationMessages = on; }

    QString defaultTitle() const { return m_defaultTitle; }

    // A message or question is on screen now (its answer is awaited).
    bool presenting() const { return m_presenting > 0; }
    void setDefaultTitle(const QString& title) { m_defaultTitle = title; }

protected:
    // Shows the request (kind 0: plain message; else a valid confirmation kind)
    // and returns the answer code. A code outside 0-4 is taken as AnswerCancel.
    virtual qint16 present(DialogRequest& request) = 0;

private:
    qint16 presentCounted(DialogRequest& request);

    int m_presenting = 0;
    bool m_confirmationMessages = true;
    QString m_defaultTitle = QStringLiteral("tovane");
};

} // namespace tovane
