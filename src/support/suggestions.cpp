// The interpreter's suggestion for a misspelt name, computed as it does for
// its own error messages (which it does not offer through its API).
#include "support/suggestions.hpp"

#include "support/abi.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <limits>
#include <string_view>

namespace support {
namespace {

constexpr Py_ssize_t max_candidates = 750;
constexpr std::size_t max_length = 40;
constexpr std::size_t move_cost = 2;
constexpr std::size_t case_cost = 1;

std::size_t substitution_cost(char a, char b) noexcept {
    // Characters whose five low bits differ are no case pair: a full change.
    if ((a & 31) != (b & 31)) {
        return move_cost;
    }
    if (a == b) {
        return 0;
    }
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; };
    return lower(a) == lower(b) ? case_cost : move_cost;
}

// The edit distance of `a` and `b`, or max_cost + 1 once it is known to
// exceed max_cost.
std::size_t distance(std::string_view a, std::string_view b, std::size_t max_cost) noexcept {
    while (!a.empty() && !b.empty() && a.front() == b.front()) {
        a.remove_prefix(1);
        b.remove_prefix(1);
    }
    while (!a.empty() && !b.empty() && a.back() == b.back()) {
        a.remove_suffix(1);
        b.remove_suffix(1);
    }
    if (a.empty() || b.empty()) {
        return (a.size() + b.size()) * move_cost;
    }
    if (a.size() > max_length || b.size() > max_length) {
        return max_cost + 1;
    }
    if (b.size() < a.size()) {
        std::swap(a, b);
    }
    if ((b.size() - a.size()) * move_cost > max_cost) {
        return max_cost + 1;
    }
    // One row of the matrix, updated in place.
    std::array<std::size_t, max_length> row{};
    for (std::size_t i = 0; i < a.size(); ++i) {
        row[i] = (i + 1) * move_cost;
    }
    std::size_t result = 0;
    for (std::size_t b_index = 0; b_index < b.size(); ++b_index) {
        std::size_t diagonal = result = b_index * move_cost;
        std::size_t minimum = std::numeric_limits<std::size_t>::max();
        for (std::size_t index = 0; index < a.size(); ++index) {
            const std::size_t substitute = diagonal + substitution_cost(b[b_index], a[index]);
            diagonal = row[index];
            const std::size_t insert_delete = std::min(result, diagonal) + move_cost;
            result = std::min(insert_delete, substitute);
            row[index] = result;
            minimum = std::min(minimum, result);
        }
        if (minimum > max_cost) {
            return max_cost + 1;
        }
    }
    return result;
}

// The UTF-8 of a str, or nothing (the error cleared) when it has none.
bool utf8_of(PyObject* text, std::string_view& utf8) noexcept {
    Py_ssize_t size = 0;
    const char* data = PyUnicode_AsUTF8AndSize(text, &size);
    if (data == nullptr) {
        PyErr_Clear();
        return false;
    }
    utf8 = std::string_view(data, static_cast<std::size_t>(size));
    return true;
}

}  // namespace

bool suggests_keywords() noexcept { return Py_Version >= 0x030D0000; }

Ref keyword_suggestion(PyObject* names, Py_ssize_t count, PyObject* name) {
    std::string_view wanted;
    if (count >= max_candidates || !utf8_of(name, wanted)) {
        return {};
    }
    PyObject* suggestion = nullptr;
    std::size_t suggestion_distance = std::numeric_limits<std::size_t>::max();
    for (Py_ssize_t i = 0; i < count; ++i) {
        PyObject* item = tuple_item(names, i);
        // Compared as str, as the interpreter does here (no __eq__ of a
        // subclass runs).
        const int order = PyUnicode_Compare(name, item);
        if (order == -1 && PyErr_Occurred() != nullptr) {
            PyErr_Clear();
            return {};
        }
        if (order == 0) {
            continue;
        }
        std::string_view candidate;
        if (!utf8_of(item, candidate)) {
            return {};
        }
        // No more than a third of the characters involved may change, and
        // only a closer name replaces the one found.
        const std::size_t max_distance = std::min((wanted.size() + candidate.size() + 3) * move_cost / 6,
                                                  suggestion_distance - 1);
        const std::size_t found = distance(wanted, candidate, max_distance);
        if (found <= max_distance) {
            suggestion = item;
            suggestion_distance = found;
        }
    }
    return Ref::borrow(suggestion);
}

}  // namespace support
