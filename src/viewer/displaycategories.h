#pragma once
// The display-extension categories: which viewer a file's extension selects,
// the sets derived from the lists, and the editing of one list through the
// text input dialog (the answer's checks and the texts around it).
//
// Lists are kept as runs of " ext," (lower case); membership is a search for
// " " + ext + ",", so " c," never matches inside " dsp,".

#include <QString>

#include <array>

namespace tovane {

class MessageService;

inline constexpr int CategoryListCount = 18;
using CategoryLists = std::array<QString, CategoryListCount>;
inline constexpr int LanguageCount = 10;
using LanguageCaptions = std::array<QString, LanguageCount>;

enum ContentCategory : int {
    CategoryNone = -1,
    CategoryArchive = 0,
    CategoryImage = 1,
    CategoryRichText = 2,
    CategoryPlainText = 3, // 3 and 4 plain text, 5-14 program languages
    CategoryFirstLanguage = 5,
    CategoryLastLanguage = 14,
    CategoryListFilter = 15,
    CategoryImageAggregation = 16,
    CategorySerialNumbering = 17,
};

// The smallest category 0..highest (14 in an extended function mode, 4 in
// the basic one) whose list holds the name's extension; CategoryNone for a
// name without one.
int categoryOf(const CategoryLists& lists, const QString& fileName, bool extendedMode);
bool isTextCategory(int category); // 2-14

// Lists 1-4 and 17 joined without duplicates, in list form.
QString serialNumberingSet(const CategoryLists& lists);

// The length limit of a list: 250, 1500 for lists 16 and 17.
int categoryLimit(int index);

// The menu caption of list 0-14 (`languages` for 5-14).
QString categoryCaption(int index, const LanguageCaptions& languages);
// "リスト", "イメージ集約", "連番付け", or the caption before its "(&"; "表示"
// follows for lists up to 15.
QString categoryName(int index, const LanguageCaptions& languages);
QString categoryEditTitle(int index, const LanguageCaptions& languages);
// The prompt of the text input dialog; `archiveSet` is the archive
// extension set (" cab, lzh,").
QString categoryEditPrompt(int index, const QString& archiveSet);
// The text offered for editing: the list, or for 5-14 caption + " ／" + list.
QString categoryEditText(int index, const QString& list, const LanguageCaptions& languages);

struct CategoryAnswer {
    bool reset = false; // a language entry goes back to "・" with no list
    QString caption;    // 5-14: the new caption
    QString list;       // the new list in list form ("" when empty)
};

// Checks an answer of the dialog. A failure shows its message (titled
// `title`) and returns false: the dialog opens again with the user's text.
bool parseCategoryAnswer(int index, const QString& answer, const LanguageCaptions& languages,
                         const QString& archiveSet, MessageService& messages, const QString& title,
                         CategoryAnswer& out);

// The question before a language entry is reset, and the report after a
// list was stored (both only with confirmation messages on).
QString categoryResetQuestion(int index, const LanguageCaptions& languages, bool captionBecomesDot);
QString categoryStoredText(int index, const QString& oldCaption, const QString& newCaption,
                           const QString& list);

// The same-extension state of a window, fed with the names of its files.
// It settles on "/" as soon as two kinds of extension (or one that is not a
// serial-numbering extension) were seen.
class SameExtension {
public:
    void reset() { m_state.clear(); }
    void feed(const QString& name, const QString& serialSet);
    bool settled() const { return m_state == QLatin1String("/"); }
    // True while every file fed so far has one serial-numbering extension
    // and the window holds more than one file.
    bool holds(int fileCount) const;
    QString state() const { return m_state; }

private:
    QString m_state;
};

} // namespace tovane
