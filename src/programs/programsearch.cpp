#include "programs/programsearch.h"

#include "core/messageservice.h"
#include "fs/pathrules.h"
#include "platform/filesystem.h"
#include "platform/itemrecord.h"
#include "platform/volumes.h"
#include "search/namepattern.h"

#include <QList>
#include <QSet>

namespace tovane {

ProgramSearchHost::~ProgramSearchHost() = default;

namespace {

class Walk {
public:
    Walk(const QString& pattern, ProgramSearchHost& host) : m_pattern(pattern), m_host(host)
    {
        for (const platform::VolumeInfo& v : platform::listVolumes())
            m_volumes.insert(stripSeparator(v.mountPoint));
    }

    ProgramSearchResult run(const QString& folder, QString& foundFolder, QString& foundName)
    {
        ItemRecord self;
        if (platform::statPath(stripSeparator(folder), self) != 0 || !self.isFolder())
            return ProgramSearchResult::NotFound;
        const ProgramSearchResult r = walk(addSeparator(folder), self);
        if (r == ProgramSearchResult::Accepted) {
            foundFolder = m_foundFolder;
            foundName = m_foundName;
        }
        return r;
    }

private:
    ProgramSearchResult walk(const QString& folder, const ItemRecord& self)
    {
        if (m_seen.contains({self.device, self.inode}))
            return ProgramSearchResult::NotFound;
        m_seen.insert({self.device, self.inode});
        m_host.showFolder(folder);
        QList<ItemRecord> files;
        QList<ItemRecord> folders;
        platform::ListOptions options;
        options.readAttributeStore = false;
        platform::listFolder(
            folder,
            [&](const ItemRecord& r) {
                if (r.attributes & AttrHidden)
                    return true;
                if (r.isFolder() && !r.isSymlink)
                    folders.append(r);
                else if (!r.isFolder() && !r.linkToFolder && m_pattern.matches(r.name))
                    files.append(r);
                return true;
            },
            options);
        for (const ItemRecord& f : std::as_const(files)) {
            if (m_host.stopRequested())
                return ProgramSearchResult::Cancelled;
            const int answer = m_host.offer(folder, f.name);
            if (answer == MsgYes) {
                m_foundFolder = folder;
                m_foundName = f.name;
                return ProgramSearchResult::Accepted;
            }
            if (answer == MsgCancel)
                return ProgramSearchResult::Cancelled;
        }
        for (const ItemRecord& f : std::as_const(folders)) {
            if (m_host.stopRequested())
                return ProgramSearchResult::Cancelled;
            const QString path = folder + f.name;
            if (f.device != self.device && !m_volumes.contains(path))
                continue;
            const ProgramSearchResult r = walk(path + u'/', f);
            if (r != ProgramSearchResult::NotFound)
                return r;
            m_host.showFolder(folder);
        }
        return ProgramSearchResult::NotFound;
    }

    NamePattern m_pattern;
    ProgramSearchHost& m_host;
    QSet<QString> m_volumes;
    QSet<QPair<quint64, quint64>> m_seen;
    QString m_foundFolder;
    QString m_foundName;
};

} // namespace

ProgramSearchResult searchProgram(const QString& folder, const QString& pattern,
                                  ProgramSearchHost& host, QString& foundFolder, QString& foundName)
{
    Walk walk(pattern, host);
    return walk.run(folder, foundFolder, foundName);
}

} // namespace tovane
