#include "fettler/rotation.hpp"

#include "fettler/cycle.hpp"
#include "fettler/names.hpp"
#include "fettler/state.hpp"
#include "support/abi.hpp"
#include "support/globals.hpp"
#include "support/raised.hpp"

#include <new>

namespace fettler {
namespace {

using support::Ref;

enum class State { created, suspended, running, finished };

// A thread that finds the rotation created or suspended and makes it
// running owns it, as the interpreter's own generators are owned: nobody
// else touches its fields until it is made suspended or finished again
// (another thread's advance meets "generator already executing"), and the
// body may call any Python code in between.  The collector reads and
// clears the fields only while every other thread is stopped.
struct RotationObject {
    PyObject_HEAD
    PyObject* weakreflist;
    support::ThreadShared<State> state;
    // The body iterates either a cycle of its own, when the module's
    // `cycle` is the built-in one, or iter(cycle(...)) of whatever `cycle`
    // has been replaced with.
    bool own_cycle;
    struct Fields {
        Ref function;  // Fettler._languages, for its globals and names
        Ref engine;    // `self` of the generator's body
        Ref iterator;  // iter(cycle(self.config.required_languages))
        Cycle cycle;   // or the built-in cycle's steps, run here
    } fields;
};

RotationObject& as_rotation(PyObject* self) { return *reinterpret_cast<RotationObject*>(self); }

support::FunctionObject& function_of(RotationObject& rotation) {
    return *rotation.fields.function.as<support::FunctionObject>();
}

// The body has ended, normally or by an exception: a finished generator
// holds on to nothing.  Called by the owner; the fields are dropped (which
// may run code) before anyone else may look at them.
void finish(RotationObject& rotation) {
    rotation.fields.engine.clear();
    rotation.fields.iterator.clear();
    rotation.fields.cycle.clear();
    rotation.state.store(State::finished);
}

// Makes the rotation running, for this thread alone: false (no error set)
// when it has finished, ValueError while it runs.  `was` tells what it was.
bool claim(RotationObject& rotation, State& was) {
    was = rotation.state.load();
    while (true) {
        if (was == State::running) {
            PyErr_SetString(PyExc_ValueError, "generator already executing");
            return false;
        }
        if (was == State::finished) {
            return false;
        }
        if (rotation.state.replace(was, State::running)) {
            return true;
        }
    }
}

// A StopIteration escaping a generator's body becomes RuntimeError, with
// the StopIteration as its cause and context.
void replace_stop_iteration() noexcept {
    if (!PyErr_ExceptionMatches(PyExc_StopIteration)) {
        return;
    }
    const Ref stop = support::take_raised();
    support::guard(0, [&] {
        Ref message = support::new_str("generator raised StopIteration");
        Ref error = support::call(PyExc_RuntimeError, message.get());
        PyException_SetCause(error.get(), Py_NewRef(stop.get()));
        PyException_SetContext(error.get(), Py_NewRef(stop.get()));
        support::set_raised(std::move(error));
        return 0;
    });
}

// The start of the body: `cycle(self.config.required_languages)`, iterated
// (the global is read first, as Python evaluates a call).
void start_body(RotationObject& rotation) {
    support::FunctionObject& function = function_of(rotation);
    const support::ModuleStrings& strings = function.strings();
    Ref cycle = support::load_global(function, names::cycle);
    Ref config = support::getattr(rotation.fields.engine.get(), strings[names::config]);
    Ref configured = support::getattr(config.get(), strings[names::required_languages]);
    if (cycle.get() == state_of(function).cycle_type.get()) {
        rotation.own_cycle = true;
        rotation.fields.cycle.start(configured.get());
        return;
    }
    Ref cycled = support::call(cycle.get(), configured.get());
    rotation.fields.iterator = support::check(PyObject_GetIter(cycled.get()));
}

// The for loop's next item: null when the body's loop has ended.
PyObject* next_item(RotationObject& rotation) {
    if (rotation.own_cycle) {
        return rotation.fields.cycle.next().release();
    }
    return PyIter_Next(rotation.fields.iterator.get());
}

// Cleared by the garbage collector while unreachable (a finalizer may
// still reach it): there is nothing left to run.
bool body_cleared(const RotationObject& rotation, State was) {
    if (was == State::created) {
        return !rotation.fields.engine;
    }
    return rotation.own_cycle ? !rotation.fields.cycle.started() : !rotation.fields.iterator;
}

// Resumes the body (with `thrown` set, the exception is raised where the
// body stands).  Returns the yielded item, or null: with an exception set
// on failure, without one when the body ended.  With `drawn`, also where
// the item stands, when the body runs the built-in cycle itself (read
// before another thread can advance the rotation).
PyObject* resume(PyObject* self, bool thrown, std::optional<Drawn>* drawn = nullptr) {
    RotationObject& rotation = as_rotation(self);
    State was = State::created;
    if (!claim(rotation, was)) {
        return nullptr;  // a thrown exception stays set, as for a finished generator
    }
    Ref keep_alive = Ref::borrow(self);
    if (thrown) {
        finish(rotation);
        replace_stop_iteration();
        return nullptr;
    }
    if (body_cleared(rotation, was)) {
        finish(rotation);
        return nullptr;
    }
    const bool starting = was == State::created;
    PyObject* item = support::guard<PyObject*>(nullptr, [&]() -> PyObject* {
        if (starting) {
            start_body(rotation);
        }
        // The for loop: an exhausted iterator ends the body normally.
        return next_item(rotation);
    });
    if (item == nullptr) {
        finish(rotation);
        replace_stop_iteration();
        return nullptr;
    }
    if (drawn != nullptr && rotation.own_cycle) {
        *drawn = Drawn{rotation.fields.cycle.position(), rotation.fields.cycle.configured()};
    }
    rotation.state.store(State::suspended);
    return item;
}

PyObject* rotation_iternext(PyObject* self) { return resume(self, false); }

PyObject* rotation_send(PyObject* self, PyObject* value) {
    RotationObject& rotation = as_rotation(self);
    if (rotation.state.load() == State::created && value != Py_None) {
        PyErr_SetString(PyExc_TypeError, "can't send non-None value to a just-started generator");
        return nullptr;
    }
    // The sent value is the value of the `yield` expression, which the body
    // does not use.
    PyObject* item = resume(self, false);
    if (item == nullptr && !PyErr_Occurred()) {
        PyErr_SetNone(PyExc_StopIteration);
    }
    return item;
}

// throw(type[, value[, traceback]]), with the argument checks of a Python
// generator.
PyObject* rotation_throw(PyObject* self, PyObject* args) {
    PyObject* type = nullptr;
    PyObject* value = nullptr;
    PyObject* traceback = nullptr;
    if (!PyArg_UnpackTuple(args, "throw", 1, 3, &type, &value, &traceback)) {
        return nullptr;
    }
    // Newer interpreters deprecate the separate value and traceback, with
    // this warning, before they look at the arguments.
    if (value != nullptr && support::interpreter_at_least(0x030C0000) &&
        PyErr_WarnEx(PyExc_DeprecationWarning,
                     "the (type, exc, tb) signature of throw() is deprecated, use the single-arg signature instead.",
                     1) < 0) {
        return nullptr;
    }
    if (traceback == Py_None) {
        traceback = nullptr;
    } else if (traceback != nullptr && !PyTraceBack_Check(traceback)) {
        PyErr_SetString(PyExc_TypeError, "throw() third argument must be a traceback object");
        return nullptr;
    }
    if (PyExceptionClass_Check(type)) {
        // Instantiates the class with `value`, as a raise statement would.
        PyObject* raw_type = Py_NewRef(type);
        PyObject* raw_value = Py_XNewRef(value);
        PyObject* raw_traceback = Py_XNewRef(traceback);
        PyErr_NormalizeException(&raw_type, &raw_value, &raw_traceback);
        PyErr_Restore(raw_type, raw_value, raw_traceback);
    } else if (PyExceptionInstance_Check(type)) {
        if (value != nullptr && value != Py_None) {
            PyErr_SetString(PyExc_TypeError, "instance exception may not have a separate value");
            return nullptr;
        }
        PyObject* raw_traceback = traceback != nullptr ? Py_NewRef(traceback) : PyException_GetTraceback(type);
        PyErr_Restore(Py_NewRef(PyExceptionInstance_Class(type)), Py_NewRef(type), raw_traceback);
    } else {
        return support::guard_object([&]() -> Ref {
            Ref type_name = support::type_name_of(type);
            support::raise_format(PyExc_TypeError,
                                  "exceptions must be classes or instances deriving from BaseException, not %U",
                                  type_name.get());
        });
    }
    // A finished generator re-raises what was thrown: resume() leaves it set.
    return resume(self, true);
}

PyObject* rotation_close(PyObject* self, PyObject*) {
    RotationObject& rotation = as_rotation(self);
    State was = State::created;
    if (!claim(rotation, was)) {
        return was == State::running ? nullptr : Py_NewRef(Py_None);
    }
    // GeneratorExit raised at the body's `yield` (or at its start) leaves it
    // at once: the body has no handler.
    finish(rotation);
    Py_RETURN_NONE;
}

int rotation_traverse(PyObject* self, visitproc visit, void* arg) {
    RotationObject& rotation = as_rotation(self);
    Py_VISIT(Py_TYPE(self));
    Py_VISIT(rotation.fields.function.get());
    Py_VISIT(rotation.fields.engine.get());
    Py_VISIT(rotation.fields.iterator.get());
    return rotation.fields.cycle.traverse(visit, arg);
}

int rotation_clear(PyObject* self) {
    RotationObject& rotation = as_rotation(self);
    rotation.fields.engine.clear();
    rotation.fields.iterator.clear();
    rotation.fields.cycle.clear();
    // `function` stays: repr, __name__ and __qualname__ read it.  It can
    // reach back to this generator (through its __dict__ or __globals__),
    // but such a cycle is still broken: the function's own tp_clear drops
    // those, keeping only the name and qualname, which are str.
    return 0;
}

void rotation_dealloc(PyObject* self) {
    PyTypeObject* type = Py_TYPE(self);
    PyObject_GC_UnTrack(self);
    RotationObject& rotation = as_rotation(self);
    if (rotation.weakreflist != nullptr) {
        PyObject_ClearWeakRefs(self);
    }
    rotation.fields.~Fields();
    support::free_instance(type, self);
    Py_DECREF(type);
}

PyObject* rotation_repr(PyObject* self) {
    const Ref qualname = function_of(as_rotation(self)).read(&support::FunctionObject::Fields::qualname);
    return PyUnicode_FromFormat("<generator object %U at %p>", qualname.get(), self);
}

PyObject* get_name(PyObject* self, void*) {
    return function_of(as_rotation(self)).read(&support::FunctionObject::Fields::name).release();
}

PyObject* get_qualname(PyObject* self, void*) {
    return function_of(as_rotation(self)).read(&support::FunctionObject::Fields::qualname).release();
}

PyObject* get_running(PyObject* self, void*) {
    return PyBool_FromLong(as_rotation(self).state.load() == State::running);
}

PyObject* get_suspended(PyObject* self, void*) {
    return PyBool_FromLong(as_rotation(self).state.load() == State::suspended);
}

PyObject* get_yieldfrom(PyObject*, void*) { Py_RETURN_NONE; }

PyMethodDef rotation_methods[] = {
    {"send", rotation_send, METH_O,
     "send(arg) -> send 'arg' into generator,\nreturn next yielded value or raise StopIteration."},
    {"throw", rotation_throw, METH_VARARGS,
     "throw(value)\nthrow(type[,value[,tb]])\n\nRaise exception in generator, return next yielded value or raise\n"
     "StopIteration."},
    {"close", rotation_close, METH_NOARGS, "close() -> raise GeneratorExit inside generator."},
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef rotation_getset[] = {
    {"__name__", get_name, nullptr, nullptr, nullptr},
    {"__qualname__", get_qualname, nullptr, nullptr, nullptr},
    {"gi_running", get_running, nullptr, nullptr, nullptr},
    {"gi_suspended", get_suspended, nullptr, nullptr, nullptr},
    {"gi_yieldfrom", get_yieldfrom, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMemberDef rotation_members[] = {
    {"__weaklistoffset__", support::member_ssize_t, offsetof(RotationObject, weakreflist), support::member_readonly, nullptr},
    {nullptr, 0, 0, 0, nullptr},
};

PyType_Slot rotation_slots[] = {
    {Py_tp_dealloc, reinterpret_cast<void*>(rotation_dealloc)},
    {Py_tp_traverse, reinterpret_cast<void*>(rotation_traverse)},
    {Py_tp_clear, reinterpret_cast<void*>(rotation_clear)},
    {Py_tp_repr, reinterpret_cast<void*>(rotation_repr)},
    {Py_tp_iter, reinterpret_cast<void*>(PyObject_SelfIter)},
    {Py_tp_iternext, reinterpret_cast<void*>(rotation_iternext)},
    {Py_tp_methods, rotation_methods},
    {Py_tp_getset, rotation_getset},
    {Py_tp_members, rotation_members},
    {0, nullptr},
};

}  // namespace

Ref make_generator_type(PyObject* module) {
    PyType_Spec type_shape = {
        "fettler.generator",
        sizeof(RotationObject),
        0,
        Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC | Py_TPFLAGS_DISALLOW_INSTANTIATION | Py_TPFLAGS_IMMUTABLETYPE,
        rotation_slots,
    };
    return support::check(PyType_FromModuleAndSpec(module, &type_shape, nullptr));
}

Ref make_rotation(PyObject* generator_type, support::FunctionObject& function, PyObject* engine) {
    auto* type = reinterpret_cast<PyTypeObject*>(generator_type);
    Ref self = support::allocate(type);
    RotationObject& rotation = as_rotation(self.get());
    new (&rotation.fields) RotationObject::Fields{};
    new (&rotation.state) support::ThreadShared<State>(State::created);
    rotation.own_cycle = false;
    rotation.fields.function = Ref::borrow(reinterpret_cast<PyObject*>(&function));
    rotation.fields.engine = Ref::borrow(engine);
    return self;
}

std::optional<Ref> next_of_rotation(PyObject* rotation) {
    if (support::iternext_slot(Py_TYPE(rotation)) != rotation_iternext) {
        return std::nullopt;
    }
    Ref item = Ref::steal(rotation_iternext(rotation));
    if (!item) {
        // The built-in next(): a body that ended says StopIteration, an
        // error stays what it was.
        if (!PyErr_Occurred()) {
            PyErr_SetNone(PyExc_StopIteration);
        }
        support::throw_error();
    }
    return item;
}

Step next_drawn(PyObject* iterator, PyObject* generator_type) {
    if (Py_TYPE(iterator) != reinterpret_cast<PyTypeObject*>(generator_type)) {
        return {support::check_or_end(PyIter_Next(iterator)), std::nullopt};
    }
    Step step;
    step.item = support::check_or_end(resume(iterator, false, &step.drawn));
    return step;
}

}  // namespace fettler
