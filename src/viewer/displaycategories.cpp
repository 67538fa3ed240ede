#include "viewer/displaycategories.h"

#include "core/messageservice.h"
#include "fs/namevalidation.h"
#include "fs/pathrules.h"

namespace tovane {

namespace {

const QString crlf = QStringLiteral("\r\n");
constexpr int MaxCaptionLength = 20;

QString entryKey(const QString& extension)
{
    return QLatin1Char(' ') + extension + QLatin1Char(',');
}

QStringList entriesOf(const QString& list)
{
    QStringList entries;
    for (QStringView item : QStringView(list).split(u',', Qt::SkipEmptyParts)) {
        const QStringView e = item.trimmed();
        if (!e.isEmpty())
            entries.append(e.toString());
    }
    return entries;
}

// " cab, lzh," -> "cab, lzh"
QString shownList(const QString& list)
{
    QString s = list.trimmed();
    if (s.endsWith(u','))
        s.chop(1);
    return s;
}

// The part of a caption before its access key, when the key stands at the
// third character or later.
QString captionTitle(const QString& caption)
{
    const qsizetype at = caption.indexOf(QLatin1String("(&"));
    return at >= 2 ? caption.left(at) : caption;
}

bool isAsciiLetterOrDigit(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z');
}

} // namespace

int categoryOf(const CategoryLists& lists, const QString& fileName, bool extendedMode)
{
    const QString extension = extensionOf(fileName).toLower();
    // A blank or comma would let the search match across two entries.
    if (extension.isEmpty() || extension.contains(u' ') || extension.contains(u','))
        return CategoryNone;
    const QString key = entryKey(extension);
    // The program languages belong to the extended function modes.
    const int highest = extendedMode ? int(CategoryLastLanguage) : CategoryFirstLanguage - 1;
    for (int i = 0; i <= highest; ++i) {
        if (lists[size_t(i)].contains(key))
            return i;
    }
    return CategoryNone;
}

bool isTextCategory(int category)
{
    return category >= CategoryRichText && category <= CategoryLastLanguage;
}

QString serialNumberingSet(const CategoryLists& lists)
{
    QString set;
    for (const int i : {1, 2, 3, 4, 17}) {
        for (const QString& e : entriesOf(lists[size_t(i)])) {
            if (!set.contains(entryKey(e)))
                set += entryKey(e);
        }
    }
    return set;
}

int categoryLimit(int index)
{
    return index >= CategoryImageAggregation ? 1500 : 250;
}

QString categoryCaption(int index, const LanguageCaptions& languages)
{
    static const char* const fixed[] = {"書庫(&A)", "イメージ(&I)", "テキスト1(RTF)(&-)",
                                        "テキスト2(一般)(&T)", "テキスト3(その他)(&U)"};
    if (index >= 0 && index < CategoryFirstLanguage)
        return QString::fromUtf8(fixed[index]);
    if (index >= CategoryFirstLanguage && index <= CategoryLastLanguage)
        return languages[size_t(index - CategoryFirstLanguage)];
    return QString();
}

QString categoryName(int index, const LanguageCaptions& languages)
{
    QString name;
    switch (index) {
    case CategoryListFilter:
        name = QStringLiteral("リスト");
        break;
    case CategoryImageAggregation:
        return QStringLiteral("イメージ集約");
    case CategorySerialNumbering:
        return QStringLiteral("連番付け");
    default:
        name = captionTitle(categoryCaption(index, languages));
        break;
    }
    return name + QStringLiteral("表示");
}

QString categoryEditTitle(int index, const LanguageCaptions& languages)
{
    return categoryName(index, languages) + QStringLiteral("対象拡張子の変更入力");
}

QString categoryEditPrompt(int index, const QString& archiveSet)
{
    const bool language = index >= CategoryFirstLanguage && index <= CategoryLastLanguage;
    QString prompt;
    if (language)
        prompt = QStringLiteral("メニュー名も変更でき、拡張子リストとの区切りは ／ です。") + crlf +
                 QStringLiteral("　（ メニュー名は ") + QString::number(MaxCaptionLength) +
                 QStringLiteral(" 文字以内、 ／ は全角です。）") + crlf +
                 QStringLiteral("メニュー名をクリアするには、全データをクリアします。") + crlf +
                 crlf + QStringLiteral("アクセスキーは（ ）内に、&& に続けて英数字を入力します。") +
                 crlf + QStringLiteral("　 （ （ ）、&&、英数字は半角です。）") + crlf +
                 QStringLiteral("  ） と ／ の間に入力した文字は無視されます。") + crlf +
                 QStringLiteral("拡張子リストは ／ の右側を変更します。") + crlf + crlf;
    switch (index) {
    case CategoryArchive:
        prompt +=
            QStringLiteral("解凍処理用 DLL がインストールされている") + crlf +
            shownList(archiveSet) + crlf +
            (entriesOf(archiveSet).size() > 1 ? QStringLiteral("の中にある拡張子") : QString()) +
            QStringLiteral("だけを入力できます。") + crlf + crlf;
        break;
    case CategoryListFilter:
        prompt += QStringLiteral("拡張子リストをクリアすると") + crlf +
                  QStringLiteral("すべてのファイルとフォルダを表示します。") + crlf + crlf;
        break;
    case CategoryImageAggregation:
        prompt += QStringLiteral("拡張子リストの変更は、完全には") + crlf +
                  QStringLiteral("次のファイラ起動時以降に反映されます。") + crlf + crlf;
        break;
    case CategorySerialNumbering:
        prompt += QStringLiteral("イメージとテキスト１～３の内容表示拡張子に") + crlf +
                  QStringLiteral("ここで入力した拡張子を追加したものが") + crlf +
                  QStringLiteral("連番付けの対象拡張子として扱われます。") + crlf + crlf;
        break;
    default:
        break;
    }
    prompt += QStringLiteral("拡張子間の区切りは ,(カンマ)で、スペースを併用できます。") + crlf +
              QStringLiteral("＜リストはカンマとスペースを含めて ") +
              QString::number(categoryLimit(index)) + QStringLiteral(" 文字以内です。＞") + crlf +
              crlf + QStringLiteral("同一拡張子は集約されます。") + crlf + crlf +
              QStringLiteral("拡張子リストをクリアするには、") +
              (language ? QStringLiteral("／ の右側に対して") : QString()) + crlf +
              QStringLiteral("スペースだけを入力するか、データをクリアします。");
    return prompt;
}

QString categoryEditText(int index, const QString& list, const LanguageCaptions& languages)
{
    const QString shown = list.trimmed();
    if (index >= CategoryFirstLanguage && index <= CategoryLastLanguage)
        return categoryCaption(index, languages) + QStringLiteral(" ／") + list;
    return shown;
}

bool parseCategoryAnswer(int index, const QString& answer, const LanguageCaptions& languages,
                         const QString& archiveSet, MessageService& messages, const QString& title,
                         CategoryAnswer& out)
{
    out = CategoryAnswer();
    const auto fail = [&](const QString& text) {
        messages.showMessage(text, ButtonsOk, title);
        return false;
    };
    const QString trimmed = answer.trimmed();
    const QString narrow = narrowWidth(trimmed);
    QString listText;
    if (index >= CategoryFirstLanguage && index <= CategoryLastLanguage) {
        if (narrow.isEmpty() || narrow == QStringLiteral("･ /") ||
            narrow == QStringLiteral("・ /")) {
            out.reset = true;
            out.caption = QStringLiteral("・");
            return true;
        }
        const qsizetype slash = trimmed.indexOf(QStringLiteral("／"));
        if (slash < 0)
            return fail(QStringLiteral("メニュー名と拡張子リストを区切る ／ がありません。") +
                        crlf + QStringLiteral("／ は全角文字でなければなりません。"));
        QString caption = narrow.left(slash).trimmed();
        const qsizetype key = caption.indexOf(QLatin1String("(&"));
        if (key < 0)
            return fail(QStringLiteral("アクセスキー前置文字 (& がありません。"));
        if (caption.left(key).trimmed().isEmpty())
            return fail(QStringLiteral("(& の前に文字がありません。"));
        if (key + 2 >= caption.size() || !isAsciiLetterOrDigit(caption.at(key + 2)))
            return fail(QStringLiteral("アクセスキー文字が英数字ではありません。"));
        if (key + 3 >= caption.size() || caption.at(key + 3) != u')')
            return fail(QStringLiteral("アクセスキーの後が ) ではありません。"));
        caption.truncate(key + 4);
        if (caption.size() > MaxCaptionLength)
            return fail(QStringLiteral("メニュー名が ") + QString::number(MaxCaptionLength) +
                        QStringLiteral(" 文字を超えています。"));
        const QString before = caption.left(key);
        for (int other = CategoryFirstLanguage; other <= CategoryLastLanguage; ++other) {
            const QString theirs = languages[size_t(other - CategoryFirstLanguage)];
            const qsizetype at = theirs.indexOf(QLatin1String("(&"));
            if (other != index && at >= 0 && theirs.left(at) == before)
                return fail(QStringLiteral("他のサブメニューに同じタイトルがあります。"));
        }
        out.caption = caption;
        listText = narrow.mid(slash + 1).trimmed().toLower();
    } else {
        listText = narrow.toLower();
    }

    QString list;
    for (QStringView piece : QStringView(listText).split(u',')) {
        const QString e = piece.trimmed().toString();
        if (e.isEmpty())
            continue;
        NameCheckContext context;
        context.messages = &messages;
        if (validateName(context, QString(), e, QString(), title, NameKindExtension, false, true) !=
            NameValid)
            return false;
        if (index == CategoryArchive && !archiveSet.contains(entryKey(e)))
            return fail(QStringLiteral("解凍書庫対象外の拡張子があります。"));
        if (!list.contains(entryKey(e)))
            list += entryKey(e);
    }
    if (list.size() > categoryLimit(index))
        return fail(QStringLiteral("拡張子文字列が ") + QString::number(categoryLimit(index)) +
                    QStringLiteral(" 文字を超えています。"));
    out.list = list;
    return true;
}

QString categoryResetQuestion(int index, const LanguageCaptions& languages, bool captionBecomesDot)
{
    return categoryName(index, languages) + QStringLiteral("の") + crlf + crlf +
           (captionBecomesDot ? QStringLiteral("メニュー名を ・ にして") + crlf + crlf
                              : QString()) +
           QStringLiteral("リストをクリアします。");
}

QString categoryStoredText(int index, const QString& oldCaption, const QString& newCaption,
                           const QString& list)
{
    QString text;
    if (oldCaption != newCaption)
        text = oldCaption + QStringLiteral(" のメニュー名を") + crlf + crlf + newCaption +
               QStringLiteral("　に") + crlf + crlf + crlf;
    QString shown = shownList(list);
    if (shown.isEmpty()) {
        shown = index == CategoryListFilter ? QStringLiteral("すべてのファイルとフォルダ")
                                            : QStringLiteral("なし");
    } else if (shown.size() > 100) {
        shown.truncate(100);
        const qsizetype comma = shown.lastIndexOf(u',');
        if (comma > 0)
            shown.truncate(comma);
        shown += QStringLiteral("　・・・");
    }
    return text + QStringLiteral("対象拡張子リストを") + crlf + crlf + shown +
           QStringLiteral("　に") + crlf + crlf + QStringLiteral("設定しました。");
}

void SameExtension::feed(const QString& name, const QString& serialSet)
{
    const QString extension = extensionOf(name).toLower();
    if (!m_state.isEmpty()) {
        if (m_state != extension + u'.')
            m_state = QStringLiteral("/");
        return;
    }
    m_state = !extension.isEmpty() && serialSet.contains(entryKey(extension)) ? extension + u'.'
                                                                              : QStringLiteral("/");
}

bool SameExtension::holds(int fileCount) const
{
    return !m_state.isEmpty() && m_state != QLatin1String("/") && fileCount > 1;
}

} // namespace tovane
