// Owned references to Python objects.
//
// `Ref` is the only type in this code base that owns a `PyObject*`.  Its
// constructors say whether they take over a reference the caller already
// owns (`Ref::steal`) or add one of their own (`Ref::borrow`).  Plain
// `PyObject*` values elsewhere are borrowed and never released.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <type_traits>
#include <utility>

namespace support {

class Ref {
public:
    Ref() noexcept = default;

    // Takes over a reference the caller owns (for example a C API result
    // documented as "new reference").  `p` may be null.
    static Ref steal(PyObject* p) noexcept { return Ref(p); }

    // Adds a reference to an object the caller only borrows.
    static Ref borrow(PyObject* p) noexcept {
        Py_XINCREF(p);
        return Ref(p);
    }

    Ref(const Ref& other) noexcept : ptr_(other.ptr_) { Py_XINCREF(ptr_); }
    Ref(Ref&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}

    Ref& operator=(Ref other) noexcept {
        // Swap first: the old object is released last, when `other` goes,
        // so a destructor it runs never sees this Ref half-assigned.
        std::swap(ptr_, other.ptr_);
        return *this;
    }

    ~Ref() { Py_XDECREF(ptr_); }

    PyObject* get() const noexcept { return ptr_; }
    explicit operator bool() const noexcept { return ptr_ != nullptr; }

    // Gives the reference to the caller (for returning from a slot).
    [[nodiscard]] PyObject* release() noexcept { return std::exchange(ptr_, nullptr); }

    // Drops the reference the way Py_CLEAR does: the field is null before
    // the object's destructor can run arbitrary code.
    void clear() noexcept {
        PyObject* old = std::exchange(ptr_, nullptr);
        Py_XDECREF(old);
    }

    // Typed view, for structs laid out after PyObject_HEAD.
    template <typename T>
    T* as() const noexcept { return reinterpret_cast<T*>(ptr_); }

private:
    explicit Ref(PyObject* p) noexcept : ptr_(p) {}
    PyObject* ptr_ = nullptr;
};

// A Ref is exactly a PyObject* in size and layout (its only member, at the
// start of a standard-layout class), so it may stand in a field that the
// interpreter itself reads and writes as an owned PyObject*, such as the
// instance dict at a type's tp_dictoffset: both sides then agree on who
// owns the reference.
static_assert(sizeof(Ref) == sizeof(PyObject*) && alignof(Ref) == alignof(PyObject*));
static_assert(std::is_standard_layout_v<Ref>);

}  // namespace support
