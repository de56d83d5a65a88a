#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>

// What the fuzz targets share: the entry point every target defines (libFuzzer
// calls it, and so does the replay program of the normal build), a check that
// stops the run when a reader breaks its own promise, and the splitting of an
// input into a file and the arguments of a change made to it.

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace Fuzz {

inline QByteArray Bytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// A promise of the code under test that did not hold: abort, so that the
// fuzzer keeps the input and the replay test fails.
inline void Check(bool holds, const char* promise)
{
    if (holds)
        return;
    std::fprintf(stderr, "fuzz check failed: %s\n", promise);
    std::abort();
}

// Marks where a file ends and the arguments of a change made to it begin.
// NUL bytes around it keep a real file from holding it by chance, while the
// file part may still hold NUL bytes of its own.
inline const QByteArray ArgumentsMark = QByteArray("\0\0args\0\0", 8);

// The input up to the mark, and what follows it. The text readers take the
// first part as the file and the rest as the arguments of a change, so a seed
// that is a plain file exercises the reader alone.
inline std::pair<QByteArray, QByteArray> SplitArguments(const QByteArray& input)
{
    const qsizetype mark = input.indexOf(ArgumentsMark);
    if (mark < 0)
        return {input, {}};
    return {input.left(mark), input.mid(mark + ArgumentsMark.size())};
}

}
