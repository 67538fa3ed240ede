#pragma once
// Sequential reads of a large file and a file written piece by piece under a
// temporary name beside its target, renamed over it only when complete (an
// archive being built). Same error contract as filesystem.h: 0 or a
// positive errno, never a throw.

#include <QByteArray>
#include <QString>

namespace tovane::platform {

// A regular file opened for reading (links followed). The open never waits:
// a FIFO, device or socket gives EINVAL, a folder EISDIR.
class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    int open(const QString& path);
    // Up to `max` bytes into `data`; 0 at the end. A negative errno on failure.
    qint64 read(char* data, qint64 max);
    int seek(qint64 offset);
    qint64 size() const { return m_size; }
    qint64 writeTime() const { return m_writeTime; } // nanoseconds since 1970 UTC
    quint32 mode() const { return m_mode; }          // st_mode
    void close();

private:
    int m_fd = -1;
    qint64 m_size = 0;
    qint64 m_writeTime = 0;
    quint32 m_mode = 0;
};

// A new file that takes the place of `target` only on commit(). Until then
// it is a temporary in the target's folder; destroying it uncommitted
// removes it. A target that is a symbolic link keeps the link, its file is
// replaced. A new file gets 0666 less the umask, a replaced one its mode.
class ReplacementFile {
public:
    ReplacementFile() = default;
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // EISDIR or EINVAL when something other than a regular file (or a
    // link to one, or nothing) is at `target`.
    int open(const QString& target);
    int writeAt(qint64 offset, const char* data, qint64 size);
    // Cuts the file to `length`, syncs it and renames it over the target.
    int commit(qint64 length);
    void discard();

private:
    int m_dir = -1;
    int m_fd = -1;
    QByteArray m_name;
    QByteArray m_tempName;
    quint32 m_mode = 0;
    bool m_keepMode = false;
};

} // namespace tovane::platform
