#pragma once
// The text input dialog: a prompt, one text box, "Ｏ Ｋ" and "キャンセル".
// Single-line use (a folder name, a rotation angle) keeps the box one line
// high; multi-line use (long extension lists) lets the user change the box
// height, which is remembered for the next time.

#include "app/dialog.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tovane {

class DialogT : public QDialog {
    Q_OBJECT
public:
    static QString cancelAnswer(); // "</:CANCEL:/>"
    static QString angleTitle();   // "回転角度の入力": input limited to 4 characters

    DialogT(const QString& title, const QString& prompt, const QString& defaultText,
            bool singleLine, const DialogEnvironment& env, QWidget* parent = nullptr);
    ~DialogT() override;

    // Asks modally: the entered text without its line breaks, or
    // cancelAnswer() when the dialog was cancelled or closed.
    static QString ask(QWidget* parent, const QString& title, const QString& prompt,
                       const QString& defaultText, bool singleLine, const DialogEnvironment& state);

    int exec() override;
    void open() override;

    QString answer() const { return m_answer; }
    bool singleLine() const { return m_singleLine; }
    int maxLength() const { return m_maxLength; } // 0: no limit
    QWidget* textBox() const;
    int designedBoxHeight() const { return m_designedBoxHeight; }

public Q_SLOTS:
    void done(int result) override;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QString boxText() const;
    void limitLength();
    void place();
    void unload();
    bool handleCtrlKey(QKeyEvent* event);

    DialogEnvironment m_env;
    ScreenMetrics m_metrics;
    bool m_singleLine;
    int m_maxLength = 0;
    int m_designedBoxHeight = 0;
    QString m_answer;
    QLabel* m_labelT1 = nullptr;
    QLabel* m_labelT2 = nullptr;
    QLineEdit* m_line = nullptr;
    QPlainTextEdit* m_box = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    bool m_placed = false;
    bool m_shown = false;
    bool m_unloaded = false;
};

} // namespace tovane
