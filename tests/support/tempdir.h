#pragma once
// A temporary folder for one test, removed with everything below it (also
// read-only subfolders) when it goes out of scope.

#include <QByteArray>
#include <QList>
#include <QString>

namespace tovane::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    bool isValid() const { return !m_path.isEmpty(); }
    QString path() const { return m_path; } // without trailing "/"
    QByteArray pathBytes() const { return m_path.toUtf8(); }
    QString filePath(const QString& relative) const { return m_path + QLatin1Char('/') + relative; }

    // Helpers that work on raw byte names (no QFile).
    bool writeFile(const QByteArray& relative, const QByteArray& content) const;
    bool makeFolder(const QByteArray& relative) const;

private:
    QString m_path;
};

// Removes a tree without following symbolic links; makes folders writable
// first. Returns false when anything stayed.
bool removeTree(const QByteArray& path);

// `relative` below the folder, as bytes and as a path name; an empty one
// stands for the folder itself.
QByteArray joined(const TempDir& dir, const QByteArray& relative);
QString pathOf(const TempDir& dir, const QByteArray& relative);

// Byte-exact access on raw paths. readAll gives "<missing>" for a file that
// cannot be opened, so a comparison with real content fails visibly.
QByteArray readAll(const QByteArray& path);
bool writeBytes(const QByteArray& path, const QByteArray& content);
// A file of `size` bytes that are never written (a hole where supported).
bool makeSparse(const QByteArray& path, qint64 size);
// Names in a folder without "." and "..", sorted; empty when unreadable.
QList<QByteArray> entries(const QByteArray& folder);

} // namespace tovane::test
