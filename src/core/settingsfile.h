#pragma once
// The settings file: one text of "key=value" CR LF lines under four section
// headers. A key is found by name anywhere in the text (first occurrence,
// letter case counts); the headers are for the reader's benefit only. Each
// shut-down rebuilds the whole text and replaces the file atomically.
//
// On disk the text is UTF-8 with CR LF line ends; LF-only lines are accepted
// on reading. Bytes that are not valid UTF-8 (a folder name from another
// system) survive a read and a write unchanged.

#include <QByteArray>
#include <QString>
#include <array>
#include <span>

namespace tovane {

inline const QString ApplicationTitle = QStringLiteral("Tovane");

// Named after the application title. No leading dot: the settings folder
// itself already lives under ~/.config, which keeps the file out of sight.
inline const QString SettingsFileName = ApplicationTitle + QStringLiteral(".ini");

enum SettingsSection : int {
    SectionMain = 0, // "[Tovane]"
    SectionPosition = 1,
    SectionDispExt = 2,
    SectionExeTbl = 3,
};
inline constexpr int SectionCount = 4;

QString sectionHeader(int section); // "[Tovane]", "[Position]", "[DispExt]", "[ExeTbl]"
QString settingsFilePath(const QString& settingsFolder);

// The integer value of a list item: ASCII spaces around it are ignored, an
// optional sign, digits and an optional fraction (rounded half to even, as
// the classic conversion does). False for anything else, the empty item and
// values outside the int range.
bool numericValue(const QString& item, int& value);

// Looks `key` up in `text`. The value runs from after "key=" to the first
// CR LF; without one to the next "=", else to the next "[", else to the end.
// With `validate` off the value is returned as found (also empty). With it on,
// the first `count` "," items must each be numeric within [min, max] and
// nothing may follow the last of them; any failure gives `defaultValue` as a
// whole. A missing key gives `defaultValue`.
QString getIniValue(const QString& text, const QString& key, const QString& defaultValue,
                    bool validate = false, int count = 0, int min = 0, int max = 0);

// Every element as decimal text followed by ",".
QString joinValues(std::span<const int> values);

// Fills `values` from index 0 with the numbers of successive "," items and
// stops at the first item that is not numeric (an item missing from a short
// list is empty, so it stops there too); the rest keep what they held.
// Returns how many elements were filled.
int splitValues(const QString& text, std::span<int> values);

// Rebuilds the settings text line by line. A section's header is written
// before its first key; each header at most once.
class IniTextWriter {
public:
    // Appends key "=" value CR LF. CR and LF inside a value would end the line
    // early and let the rest be read as other keys, so they become spaces.
    void putIniValue(int section, const QString& key, const QString& value);

    const QString& text() const { return m_text; }
    bool sectionWritten(int section) const;

private:
    QString m_text;
    std::array<bool, SectionCount> m_written{};
};

// Bytes of the file -> settings text: lossless UTF-8 decoding, a leading
// byte-order mark dropped, every LF without CR before it read as CR LF.
QString settingsTextFromBytes(const QByteArray& bytes);
QByteArray settingsTextToBytes(const QString& text);

// The text of the settings file; empty when it is missing or unreadable.
QString readSettingsText(const QString& path);

// Replaces the settings file with `text`. Returns 0 or the errno of the
// failure, in which case the old file is unchanged.
int writeSettingsText(const QString& path, const QString& text);

} // namespace tovane
