#pragma once
// File names on Linux are bytes. They become QString losslessly: valid UTF-8
// decodes as usual, every byte of an invalid sequence maps to U+DC80..U+DCFF
// (as Python's surrogateescape) and maps back to the same byte.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace tovane::platform {

QString nameFromBytes(QByteArrayView bytes);
QByteArray nameToBytes(QStringView name);

// Paths convert the same way; "/" is an ordinary ASCII byte.
inline QString pathFromBytes(QByteArrayView bytes) { return nameFromBytes(bytes); }
inline QByteArray pathToBytes(QStringView path) { return nameToBytes(path); }

} // namespace tovane::platform
