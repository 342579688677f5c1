// The character scan and copy behind TextBuilder, on the str layout the
// public API exposes (PyUnicode_KIND, PyUnicode_DATA); in the Stable-ABI
// build, the join of the pieces.
#include "support/text.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace support {

#if FETTLE_STABLE_ABI

Ref TextBuilder::build() const {
    Ref pieces = check(PyTuple_New(static_cast<Py_ssize_t>(pieces_.size())));
    for (std::size_t i = 0; i < pieces_.size(); ++i) {
        tuple_fill(pieces.get(), static_cast<Py_ssize_t>(i), Ref::borrow(pieces_[i]));
    }
    // The empty str is the interpreter's own, made once: no table needed.
    Ref nothing = check(PyUnicode_FromStringAndSize("", 0));
    return check(PyUnicode_Join(nothing.get(), pieces.get()));
}

#else

namespace {

// The largest value of the narrowest kind that holds every bit set in
// `bits`.  The kind limits are powers of two minus one, so the OR of some
// characters reaches past a limit exactly when one of them does.
Py_UCS4 kind_limit(Py_UCS4 bits) noexcept {
    return bits >= 0x10000 ? 0x10ffff : bits >= 0x100 ? 0xffff : bits >= 0x80 ? 0xff : 0x7f;
}

// The OR of all characters, read a 64-bit word at a time, checked against
// `ceiling` every block of words so that a slice that needs the text's own
// kind early on is not read to its end.
template <typename Char>
Py_UCS4 scan(const Char* chars, Py_ssize_t count, Py_UCS4 ceiling) noexcept {
    constexpr Py_ssize_t per_word = sizeof(std::uint64_t) / sizeof(Char);
    constexpr Py_ssize_t block = 64 * per_word;
    Py_UCS4 seen = 0;
    Py_ssize_t at = 0;
    while (count - at >= per_word) {
        const Py_ssize_t stop = at + std::min(block, (count - at) / per_word * per_word);
        std::uint64_t bits = 0;
        for (; at < stop; at += per_word) {
            std::uint64_t word;
            std::memcpy(&word, chars + at, sizeof word);
            bits |= word;
        }
        for (unsigned shift = 0; shift < 64; shift += 8 * sizeof(Char)) {
            seen |= static_cast<Char>(bits >> shift);
        }
        if (kind_limit(seen) >= ceiling) {
            return ceiling;
        }
    }
    for (; at < count; ++at) {
        seen |= chars[at];
    }
    return kind_limit(seen);
}

template <typename From, typename To>
void convert(To* to, const From* from, Py_ssize_t count) noexcept {
    for (Py_ssize_t i = 0; i < count; ++i) {
        to[i] = static_cast<To>(from[i]);
    }
}

template <typename From>
void convert_from(void* to, int to_kind, const From* from, Py_ssize_t count) noexcept {
    switch (to_kind) {
        case PyUnicode_1BYTE_KIND:
            convert(static_cast<Py_UCS1*>(to), from, count);
            break;
        case PyUnicode_2BYTE_KIND:
            convert(static_cast<Py_UCS2*>(to), from, count);
            break;
        default:
            convert(static_cast<Py_UCS4*>(to), from, count);
            break;
    }
}

}  // namespace

Py_UCS4 kind_limit_of(PyObject* text, Py_ssize_t start, Py_ssize_t end) noexcept {
    const Py_UCS4 ceiling = PyUnicode_MAX_CHAR_VALUE(text);
    if (ceiling == 0x7f) {
        return ceiling;
    }
    const void* data = PyUnicode_DATA(text);
    switch (PyUnicode_KIND(text)) {
        case PyUnicode_1BYTE_KIND:
            return scan(static_cast<const Py_UCS1*>(data) + start, end - start, ceiling);
        case PyUnicode_2BYTE_KIND:
            return scan(static_cast<const Py_UCS2*>(data) + start, end - start, ceiling);
        default:
            return scan(static_cast<const Py_UCS4*>(data) + start, end - start, ceiling);
    }
}

void copy_characters(PyObject* to, Py_ssize_t at, PyObject* from, Py_ssize_t start, Py_ssize_t count) noexcept {
    const int to_kind = PyUnicode_KIND(to);
    const int from_kind = PyUnicode_KIND(from);
    char* to_data = static_cast<char*>(PyUnicode_DATA(to)) + at * to_kind;
    const char* from_data = static_cast<const char*>(PyUnicode_DATA(from)) + start * from_kind;
    if (to_kind == from_kind) {
        std::memcpy(to_data, from_data, static_cast<std::size_t>(count) * static_cast<std::size_t>(to_kind));
        return;
    }
    switch (from_kind) {
        case PyUnicode_1BYTE_KIND:
            convert_from(to_data, to_kind, reinterpret_cast<const Py_UCS1*>(from_data), count);
            break;
        case PyUnicode_2BYTE_KIND:
            convert_from(to_data, to_kind, reinterpret_cast<const Py_UCS2*>(from_data), count);
            break;
        default:
            convert_from(to_data, to_kind, reinterpret_cast<const Py_UCS4*>(from_data), count);
            break;
    }
}

#endif

}  // namespace support
