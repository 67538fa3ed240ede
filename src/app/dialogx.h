#pragma once
// 拡張子関連付け: the association table's editor. The rules live in
// AssociationEditor; this form shows the three boxes and seven buttons, asks
// for a program file, and runs the path search with its questions.
//
// GUI thread only.

#include "app/dialog.h"
#include "programs/associations.h"
#include "programs/programsearch.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QLabel;
class QPushButton;

namespace tovane {

class MessageService;

class DialogX : public QDialog, private ProgramSearchHost {
    Q_OBJECT
public:
    DialogX(QList<Association>& table, MessageService& messages, bool confirmMessages,
            const DialogEnvironment& env, QWidget* parent = nullptr);
    ~DialogX() override;

    int exec() override;

    QComboBox* combo(int i) const { return m_combos[i]; }
    QPushButton* button(int i) const { return m_buttons[i]; }
    AssociationEditor& editor() { return m_editor; }

    // The file dialog (title, preset name) -> the chosen path or the preset;
    // tests answer without a window.
    std::function<QString(const QString& title, const QString& preset)> chooseFile;

    static QString fileDialogTitle(const QString& extension);
    static QString fileDialogPreset();

    void selectFile();   // CmndBtn 3
    void searchPath();   // CmndBtn 4
    void cancelSearch(); // CmndBtn 5

public Q_SLOTS:
    void done(int result) override;
    void reject() override;

private:
    void extensionEdited(const QString& text);
    void applicationEdited(const QString& text);
    void showEntry();
    void refreshLists();
    void updateButtons();
    void command(int which);
    QString askExecutable(const QString& title, const QString& preset);

    // ProgramSearchHost
    void showFolder(const QString& folder) override;
    int offer(const QString& folder, const QString& name) override;
    bool stopRequested() override;

    AssociationEditor m_editor;
    MessageService& m_messages;
    bool m_confirm;
    DialogEnvironment m_env;
    QComboBox* m_combos[3] = {};
    QPushButton* m_buttons[7] = {};
    bool m_fixing = false;
    bool m_searching = false;
    bool m_stop = false;
    int m_designedWidth = 0;
};

} // namespace tovane
