#pragma once
// What a tree node is called and how it looks: keys, texts and image numbers
// of the computer, volume and folder nodes, plus the texts the tree shows in
// the status line and its questions. Text rules only; nothing here reads the
// disk except folderImages (trash detection).

#include <QString>
#include <QtGlobal>

namespace tovane {

// The computer node: its key and its text (also the path a window has while
// it lists the volumes).
inline const QString ComputerKey = QStringLiteral("_");
inline const QString ComputerText = QStringLiteral("ｺﾝﾋﾟｭｰﾀ");

// Image numbers shared with the widget, which maps them to icons.
enum TreeImage : int {
    ImageNone = 0,
    ImageFloppy = 1, // removable volume on a floppy device
    ImageFixed = 2,  // fixed disk, also unknown and RAM disk volumes
    ImageNetwork = 3,
    ImageCdRom = 4,
    ImageRemovableMedia = 5, // USB stick, card reader, any other removable medium
    ImageFolder = 6,
    ImageFolderOpen = 7,
    ImageTrash = 8,
    ImageComputer = 9,
};
constexpr int TreeImageCount = 9;

struct ImagePair {
    int image = ImageNone;
    int selected = ImageNone;
    bool operator==(const ImagePair&) const = default;
};

// How the volume part of a drive text came about.
enum class DriveRead {
    Read,   // the volume answered; its label (maybe empty) is shown
    Failed, // not ready, no medium, unreadable: " ―"
    Unread, // deliberately left unread: " ／"
};

// "/" + name under the root, parent + "/" + name elsewhere.
QString childKey(const QString& parentKey, const QString& name);

// The key a path has in the tree: "_" for the computer path, the empty text
// and "_"; otherwise the path without its trailing "/" (the root stays "/").
QString treeKeyOf(const QString& path);

// The window path a key stands for: the computer text for "_", else the key
// with a trailing "/".
QString windowPathOf(const QString& key);

// Mount point + " [ label ]", the bare mount point for an empty label,
// " ―" when reading failed and " ／" when the volume was left unread.
QString driveText(const QString& mountPoint, const QString& label, DriveRead read);
inline const QString DriveFailedSuffix = QStringLiteral(" ―");

// Image of a volume node by its platform::DriveType. Removable volumes show
// the floppy image only on a floppy device (/dev/fd*); other removable media
// show image 5.
int driveImage(int driveType, const QString& device);

// 8/8 inside a trash folder, else 6/7.
ImagePair folderImages(const QString& path);

// The lazy rule's test: the target text holds the parent path anywhere,
// letter case ignored. It deliberately over-reads siblings whose names are
// prefixes of the target's components.
bool lazyRuleLoads(const QString& targetPath, const QString& parentPath);

// Children are ordered by text, letter case ignored, then by exact text.
bool nodeTextLess(const QString& a, const QString& b);

// "#,##0.(000)" as the classic format shows it: 1234.5678 -> "1,234.(568)".
QString formatParenthesisedThousandths(double value);

// Shift = 1 plus Ctrl = 2, as the tree reads the modifier keys.
enum ModifierBits : int { ModifierShift = 1, ModifierCtrl = 2 };

// The drive-status label of a window: mount point + ": 全容量：" + total +
// "  空き容量：" + free + "  ファイルシステム：" + file system + "  " +
// cluster + "/クラスタ". The units follow `modifiers` (ModifierBits).
QString driveStatusText(const QString& mountPoint, double totalBytes, double freeBytes,
                        const QString& fileSystem, quint64 clusterBytes, int modifiers,
                        bool withCluster = true);

// What the other window carries that makes a path change slow.
struct SelectionLoad {
    bool allLevels = false;     // the window compares through all levels
    bool designated = false;    // designated selection active
    qint64 designatedItems = 0; // selected folders and files together
    bool compare = false;       // compare selection active
    qint64 comparedItems = 0;
};
constexpr qint64 HeavySelectionItems = 5000;

// True when changing the path must be confirmed first: both windows shown
// and the other window's all-levels selection is heavy.
bool pathChangeNeedsConfirmation(const SelectionLoad& other, bool twoWindows);
QString pathChangeQuestion();
inline const QString PathChangeTitle = QStringLiteral("表示パス変更確認");

// Status and message texts of the tree.
inline const QString BuildProgressText = QStringLiteral("ツリー表示の準備中 ");
inline const QString ExpandProgressText = QStringLiteral("ツリーを展開中");
inline const QString CollapseProgressText = QStringLiteral("ツリーを縮小中");
inline const QString JumpProgressText = QStringLiteral("ジャンプ処理中");
inline const QString TreeSelectTitle = QStringLiteral("ツリー項目選択");
inline const QString ListOpenTitle = QStringLiteral("表示パス選択");
inline const QString TreeExpandTitle = QStringLiteral("ツリー展開");
QString notAccessibleText(const QString& path); // path + " にはアクセスできません。"
QString outOfMemoryText();
QString jumpOutsideTreeText(const QString& jumpPath);
QString jumpTargetMissingText();

} // namespace tovane
