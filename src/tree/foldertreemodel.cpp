#include "tree/foldertreemodel.h"

#include "tree/treerules.h"

#include <algorithm>

namespace tovane {

namespace {

using Node = FolderTreeModel::Node;
using NodeList = std::vector<std::unique_ptr<Node>>;

bool childLess(const std::unique_ptr<Node>& a, const std::unique_ptr<Node>& b)
{
    return nodeTextLess(a->text, b->text);
}

} // namespace

FolderTreeModel::FolderTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

FolderTreeModel::~FolderTreeModel() = default;

// --- structure ---

NodeList& FolderTreeModel::siblingsOf(Node* parent)
{
    return parent ? parent->children : m_top;
}

void FolderTreeModel::renumber(NodeList& list, size_t from)
{
    for (size_t i = from; i < list.size(); ++i)
        list[i]->row = int(i);
}

size_t FolderTreeModel::insertPosition(const NodeList& list, const QString& text)
{
    const auto at = std::upper_bound(
        list.begin(), list.end(), text,
        [](const QString& t, const std::unique_ptr<Node>& n) { return nodeTextLess(t, n->text); });
    return size_t(at - list.begin());
}

void FolderTreeModel::clear()
{
    if (!inBulk())
        beginResetModel();
    m_top.clear();
    m_byKey.clear();
    m_selected.clear();
    m_unsorted.clear();
    if (!inBulk())
        endResetModel();
}

FolderTreeModel::AddResult FolderTreeModel::addNode(const QString& parentKey, const NodeSpec& spec)
{
    if (m_byKey.contains(spec.key))
        return KeyExists;
    Node* parent = nullptr;
    if (!parentKey.isEmpty()) {
        parent = find(parentKey);
        if (!parent)
            return NoParent;
    }
    if (int(m_byKey.size()) >= m_nodeLimit)
        return NodeLimit;

    auto node = std::make_unique<Node>();
    node->key = spec.key;
    node->text = spec.text;
    node->image = spec.image;
    node->selectedImage = spec.selectedImage;
    node->kind = spec.kind;
    node->parent = parent;
    Node* raw = node.get();
    NodeList& list = siblingsOf(parent);

    if (inBulk()) {
        // Appended now and sorted once when the bulk change ends: a folder
        // of many thousand subfolders must not cost a shift per insert.
        raw->row = int(list.size());
        list.push_back(std::move(node));
        m_unsorted.insert(parent);
    } else {
        const size_t at = insertPosition(list, spec.text);
        beginInsertRows(indexOfNode(parent), int(at), int(at));
        list.insert(list.begin() + qsizetype(at), std::move(node));
        renumber(list, at);
        m_byKey.insert(spec.key, raw);
        endInsertRows();
        return Added;
    }
    m_byKey.insert(spec.key, raw);
    return Added;
}

int FolderTreeModel::addNodes(const QString& parentKey, QList<NodeSpec>& specs, bool* limitReached)
{
    if (limitReached)
        *limitReached = false;
    Node* parent = nullptr;
    if (!parentKey.isEmpty()) {
        parent = find(parentKey);
        if (!parent) {
            specs.clear();
            return 0;
        }
    }
    QSet<QString> seen;
    QList<NodeSpec> fresh;
    fresh.reserve(specs.size());
    for (const NodeSpec& spec : std::as_const(specs)) {
        if (m_byKey.contains(spec.key) || seen.contains(spec.key))
            continue;
        if (int(m_byKey.size()) + int(fresh.size()) >= m_nodeLimit) {
            if (limitReached)
                *limitReached = true;
            break;
        }
        seen.insert(spec.key);
        fresh.append(spec);
    }
    specs = fresh;
    if (fresh.isEmpty())
        return 0;

    NodeList& list = siblingsOf(parent);
    if (!list.empty() && !inBulk()) {
        // Into a populated parent one by one: each lands at its own place.
        for (const NodeSpec& spec : std::as_const(fresh))
            addNode(parentKey, spec);
        return int(fresh.size());
    }
    std::stable_sort(fresh.begin(), fresh.end(), [](const NodeSpec& a, const NodeSpec& b) {
        return nodeTextLess(a.text, b.text);
    });
    const size_t first = list.size();
    if (!inBulk())
        beginInsertRows(indexOfNode(parent), int(first), int(first) + int(fresh.size()) - 1);
    list.reserve(first + size_t(fresh.size()));
    for (const NodeSpec& spec : std::as_const(fresh)) {
        auto node = std::make_unique<Node>();
        node->key = spec.key;
        node->text = spec.text;
        node->image = spec.image;
        node->selectedImage = spec.selectedImage;
        node->kind = spec.kind;
        node->parent = parent;
        node->row = int(list.size());
        m_byKey.insert(spec.key, node.get());
        list.push_back(std::move(node));
    }
    if (inBulk()) {
        if (first > 0)
            m_unsorted.insert(parent);
    } else {
        endInsertRows();
    }
    return int(fresh.size());
}

void FolderTreeModel::forget(Node* node)
{
    m_byKey.remove(node->key);
    m_unsorted.remove(node);
    if (node->key == m_selected)
        m_selected.clear();
    for (const auto& child : node->children)
        forget(child.get());
}

bool FolderTreeModel::removeNode(const QString& key)
{
    Node* node = find(key);
    if (!node)
        return false;
    Node* parent = node->parent;
    NodeList& list = siblingsOf(parent);
    const int row = node->row;
    if (!inBulk())
        beginRemoveRows(indexOfNode(parent), row, row);
    forget(node);
    list.erase(list.begin() + row);
    renumber(list, size_t(row));
    if (!inBulk())
        endRemoveRows();
    return true;
}

bool FolderTreeModel::changeNode(const QString& key, const QString& text, int image,
                                 int selectedImage)
{
    Node* node = find(key);
    if (!node)
        return false;
    node->image = image;
    node->selectedImage = selectedImage;
    if (node->text == text) {
        if (!inBulk()) {
            const QModelIndex at = indexOfNode(node);
            Q_EMIT dataChanged(at, at);
        }
        return true;
    }
    Node* parent = node->parent;
    NodeList& list = siblingsOf(parent);
    const int from = node->row;
    if (inBulk()) {
        node->text = text;
        m_unsorted.insert(parent);
        return true;
    }
    // The place among the siblings without the node itself.
    const auto less = [](const QString& t, const std::unique_ptr<Node>& n) {
        return nodeTextLess(t, n->text);
    };
    auto at = std::upper_bound(list.begin(), list.begin() + from, text, less);
    int to = int(at - list.begin());
    if (to == from)
        to = int(std::upper_bound(list.begin() + from + 1, list.end(), text, less) - list.begin()) -
             1;
    const QModelIndex parentIndex = indexOfNode(parent);
    if (to != from) {
        // Qt counts the destination row before the node is taken out.
        beginMoveRows(parentIndex, from, from, parentIndex, to > from ? to + 1 : to);
        std::unique_ptr<Node> owned = std::move(list[size_t(from)]);
        list.erase(list.begin() + from);
        owned->text = text;
        list.insert(list.begin() + to, std::move(owned));
        renumber(list, size_t(std::min(from, to)));
        endMoveRows();
    } else {
        node->text = text;
    }
    const QModelIndex changed = indexOfNode(node);
    Q_EMIT dataChanged(changed, changed);
    return true;
}

int FolderTreeModel::childCount(const QString& key) const
{
    const Node* node = find(key);
    return node ? int(node->children.size()) : 0;
}

QStringList FolderTreeModel::childKeys(const QString& key) const
{
    QStringList keys;
    const Node* node = find(key);
    if (!node)
        return keys;
    keys.reserve(qsizetype(node->children.size()));
    for (const auto& child : node->children)
        keys.append(child->key);
    return keys;
}

QStringList FolderTreeModel::subtreeKeys(const QString& key) const
{
    QStringList keys;
    const Node* start = find(key);
    if (!start)
        return keys;
    std::vector<const Node*> pending{start};
    while (!pending.empty()) {
        const Node* n = pending.back();
        pending.pop_back();
        keys.append(n->key);
        for (auto it = n->children.rbegin(); it != n->children.rend(); ++it)
            pending.push_back(it->get());
    }
    return keys;
}

QString FolderTreeModel::firstKey() const
{
    return m_top.empty() ? QString() : m_top.front()->key;
}

QStringList FolderTreeModel::topKeys() const
{
    QStringList keys;
    for (const auto& n : m_top)
        keys.append(n->key);
    return keys;
}

void FolderTreeModel::setChildrenRead(const QString& key, bool read)
{
    if (Node* node = find(key))
        node->childrenRead = read;
}

// --- what the control shows ---

bool FolderTreeModel::isExpanded(const QString& key) const
{
    const Node* node = find(key);
    return node && node->expanded;
}

void FolderTreeModel::setExpanded(const QString& key, bool expanded, bool recursive)
{
    Node* node = find(key);
    if (!node)
        return;
    node->expanded = expanded;
    if (recursive) {
        std::vector<Node*> pending;
        for (const auto& c : node->children)
            pending.push_back(c.get());
        while (!pending.empty()) {
            Node* n = pending.back();
            pending.pop_back();
            n->expanded = expanded;
            for (const auto& c : n->children)
                pending.push_back(c.get());
        }
    }
    if (!inBulk())
        Q_EMIT expandRequested(indexOfNode(node), expanded, recursive);
}

void FolderTreeModel::noteExpanded(const QString& key, bool expanded)
{
    if (Node* node = find(key))
        node->expanded = expanded;
}

QStringList FolderTreeModel::expandedKeys() const
{
    QStringList keys;
    std::vector<const Node*> pending;
    for (auto it = m_top.rbegin(); it != m_top.rend(); ++it)
        pending.push_back(it->get());
    while (!pending.empty()) {
        const Node* n = pending.back();
        pending.pop_back();
        if (n->expanded)
            keys.append(n->key);
        for (auto it = n->children.rbegin(); it != n->children.rend(); ++it)
            pending.push_back(it->get());
    }
    return keys;
}

bool FolderTreeModel::select(const QString& key)
{
    Node* node = find(key);
    if (!node)
        return false;
    const QString before = m_selected;
    m_selected = key;
    if (inBulk())
        return true;
    if (Node* old = find(before); old && old != node) {
        const QModelIndex at = indexOfNode(old);
        Q_EMIT dataChanged(at, at, {ImageRole, Qt::DecorationRole});
    }
    const QModelIndex at = indexOfNode(node);
    Q_EMIT dataChanged(at, at, {ImageRole, Qt::DecorationRole});
    Q_EMIT selectionRequested(at);
    return true;
}

void FolderTreeModel::ensureVisible(const QString& key)
{
    Node* node = find(key);
    if (!node)
        return;
    std::vector<Node*> ancestors;
    for (Node* p = node->parent; p; p = p->parent)
        ancestors.push_back(p);
    for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) {
        if ((*it)->expanded)
            continue;
        (*it)->expanded = true;
        if (!inBulk())
            Q_EMIT expandRequested(indexOfNode(*it), true, false);
    }
    if (!inBulk())
        Q_EMIT scrollRequested(indexOfNode(node));
}

