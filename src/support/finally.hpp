// try/finally with Python's semantics for the exception in flight.
#pragma once

#include "support/error.hpp"

namespace support {

// The exception being raised, taken out of the interpreter while cleanup
// code runs and put back afterwards.
class PendingError {
public:
    PendingError() noexcept {
        PyObject* type;
        PyObject* value;
        PyObject* traceback;
        PyErr_Fetch(&type, &value, &traceback);
        PyErr_NormalizeException(&type, &value, &traceback);
        type_ = Ref::steal(type);
        value_ = Ref::steal(value);
        traceback_ = Ref::steal(traceback);
        if (traceback_ && value_) {
            PyException_SetTraceback(value_.get(), traceback_.get());
        }
    }

    // Raises it again.
    void restore() noexcept { PyErr_Restore(type_.release(), value_.release(), traceback_.release()); }

    // A new exception raised by the cleanup replaces this one, which
    // becomes its __context__, as in a finally block.
    void chain_under_current() noexcept {
        PyObject* type;
        PyObject* value;
        PyObject* traceback;
        PyErr_Fetch(&type, &value, &traceback);
        PyErr_NormalizeException(&type, &value, &traceback);
        if (value != nullptr && value_ && value != value_.get()) {
            PyException_SetContext(value, value_.release());
        }
        PyErr_Restore(type, value, traceback);
    }

private:
    Ref type_;
    Ref value_;
    Ref traceback_;
};

// Runs `cleanup` while the exception raised by the body is in flight, then
// raises it again; an exception of the cleanup replaces it, chained.
template <typename Cleanup>
[[noreturn]] void cleanup_and_reraise(Cleanup&& cleanup) {
    PendingError pending;
    try {
        cleanup();
    } catch (const PythonError&) {
        pending.chain_under_current();
        throw;
    }
    pending.restore();
    throw PythonError{};
}

// Runs `body`, then `cleanup` whether or not the body raised, as
//     try: body()
//     finally: cleanup()
template <typename Body, typename Cleanup>
auto try_finally(Body&& body, Cleanup&& cleanup) -> decltype(body()) {
    try {
        auto result = body();
        cleanup();
        return result;
    } catch (const PythonError&) {
        cleanup_and_reraise(cleanup);
    }
}

// Runs `body`; if it raises, runs `cleanup` and raises again, as
//     try: body()
//     except BaseException: cleanup(); raise
template <typename Body, typename Cleanup>
auto on_error(Body&& body, Cleanup&& cleanup) -> decltype(body()) {
    try {
        return body();
    } catch (const PythonError&) {
        cleanup_and_reraise(cleanup);
    }
}

}  // namespace support
