#include "FrameAssembler.h"

#include "Frame.h"

#include <algorithm>

void FrameAssembler::feed(QByteArrayView bytes)
{
    pending_.remove(0, framed_);
    framed_ = 0;
    pending_.append(bytes);
}

std::optional<QByteArray> FrameAssembler::next()
{
    const auto isFrameChar = [](char c) { return c == Frame::StartChar || c == Frame::EndChar; };
    qsizetype used = framed_;
    std::optional<QByteArray> complete;
    while (used < pending_.size() && !complete) {
        const auto begin = pending_.cbegin() + used;
        const auto found = std::find_if(begin, pending_.cend(), isFrameChar);
        append(QByteArrayView(begin, found));
        used = found - pending_.cbegin();
        if (found == pending_.cend())
            break;
        ++used;
        if (*found == Frame::StartChar) {
            message_.clear();
            inMessage_ = true;
            skipping_ = false;
            continue;
        }
        // The end character.
        if (!skipping_ && (inMessage_ || framing_ == Framing::EndCompletes))
            complete = message_;
        message_.clear();
        inMessage_ = false;
        skipping_ = false;
    }
    framed_ = used;
    if (framed_ == pending_.size()) {
        pending_.clear();
        framed_ = 0;
    }
    return complete;
}

void FrameAssembler::append(QByteArrayView bytes)
{
    if (bytes.isEmpty() || skipping_ || (framing_ == Framing::StartRequired && !inMessage_))
        return;
    if (message_.size() + bytes.size() > MaxMessageSize) {
        message_.clear();
        skipping_ = true;
        ++dropped_;
        return;
    }
    message_.append(bytes);
}

void FrameAssembler::clear()
{
    pending_.clear();
    framed_ = 0;
    message_.clear();
    inMessage_ = false;
    skipping_ = false;
}
