#pragma once
#include <QByteArray>

// The instrument's message frame: STX, length character (payload length +
// offset), payload, two-digit hexadecimal 7-bit checksum, CR. Frames are
// 8-bit text, held as QByteArray.
namespace Frame {
constexpr char StartChar = 2;
constexpr char EndChar = 13;
constexpr int RequestOffset = 32;

// The checksum value (0..127) of a length character and payload: the value
// that brings their code sum to a multiple of 128.
int Checksum(const QByteArray& lengthAndPayload);

// A whole frame without its start and end characters (length character,
// payload, checksum): how requests and replies are logged and shown.
QByteArray Body(const QByteArray& frame);

// The payload of a message (length character, payload, checksum).
QByteArray Payload(const QByteArray& message);
}

// The full frame for a payload. Throws std::overflow_error when
// payload length + offset exceeds 255.
QByteArray ComposeMessage(const QByteArray& payload, int offset = Frame::RequestOffset);
