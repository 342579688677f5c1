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
