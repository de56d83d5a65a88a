#pragma once
#include <QByteArray>

class SessionLog;

// The reply check: true when a received message (length character + payload
// + two checksum digits) is rejected, with the reason in the log. A length
// character with an even code marks an extended-length message, checked by
// its length field and plain checksum; "2" heads a message that is accepted
// unchecked. A "CJ03" reply (sent by firmware 1.08 and 1.09 with a wrong
// length character and checksum) is replaced by its corrected form.
bool ErrorInMessage(SessionLog& log, QByteArray& message);

// The frame check both ends make of an ordinary message (length character,
// payload, two checksum digits): its length character must count the
// payload and its checksum match.
enum class FrameFault { None, Length, Checksum };
FrameFault CheckFrame(const QByteArray& message);

// The longest message the check can accept: an extended message whose
// one-byte length field counts 255 blocks of 128 four-character groups, plus
// its length character, the field's echo and the checksum (10 characters).
inline constexpr qsizetype LongestMessage = 4 * 255 * 128 + 10;
