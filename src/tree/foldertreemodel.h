#pragma once
// The nodes of one window's folder tree as an item model. Every node has a
// unique key (a path without trailing "/", or "_" for the computer), a text,
// an image pair and a kind. Children are always kept in text order.
//
// The model also holds what the tree control shows about its nodes beyond
// the structure: which nodes are expanded and which one is selected. The
// engine changes these here; the view adapter follows the signals and tells
// the model what the user did. So the engine never needs the view.
//
// Bulk changes (a whole build, a full expansion) run between beginBulk()
// and endBulk(): no per-node signals, one reset at the end, after which the
// adapter re-applies expansion and selection. UI thread only.

#include <QAbstractItemModel>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace tovane {

enum class NodeKind { Computer, Drive, Folder, Top };

struct NodeSpec {
    QString key;
    QString text;
    int image = 0;
    int selectedImage = 0; // 0: the image itself
    NodeKind kind = NodeKind::Folder;
};

class FolderTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Role {
        KeyRole = Qt::UserRole + 1, // QString
        ImageRole,                  // int: the image shown now (selected image when selected)
        KindRole,                   // int: NodeKind
    };

    enum AddResult { Added, KeyExists, NoParent, NodeLimit };

    struct Node {
        QString key;
        QString text;
        int image = 0;
        int selectedImage = 0;
        NodeKind kind = NodeKind::Folder;
        bool expanded = false;
        // The node's folder was read at least once, so its children are
        // the folder's subfolders as they were then.
        bool childrenRead = false;
        Node* parent = nullptr;
        int row = 0;
        std::vector<std::unique_ptr<Node>> children;
    };

    explicit FolderTreeModel(QObject* parent = nullptr);
    ~FolderTreeModel() override;

    // --- structure ---
    void clear();
    // Adds a node under `parentKey` (empty: a top-level node) at its place
    // in text order. KeyExists and NoParent change nothing; NodeLimit means
    // the tree holds nodeLimit() nodes already.
    AddResult addNode(const QString& parentKey, const NodeSpec& spec);
    // Adds several nodes under one parent in one change. Specs whose key
    // exists are dropped from `specs`, and so is what would pass the node
    // limit (then `limitReached` is set); `specs` keeps the added ones.
    int addNodes(const QString& parentKey, QList<NodeSpec>& specs, bool* limitReached = nullptr);
    // Removes the node and everything below it. False when there is none.
    bool removeNode(const QString& key);
    // New text and images for a node, keeping its place in the order.
    bool changeNode(const QString& key, const QString& text, int image, int selectedImage);

    const Node* node(const QString& key) const { return m_byKey.value(key); }
    bool contains(const QString& key) const { return m_byKey.contains(key); }
    int childCount(const QString& key) const;
    QStringList childKeys(const QString& key) const;
    // Keys of the node and every node below it, the node first.
    QStringList subtreeKeys(const QString& key) const;
    QString firstKey() const;
    QStringList topKeys() const;
    int nodeCount() const { return int(m_byKey.size()); }
    void setChildrenRead(const QString& key, bool read = true);

    // Guard against trees that would exhaust memory (a whole-disk full
    // expansion): adding beyond this many nodes fails with NodeLimit.
    int nodeLimit() const { return m_nodeLimit; }
    void setNodeLimit(int limit) { m_nodeLimit = limit; }
    static constexpr int DefaultNodeLimit = 2000000;

    // --- what the control shows ---
    bool isExpanded(const QString& key) const;
    // Asks the view to expand or collapse the node; `recursive` covers every
    // node below it too.
    void setExpanded(const QString& key, bool expanded, bool recursive = false);
    // The view reports a change the user made; no request goes back.
    void noteExpanded(const QString& key, bool expanded);
    // Every expanded node, also below a collapsed one (the control keeps
    // their state for when the ancestor opens again), parents first.
    QStringList expandedKeys() const;

    QString selectedKey() const { return m_selected; }
    // False (and nothing changes) when the key has no node.
    bool select(const QString& key);
    // Expands the node's ancestors and asks the view to scroll to it.
    void ensureVisible(const QString& key);

    void beginBulk();
    void endBulk();
    bool inBulk() const { return m_bulk > 0; }

    // The widget's icons: called for Qt::DecorationRole with the image number.
    using DecorationProvider = std::function<QVariant(int image)>;
    void setDecorationProvider(DecorationProvider provider) { m_decoration = std::move(provider); }

    QModelIndex indexOf(const QString& key) const;
    static QString keyOf(const QModelIndex& index);

    // QAbstractItemModel
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QHash<int, QByteArray> roleNames() const override;

Q_SIGNALS:
    // For the view adapter.
    void expandRequested(const QModelIndex& index, bool expanded, bool recursive);
    void selectionRequested(const QModelIndex& index);
    void scrollRequested(const QModelIndex& index);
    void bulkStarted();
    void bulkFinished();

private:
    Node* find(const QString& key) const { return m_byKey.value(key); }
    std::vector<std::unique_ptr<Node>>& siblingsOf(Node* parent);
    QModelIndex indexOfNode(const Node* node) const;
    void forget(Node* node);
    static void renumber(std::vector<std::unique_ptr<Node>>& list, size_t from);
    static size_t insertPosition(const std::vector<std::unique_ptr<Node>>& list,
                                 const QString& text);

    std::vector<std::unique_ptr<Node>> m_top;
    QHash<QString, Node*> m_byKey;
    QSet<Node*> m_unsorted; // nullptr stands for the top level
    QString m_selected;
    int m_bulk = 0;
    int m_nodeLimit = DefaultNodeLimit;
    DecorationProvider m_decoration;
};

} // namespace tovane
