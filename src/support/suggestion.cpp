// The interpreter's suggestion rule, on UTF-8 bytes as the interpreter
// compares them: common prefixes and suffixes are trimmed, then a
// Levenshtein distance where a move costs 2 and a change of ASCII case 1,
// given up as soon as a row exceeds the allowed cost.
#include "support/suggestion.hpp"

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace support {
namespace {

constexpr std::size_t move_cost = 2;
constexpr std::size_t case_cost = 1;
constexpr std::size_t max_string_size = 40;
constexpr std::size_t max_candidates = 750;

std::size_t substitution_cost(char a, char b) noexcept {
    if ((a & 31) != (b & 31)) {
        return move_cost;
    }
    if (a == b) {
        return 0;
    }
    auto lower = [](char c) { return 'A' <= c && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; };
    return lower(a) == lower(b) ? case_cost : move_cost;
}

// The distance between `a` and `b`, or max_cost + 1 once it is known to
// be larger than max_cost.
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
    if (a.size() > max_string_size || b.size() > max_string_size) {
        return max_cost + 1;
    }
    if (b.size() < a.size()) {
        std::swap(a, b);
    }
    if ((b.size() - a.size()) * move_cost > max_cost) {
        return max_cost + 1;
    }
    // One row of the matrix, updated in place: row[i] is the cost from the
    // part of `b` seen so far to a[:i + 1].
    std::size_t row[max_string_size];
    for (std::size_t i = 0; i < a.size(); ++i) {
        row[i] = (i + 1) * move_cost;
    }
    std::size_t result = 0;
    for (std::size_t b_index = 0; b_index < b.size(); ++b_index) {
        std::size_t previous = result = b_index * move_cost;
        std::size_t minimum = max_cost + 1;
        for (std::size_t index = 0; index < a.size(); ++index) {
            const std::size_t substitute = previous + substitution_cost(b[b_index], a[index]);
            previous = row[index];
            result = std::min(std::min(result, previous) + move_cost, substitute);
            row[index] = result;
            minimum = std::min(minimum, result);
        }
        if (minimum > max_cost) {
            return max_cost + 1;
        }
    }
    return result;
}

std::string_view utf8_of(PyObject* text) noexcept {
    Py_ssize_t size = 0;
    const char* data = PyUnicode_AsUTF8AndSize(text, &size);
    if (data == nullptr) {
        PyErr_Clear();
        return {nullptr, 0};
    }
    return {data, static_cast<std::size_t>(size)};
}

}  // namespace

Ref closest_name(PyObject* name, std::span<PyObject* const> candidates) noexcept {
    if (candidates.size() >= max_candidates) {
        return {};
    }
    const std::string_view wanted = utf8_of(name);
    if (wanted.data() == nullptr) {
        return {};
    }
    PyObject* best = nullptr;
    std::size_t best_distance = 0;
    for (PyObject* candidate : candidates) {
        const std::string_view text = utf8_of(candidate);
        if (text.data() == nullptr || text == wanted) {
            continue;
        }
        // No more than a third of the characters involved may change, and
        // only a closer candidate replaces the one found.
        std::size_t max_cost = (wanted.size() + text.size() + 3) * move_cost / 6;
        if (best != nullptr) {
            max_cost = std::min(max_cost, best_distance - 1);
        }
        const std::size_t cost = distance(wanted, text, max_cost);
        if (cost <= max_cost && (best == nullptr || cost < best_distance)) {
            best = candidate;
            best_distance = cost;
        }
    }
    return Ref::borrow(best);
}

}  // namespace support