void FolderTreeModel::beginBulk()
{
    if (m_bulk++ == 0) {
        beginResetModel();
        Q_EMIT bulkStarted();
    }
}

void FolderTreeModel::endBulk()
{
    if (m_bulk == 0 || --m_bulk > 0)
        return;
    for (Node* parent : std::as_const(m_unsorted)) {
        NodeList& list = siblingsOf(parent);
        std::stable_sort(list.begin(), list.end(), childLess);
        renumber(list, 0);
    }
    m_unsorted.clear();
    endResetModel();
    Q_EMIT bulkFinished();
}

// --- item model ---

QModelIndex FolderTreeModel::indexOfNode(const Node* node) const
{
    if (!node)
        return {};
    return createIndex(node->row, 0, const_cast<Node*>(node));
}

QModelIndex FolderTreeModel::indexOf(const QString& key) const
{
    return indexOfNode(find(key));
}

QString FolderTreeModel::keyOf(const QModelIndex& index)
{
    if (!index.isValid())
        return QString();
    return index.data(KeyRole).toString();
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0 || row < 0)
        return {};
    const NodeList* list = &m_top;
    if (parent.isValid())
        list = &static_cast<Node*>(parent.internalPointer())->children;
    if (size_t(row) >= list->size())
        return {};
    return createIndex(row, 0, (*list)[size_t(row)].get());
}

QModelIndex FolderTreeModel::parent(const QModelIndex& child) const
{
    if (!child.isValid())
        return {};
    const Node* node = static_cast<Node*>(child.internalPointer());
    return indexOfNode(node->parent);
}

int FolderTreeModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return int(m_top.size());
    if (parent.column() != 0)
        return 0;
    return int(static_cast<Node*>(parent.internalPointer())->children.size());
}

int FolderTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const Node* node = static_cast<Node*>(index.internalPointer());
    const auto shownImage = [&]() {
        if (node->key == m_selected && node->selectedImage != 0)
            return node->selectedImage;
        return node->image;
    };
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return node->text;
    case KeyRole:
        return node->key;
    case ImageRole:
        return shownImage();
    case KindRole:
        return int(node->kind);
    case Qt::DecorationRole:
        return m_decoration ? m_decoration(shownImage()) : QVariant();
    default:
        return {};
    }
}

Qt::ItemFlags FolderTreeModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

QHash<int, QByteArray> FolderTreeModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractItemModel::roleNames();
    names.insert(KeyRole, "key");
    names.insert(ImageRole, "image");
    names.insert(KindRole, "kind");
    return names;
}

} // namespace tovane
