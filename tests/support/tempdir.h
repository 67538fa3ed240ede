#pragma once
// A temporary folder for one test, removed with everything below it (also
// read-only subfolders) when it goes out of scope.

#include <QByteArray>
#include <QString>

namespace tovane::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    bool isValid() const { return !m_path.isEmpty(); }
    QString path() const { return m_path; }            // without trailing "/"
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

} // namespace tovane::test
