// SPDX-License-Identifier: GPL-3.0-or-later
// What every fuzz target shares: a check that stops the process (libFuzzer then keeps the input
// as a crash), and a reader that takes the input apart as a little program.
#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: does not hold: %s\n", __FILE__, __LINE__, #condition);    \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

class FuzzInput
{
public:
    FuzzInput(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}

    bool done() const { return m_at >= m_size; }
    // The next byte; 0 once the input is used up.
    uint8_t byte() { return done() ? 0 : m_data[m_at++]; }
    // The next `count` bytes, fewer at the end of the input.
    QByteArray bytes(size_t count)
    {
        const size_t n = count < m_size - m_at ? count : m_size - m_at;
        const QByteArray out(reinterpret_cast<const char *>(m_data + m_at), qsizetype(n));
        m_at += n;
        return out;
    }
    QByteArray rest() { return bytes(m_size - m_at); }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_at = 0;
};
