// Times the folder tree on a tree of 50,000 folders that the program makes
// itself under a temporary folder: building it with its target 12 levels
// deep (subtree and whole computer), jumping to that target from a fresh
// tree, and loading and unfolding everything with a Shift expansion.
//   bench_tree [FOLDERS]      (default 50000; TMPDIR picks the place)

#include "core/scriptedservices.h"
#include "fs/pathcheck.h"
#include "fs/volumesource.h"
#include "platform/names.h"
#include "tree/treehost.h"
#include "tree/treenavigator.h"
#include "tree/treerules.h"

#include <QElapsedTimer>
#include <QList>

#include <cstdio>
#include <cstdlib>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tovane;

namespace {

class BenchHost : public TreeHost {
public:
    QString paths[2] = {ComputerText, ComputerText};
    int fills = 0;
    int fillList(WindowIndex, const QString&) override
    {
        ++fills;
        return 0;
    }
    QString currentPath(WindowIndex w) const override { return paths[w]; }
    void setCurrentPath(WindowIndex w, const QString& path) override { paths[w] = path; }
    WindowIndex selectedWindow() const override { return LeftWindow; }
};

int removeEntry(const char* path, const struct stat*, int type, struct FTW*)
{
    if (type == FTW_DP || type == FTW_D || type == FTW_DNR)
        ::rmdir(path);
    else
        ::unlink(path);
    return 0;
}

// Breadth-first folders with six subfolders each until `total` less the
// chain exist, then a chain below the first deepest folder so that the
// target lies 12 levels below the top.
QByteArray makeTree(const QByteArray& top, int total)
{
    constexpr int Fan = 6;
    constexpr int TargetDepth = 12;
    // The deepest level a breadth-first fill of `budget` folders reaches.
    const auto levelsFor = [](int budget) {
        int level = 0;
        for (qint64 width = Fan, sum = 0; sum < budget; width *= Fan) {
            sum += width;
            ++level;
        }
        return level;
    };
    int chain = 0;
    while (chain < TargetDepth && TargetDepth - levelsFor(total - chain) > chain)
        ++chain;
    QList<std::pair<QByteArray, int>> queue{{top, 0}};
    int made = 0;
    const int budget = total - chain;
    QByteArray deepest;
    int deepestLevel = 0;
    for (qsizetype head = 0; head < queue.size() && made < budget; ++head) {
        const auto [folder, level] = queue.at(head);
        for (int i = 0; i < Fan && made < budget; ++i) {
            const QByteArray child = folder + "/d" + QByteArray::number(i);
            if (::mkdir(child.constData(), 0755) != 0)
                return QByteArray();
            ++made;
            queue.append({child, level + 1});
            if (level + 1 > deepestLevel) {
                deepestLevel = level + 1;
                deepest = child;
            }
        }
    }
    QByteArray target = deepest;
    for (int level = deepestLevel; level < TargetDepth; ++level) {
        target += "/t" + QByteArray::number(level + 1);
        if (::mkdir(target.constData(), 0755) != 0)
            return QByteArray();
        ++made;
    }
    std::printf("made %d folders, target %d levels below the top\n", made, TargetDepth);
    return target;
}

double msSince(const QElapsedTimer& t)
{
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    const int total = argc > 1 ? std::atoi(argv[1]) : 50000;
    QByteArray base = qgetenv("TMPDIR");
    if (base.isEmpty())
        base = "/tmp";
    QByteArray templ = base + "/tovane-bench-tree-XXXXXX";
    if (!::mkdtemp(templ.data())) {
        std::perror("mkdtemp");
        return 2;
    }
    const QByteArray topBytes = templ;
    std::printf("preparing %d folders under %s ...\n", total, topBytes.constData());
    QElapsedTimer t;
    t.start();
    const QByteArray targetBytes = makeTree(topBytes, total);
    if (targetBytes.isEmpty()) {
        std::perror("mkdir");
        return 2;
    }
    ::sync();
    std::printf("%-46s %9.1f ms\n", "create folders (not ours)", msSince(t));

    ScriptedMessageService messages;
    ScriptedProgressService progress;
    PlatformVolumeSource volumes;
    BenchHost host;
    PathChecker checker(
        CheckContext{messages, progress, volumes, QStringLiteral("bench"), [] { return 0; }});
    TreeNavigator navigator(TreeServices{messages, progress, volumes, checker, host, {}, {}});
    FolderTrees& trees = navigator.trees();
    const QString top = platform::pathFromBytes(topBytes);
    const QString target = platform::pathFromBytes(targetBytes);

    const auto report = [&](const char* what, double ms) {
        std::printf("%-46s %9.1f ms   %7d nodes\n", what, ms, navigator.model(0).nodeCount());
    };

    for (int round = 0; round < 2; ++round) {
        t.restart();
        trees.buildTree(LeftWindow, top, target, true);
        report(round == 0 ? "build subtree to target (cold-ish)" : "build subtree to target",
               msSince(t));
    }
    if (navigator.model(0).selectedKey() != target) {
        std::fprintf(stderr, "target not selected\n");
        return 1;
    }
    t.restart();
    trees.buildTree(LeftWindow, ComputerKey, target, true);
    report("build whole computer to target", msSince(t));

    trees.buildTree(LeftWindow, top, top, true);
    t.restart();
    navigator.jumpToPath(target);
    report("jump from the top to the target", msSince(t));

    trees.buildTree(LeftWindow, top, top, true);
    navigator.mouseDown(LeftWindow, TreeButton::Left, ModifierShift);
    t.restart();
    navigator.nodeExpanded(LeftWindow, top);
    report("Shift expansion of the whole tree", msSince(t));

    ::nftw(topBytes.constData(), removeEntry, 64, FTW_PHYS | FTW_DEPTH);
    return 0;
}
