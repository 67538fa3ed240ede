#pragma once
// The search dialog: pattern box with its history, search place, the two
// result lists (one shown, one keeping the previous result for narrowing),
// the two check boxes, search, narrowing, end and cancel, and the jump back
// to a hit.

#include "app/dialog.h"
#include "search/filesearch.h"
#include "search/searchresultmodel.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace tovane {

class ProgressService;

struct SearchPlace {
    QStringList roots;   // folders with "/" at the end
    QString shownPlace;  // the search place as shown
    bool kilobytes = true;
    bool extended = true;       // an extended function mode
    QString archiveExtensions;  // " cab, lzh, zip," of the back ends found
    quint32 hiddenMask = 0;
    QString listFilter;
    std::array<int, 5> columnTwips{};
};

class DialogI : public QDialog {
    Q_OBJECT
public:
    DialogI(const SearchPlace& place, ProgressService& progress, QWidget* parent = nullptr);
    ~DialogI() override;

    // After the dialog closed: the jump that was asked for (folder with
    // "/" at the end, and the item's name), or an empty folder.
    QString jumpFolder() const { return m_jumpFolder; }
    QString jumpName() const { return m_jumpName; }
    // The column widths as the user left them (twips).
    std::array<int, 5> columnTwips() const;

    // Where it opens and how large: the remembered position and size.
    void setEnvironment(const DialogEnvironment& env) { m_env = env; }
    int exec() override;
    void done(int result) override;

    void search(bool narrowing);
    QComboBox* patternBox() const { return m_pattern; }
    QTreeView* shownList() const { return m_lists[m_shown]; }
    SearchResultModel& shownModel() { return m_models[m_shown]; }
    QLabel* resultLine() const { return m_resultLine; }
    QLabel* progressLine() const { return m_progressLine; }
    QCheckBox* option(int i) const { return m_options[i]; }
    void chooseHit(int row); // the double click on a name

    static QString hintText(bool extended);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void patternEdited(const QString& text);

    SearchPlace m_place;
    DialogEnvironment m_env;
    QSize m_designed;
    ProgressService& m_progress;
    QComboBox* m_pattern;
    QLineEdit* m_placeBox;
    QTreeView* m_lists[2];
    SearchResultModel m_models[2];
    int m_shown = 0;
    QCheckBox* m_options[2];
    QPushButton* m_buttons[4];
    QLabel* m_heading;
    QLabel* m_resultLine;
    QLabel* m_progressLine;
    bool m_running = false;
    bool m_fixing = false;
    QString m_jumpFolder;
    QString m_jumpName;
};

} // namespace tovane
