#pragma once
// The date and time form: which times change (creation, last write, last
// access date), the value typed once, its check, and the answers write /
// skip this item / cancel. The check box states last while the program runs.

#include "app/dialog.h"
#include "ops/timechange.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tovane {

class MessageService;

class DialogD : public QDialog {
    Q_OBJECT
public:
    DialogD(const QString& path, bool folder, const platform::FileTimes& current,
            MessageService& messages, const DialogEnvironment& env, QWidget* parent = nullptr);

    // Shows the form modally: 0 write (`request` filled), 1 skip, -10 cancel.
    static int ask(QWidget* parent, const QString& path, bool folder,
                   const platform::FileTimes& current, TimeRequest& request,
                   MessageService& messages, const DialogEnvironment& env);
    // "項目毎に このダイアログボックスを表示する" as last left.
    static bool perItem();

    int exec() override;
    void done(int result) override;

    int answer() const { return m_answer; }
    const TimeRequest& request() const { return m_request; }
    QLineEdit* field(int i) const { return m_fields[i]; }
    QCheckBox* option(int i) const { return m_checks[i]; }
    QPushButton* button(int i) const { return m_buttons[i]; }
    // 入力確認.
    bool checkInput();
    static QString dateText(qint64 nanoseconds, bool dateOnly);

private:
    void fieldEdited(int i);
    void updateButtons();

    MessageService& m_messages;
    DialogEnvironment m_env;
    TimeRequest m_request;
    int m_answer = -10;
    bool m_filling = false;
    bool m_checked = false;
    int m_designedWidth = 0;
    QLineEdit* m_fields[6];
    QCheckBox* m_checks[4];
    QLabel* m_dates[3];
    QPushButton* m_buttons[4];
};

} // namespace tovane
