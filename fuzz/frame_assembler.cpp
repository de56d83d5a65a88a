// The frame assembler on both sides of the line. The first input byte sets
// how the rest arrives: its low seven bits the size of each read (1 to 128
// bytes), its high bit whether the rest comes 64 times over, so that the
// bound on a message's length is reached as well.
#include "FuzzCheck.h"

#include "link/Frame.h"
#include "link/FrameAssembler.h"

namespace {

void Assemble(FrameAssembler::Framing framing, QByteArrayView stream, qsizetype readSize, int repeats)
{
    FrameAssembler assembler(framing);
    int dropped = 0;
    for (int r = 0; r < repeats; ++r) {
        for (qsizetype at = 0; at < stream.size(); at += readSize) {
            assembler.feed(stream.sliced(at, qMin(readSize, stream.size() - at)));
            while (const auto message = assembler.next()) {
                Fuzz::Check(message->size() <= FrameAssembler::MaxMessageSize, "a message stays within the bound");
                Fuzz::Check(!message->contains(Frame::StartChar) && !message->contains(Frame::EndChar),
                    "a message holds no start or end character");
            }
            Fuzz::Check(assembler.droppedMessages() >= dropped, "the dropped count only grows");
            dropped = assembler.droppedMessages();
        }
    }
    assembler.clear();
    Fuzz::Check(!assembler.next(), "nothing is left after clear");
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const qsizetype readSize = (data[0] & 0x7F) + 1;
    const int repeats = (data[0] & 0x80) ? 64 : 1;
    const QByteArrayView stream(reinterpret_cast<const char*>(data) + 1, qsizetype(size) - 1);
    Assemble(FrameAssembler::Framing::EndCompletes, stream, readSize, repeats);
    Assemble(FrameAssembler::Framing::StartRequired, stream, readSize, repeats);
    return 0;
}
