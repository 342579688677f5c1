// Building one str from pieces of others in a single allocation.
//
// Used where a Python expression would make intermediate strings (slices,
// joins) only to copy them into a final one.  The result is a canonical
// str: its kind is chosen from the largest character actually copied, so it
// compares and hashes like any str Python builds.
#pragma once

#include "support/error.hpp"

#include <vector>

namespace support {

class TextBuilder {
public:
    // The whole of `text` (an exact str).
    void add(PyObject* text) { add(text, 0, PyUnicode_GET_LENGTH(text)); }

    // text[start:end], with 0 <= start <= end <= len(text).
    void add(PyObject* text, Py_ssize_t start, Py_ssize_t end) {
        allocating([&] { pieces_.push_back({text, start, end}); });
        length_ += end - start;
        if (end > start && max_char_ < 0x10ffff) {
            Py_UCS4 piece_max;
            if (PyUnicode_IS_ASCII(text)) {
                piece_max = 0x7f;
            } else if (start == 0 && end == PyUnicode_GET_LENGTH(text)) {
                piece_max = PyUnicode_MAX_CHAR_VALUE(text);
            } else {
                piece_max = _PyUnicode_FindMaxChar(text, start, end);
            }
            max_char_ = piece_max > max_char_ ? piece_max : max_char_;
        }
    }

    void clear() noexcept {
        pieces_.clear();
        length_ = 0;
        max_char_ = 0;
    }

    Ref build() const {
        Ref result = check(PyUnicode_New(length_, max_char_));
        Py_ssize_t position = 0;
        for (const Piece& piece : pieces_) {
            _PyUnicode_FastCopyCharacters(result.get(), position, piece.text, piece.start, piece.end - piece.start);
            position += piece.end - piece.start;
        }
        return result;
    }

private:
    struct Piece {
        PyObject* text;  // borrowed: the caller keeps the pieces alive until build()
        Py_ssize_t start;
        Py_ssize_t end;
    };
    std::vector<Piece> pieces_;
    Py_ssize_t length_ = 0;
    Py_UCS4 max_char_ = 0;
};

}  // namespace support
