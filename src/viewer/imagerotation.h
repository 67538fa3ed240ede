#pragma once
// Turning a picture: the angle the user types, how a turn is carried out
// (quarter turns where they do, a free angle otherwise) and how large the
// turned picture becomes.

#include <QSize>
#include <QString>

namespace tovane {

// The angle dialog's title, prompt and the message of an answer that is
// no whole number.
QString rotationTitle(); // 回転角度の入力
QString rotationPrompt();
QString rotationNotWholeText();
// At most this many characters, the sign included.
inline constexpr int RotationAnswerLength = 4;

// The typed answer read as the Windows design does: trimmed, full-width
// turned half-width, a whole number without "," or "."; `angle` is then
// its remainder by 360 (0: nothing to turn). False for anything else.
bool parseRotationAnswer(const QString& answer, int& angle);

// 180° give or take one is done as two quarter turns of 90°.
bool turnsAsTwoQuarters(int angle);

// Whether a turn by `angle` leaves the picture upright (a right angle, one
// degree past one, or one degree short of one). Anticlockwise angles are
// measured the same way: -30 is a free angle, not an upright one.
bool isRightAngle(int angle);

// The size of the picture `size` (pixels) turned by `angle` degrees: the
// box that holds the whole turned picture.
QSize turnedSize(QSize size, int angle);

// Whether a picture of this size can still be held; a larger one gives
// rotationTooLargeText() and the turn is not made.
bool turnedSizeFits(QSize size);
QString rotationTooLargeText(); // 画像が大きくなったので、回転できませんでした。
QString rotationFailureTitle(); // 画像回転

} // namespace tovane
