#pragma once
// The association table's rules and its editor without widgets: the size
// bookkeeping and limits, the live corrections of the extension and
// application boxes, the name list, the buttons' states, and add, change and
// delete with their questions. The table is the settings' own list, changed
// in place so that the next launch sees it at once.
//
// GUI thread only.

#include "core/appsettings.h"

#include <QStringList>

namespace tovane {

class MessageService;

inline constexpr int AssociationSizeLimit = 8032;
inline constexpr int AssociationExtensionChars = 10;
inline constexpr int AssociationApplicationChars = 50;
inline constexpr int UnsetAssociationShare = 150;

// What one entry adds to the table size: its bytes (classic code page) + 2,
// or 150 while it has no application.
int associationShare(const Association& entry);
int associationTableSize(const QList<Association>& table);

// The program of the first entry for `extension` that has one (cut before
// the comment, trimmed), else empty.
QString programForExtension(const QList<Association>& table, const QString& extension);

// Live corrections of the typed texts.
QString correctedExtension(const QString& typed);
bool extensionTextValid(const QString& text); // not empty, no trailing blank
QString correctedApplication(const QString& typed);

// Two name-list texts name the same program when their parts before the
// first "'", trimmed and lower-cased, are equal; the newer replaces the older.
QString programNameKey(const QString& text);
void addProgramName(QStringList& names, const QString& text);

// Any entry with an extension but no application: closing asks first.
bool hasUnsetEntry(const QList<Association>& table);
QString unsetEntryQuestion();

enum AssociationCommand : int { AssociationAdd = 0, AssociationChange = 1, AssociationDelete = 2 };
QString associationCaption(int command); // "拡張子追加(&A)", ...
QString associationQuestion(int command, const QString& typed, const QString& current,
                            bool confirmMessages);

// The split of an application text into its file name, folder and comment.
struct ApplicationParts {
    QString folder; // with "/" at the end, or empty
    QString name;
    QString comment; // from the apostrophe on
};
ApplicationParts splitApplication(const QString& application);

class AssociationEditor {
public:
    AssociationEditor(QList<Association>& table, MessageService& messages, bool confirmMessages);

    // Load: the extension list, the name list and the first entry current.
    void load();
    const QStringList& extensions() const { return m_extensions; }
    const QStringList& names() const { return m_names; }
    // Index into the table of the entry shown, -1 without one.
    int current() const { return m_current; }
    void setCurrent(int index);
    QString currentExtension() const;
    QString currentApplication() const;
    int size() const { return associationTableSize(m_table); }

    struct Buttons {
        bool add = false;
        bool change = false;
        bool remove = false;
    };
    Buttons buttonsFor(const QString& typed) const;

    // Each asks first; false when the user cancelled or the button's state
    // does not allow it.
    bool add(const QString& typed);
    bool change(const QString& typed);
    bool remove(const QString& typed);

    // The current entry's application set by the file dialog or the search.
    void setApplication(const QString& application);
    // The close check: false keeps the editor open.
    bool closeAllowed();

private:
    bool ask(int command, const QString& typed);

    QList<Association>& m_table;
    MessageService& m_messages;
    bool m_confirm;
    QStringList m_extensions;
    QStringList m_names;
    int m_current = -1;
};

} // namespace tovane
