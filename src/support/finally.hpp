// try/finally with Python's semantics for the exception in flight.
#pragma once

#include "support/error.hpp"
#include "support/raised.hpp"

#include <utility>

namespace support {

// The exception being raised, taken out of the interpreter while cleanup
// code runs and put back afterwards.
class PendingError {
public:
    PendingError() noexcept : error_(take_raised()) {}

    // Raises it again.
    void restore() noexcept { set_raised(std::move(error_)); }

    // A new exception raised by the cleanup replaces this one, which
    // becomes its __context__, as in a finally block.
    void chain_under_current() noexcept {
        Ref current = take_raised();
        if (current && error_ && current.get() != error_.get()) {
            PyException_SetContext(current.get(), error_.release());
        }
        set_raised(std::move(current));
    }

private:
    Ref error_;
};

// Runs `cleanup` while the exception being handled is in flight, then
// raises it again; an exception of the cleanup replaces it, chained.  Call
// it only inside a catch block: whatever was caught (a C++ exception of
// any kind included) is raised as its Python exception first, so the
// cleanup runs for every exception, as a finally block does.
template <typename Cleanup>
[[noreturn]] void cleanup_and_reraise(Cleanup&& cleanup) {
    set_error_for_current_exception();
    PendingError pending;
    try {
        cleanup();
    } catch (...) {
        set_error_for_current_exception();
        pending.chain_under_current();
        throw PythonError{};
    }
    pending.restore();
    throw PythonError{};
}

// Runs `body`, then `cleanup` whether or not the body raised, as
//     try: body()
//     finally: cleanup()
// A cleanup that raises after a successful body runs only once.
template <typename Body, typename Cleanup>
auto try_finally(Body&& body, Cleanup&& cleanup) -> decltype(body()) {
    auto result = [&]() -> decltype(body()) {
        try {
            return body();
        } catch (...) {
            cleanup_and_reraise(cleanup);
        }
    }();
    cleanup();
    return result;
}

// Runs `body`; if it raises, runs `cleanup` and raises again, as
//     try: body()
//     except BaseException: cleanup(); raise
template <typename Body, typename Cleanup>
auto on_error(Body&& body, Cleanup&& cleanup) -> decltype(body()) {
    try {
        return body();
    } catch (...) {
        cleanup_and_reraise(cleanup);
    }
}

}  // namespace support
