#pragma once

#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A broken property is a finding: abort so that libFuzzer saves the input and the replay test fails.
#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition);                      \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

// Fuzz input as text: UTF-8, or (first byte odd) raw UTF-16 that may hold lone surrogates.
inline QString textFrom(const uint8_t* data, size_t size)
{
    if (size == 0 || data[0] % 2 == 0)
        return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    QString text(qsizetype((size - 1) / 2), Qt::Uninitialized);
    for (qsizetype index = 0; index < text.size(); ++index)
        text[index] = QChar(char16_t(data[1 + 2 * index] | (data[2 + 2 * index] << 8)));
    return text;
}
