#pragma once
// The serial-number form: fixed part, digits, first number and step, the
// current and planned names, the check of the planned names against the
// folder, and the answers rename / skip this file / cancel.

#include "app/dialog.h"
#include "ops/serialnaming.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tovane {

class MessageService;

class DialogN : public QDialog {
    Q_OBJECT
public:
    enum Answer { Rename = 0, Skip = 1, Cancel = -10 };

    // `targets` are all files of the run, `entries` every name of the
    // folder, `k` the number the current file would take.
    DialogN(const SerialPlan& plan, const QStringList& targets, const QStringList& entries,
            int k, const QString& current, MessageService& messages, QWidget* parent = nullptr,
            const DialogEnvironment& env = {});

    int exec() override;
    void done(int result) override;

    int answer() const { return m_answer; }
    // The plan as checked when the user chose rename.
    const SerialPlan& plan() const { return m_plan; }
    bool perFile() const;
    void setPerFile(bool on);
    bool checkFirst() const;
    void setCheckFirst(bool on);

    // 入力確認: reads the fields, moves the numbers past existing names and
    // shows the result; false with the message when no free run is left.
    bool checkInput();

private:
    void numberEdited(int index);
    void showPlanned();
    SerialPlan fieldsPlan() const;

    QStringList m_targets;
    QStringList m_entries;
    int m_k;
    QString m_current;
    MessageService& m_messages;
    DialogEnvironment m_env;
    SerialPlan m_plan;
    bool m_checked = false;
    int m_answer = Cancel;
    bool m_filling = false;
    QLineEdit* m_fixed;
    QLineEdit* m_numbers[3];
    QLabel* m_ranges[3];
    QLineEdit* m_names[3];
    QCheckBox* m_options[2];
    QPushButton* m_buttons[4];
};

} // namespace tovane
