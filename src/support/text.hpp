// Building one str from pieces of others in a single allocation.
//
// Used where a Python expression would make intermediate strings (slices,
// joins) only to copy them into a final one.  The result is a canonical
// str: its kind is chosen from the largest character actually copied, so it
// compares and hashes like any str Python builds.
//
// The Stable ABI does not show a str's characters, so there the builder
// takes the general road: each slice becomes a str of its own and the
// pieces are joined, as the Python expression would do it.
#pragma once

#include "support/abi.hpp"

#include <array>
#include <cstring>
#include <vector>

namespace support {

#if FETTLE_STABLE_ABI

class TextBuilder {
public:
    // The whole of `text` (a str).
    void add(PyObject* text) {
        allocating([&] { pieces_.push_back(text); });
    }

    // text[start:end], with 0 <= start <= end <= len(text).
    void add(PyObject* text, Py_ssize_t start, Py_ssize_t end) {
        Ref slice = check(PyUnicode_Substring(text, start, end));
        allocating([&] {
            slices_.reserve(slices_.size() + 1);
            pieces_.push_back(slice.get());
        });
        slices_.push_back(std::move(slice));
    }

    void clear() noexcept {
        pieces_.clear();
        slices_.clear();
    }

    Ref build() const;

private:
    std::vector<PyObject*> pieces_;  // borrowed: the caller keeps them alive until build(), or slices_ does
    std::vector<Ref> slices_;
};

#else

// The largest character value a str of the kind that text[start:end] needs
// may hold (0x7f for ASCII, 0xff, 0xffff, 0x10ffff).  The scan stops as
// soon as the slice is known to need the widest kind `text` itself has.
Py_UCS4 kind_limit_of(PyObject* text, Py_ssize_t start, Py_ssize_t end) noexcept;

// Copies `count` characters of `from`, starting at `start`, to `to` at
// `at`; `to` is a new str whose kind can hold them.
void copy_characters(PyObject* to, Py_ssize_t at, PyObject* from, Py_ssize_t start, Py_ssize_t count) noexcept;

class TextBuilder {
public:
    // The whole of `text` (a str).
    void add(PyObject* text) { add(text, 0, PyUnicode_GET_LENGTH(text)); }

    // text[start:end], with 0 <= start <= end <= len(text).
    void add(PyObject* text, Py_ssize_t start, Py_ssize_t end) {
        const Piece piece{text, start, end};
        if (count_ < inline_pieces) [[likely]] {
            first_[count_] = piece;
        } else {
            allocating([&] { more_.push_back(piece); });
        }
        ++count_;
        length_ += end - start;
        // A piece can widen the result only if its text is wider than the
        // result so far; a whole str has exactly the kind it needs.
        if (end > start && PyUnicode_MAX_CHAR_VALUE(text) > max_char_) {
            const Py_UCS4 piece_max = start == 0 && end == PyUnicode_GET_LENGTH(text)
                                          ? PyUnicode_MAX_CHAR_VALUE(text)
                                          : kind_limit_of(text, start, end);
            max_char_ = piece_max > max_char_ ? piece_max : max_char_;
        }
    }

    void clear() noexcept {
        count_ = 0;
        more_.clear();
        length_ = 0;
        max_char_ = 0;
    }

    Ref build() const {
        Ref result = check(PyUnicode_New(length_, max_char_));
        const int kind = PyUnicode_KIND(result.get());
        char* to = static_cast<char*>(PyUnicode_DATA(result.get()));
        Py_ssize_t position = 0;
        const auto copy = [&](const Piece& piece) {
            const Py_ssize_t count = piece.end - piece.start;
            // Mostly the pieces are of the result's own kind: a plain copy.
            if (PyUnicode_KIND(piece.text) == kind) {
                std::memcpy(to + position * kind,
                            static_cast<const char*>(PyUnicode_DATA(piece.text)) + piece.start * kind,
                            static_cast<std::size_t>(count) * static_cast<std::size_t>(kind));
            } else {
                copy_characters(result.get(), position, piece.text, piece.start, count);
            }
            position += count;
        };
        const std::size_t held = count_ < inline_pieces ? count_ : inline_pieces;
        for (std::size_t i = 0; i < held; ++i) {
            copy(first_[i]);
        }
        for (const Piece& piece : more_) {
            copy(piece);
        }
        return result;
    }

private:
    struct Piece {
        // Borrowed: the caller keeps the pieces alive until build(), by
        // references of its own (without the GIL an item read from a list
        // another thread can change is not one; support::ListSnapshot is).
        PyObject* text;
        Py_ssize_t start;
        Py_ssize_t end;
    };
    // The first pieces are held in place (an error item has about a
    // dozen), the rest in a vector: no allocation per text built.
    static constexpr std::size_t inline_pieces = 16;
    std::array<Piece, inline_pieces> first_;
    std::vector<Piece> more_;
    std::size_t count_ = 0;
    Py_ssize_t length_ = 0;
    Py_UCS4 max_char_ = 0;
};

#endif

}  // namespace support
