// The function type: creation, attributes, descriptor and call slots.
#include "support/function.hpp"

#include "support/abi.hpp"
#include "support/module_state.hpp"

#include <new>

namespace support {
namespace {

using Fields = FunctionObject::Fields;

FunctionObject& as_function(PyObject* self) { return *reinterpret_cast<FunctionObject*>(self); }

PyObject* function_vectorcall(PyObject* callable, PyObject* const* args, std::size_t nargsf, PyObject* kwnames) {
    // Like a Python-level call, a C-level recursion through our functions
    // must end in RecursionError rather than a blown C stack.
    if (Py_EnterRecursiveCall(" while calling a Python object")) {
        return nullptr;
    }
    FunctionObject& function = as_function(callable);
    PyObject* result = guard_object([&] {
        // The common call: every parameter given by position, no *args or
        // **kwargs to pack; the caller's arguments are the bound ones.
        const ParamShape& shape = function.shape;
        if (kwnames == nullptr && static_cast<std::size_t>(PyVectorcall_NARGS(nargsf)) == shape.positional &&
            shape.positional == function.def->params.size()) {
            const std::span<PyObject* const> bound(args, shape.positional);
            check_exact_str(function, bound);
            return function.def->body(function, bound);
        }
        const std::size_t count = function.def->params.size();
        PyObject* bound[max_params] = {};
        BindingHold hold;
        bind_arguments(function, args, nargsf, kwnames, std::span<PyObject*>(bound, count), hold);
        return function.def->body(function, std::span<PyObject* const>(bound, count));
    });
    Py_LeaveRecursiveCall();
    return result;
}

int function_traverse(PyObject* self, visitproc visit, void* arg) {
    FunctionObject& f = as_function(self);
    Py_VISIT(Py_TYPE(self));
    Py_VISIT(f.fields.dict.get());
    Py_VISIT(f.fields.name.get());
    Py_VISIT(f.fields.qualname.get());
    Py_VISIT(f.fields.module.get());
    Py_VISIT(f.fields.doc.get());
    Py_VISIT(f.fields.annotations.get());
    Py_VISIT(f.fields.defaults.get());
    Py_VISIT(f.fields.kwdefaults.get());
    Py_VISIT(f.fields.globals.get());
    Py_VISIT(f.fields.builtins.get());
    Py_VISIT(f.fields.closure.get());
    Py_VISIT(f.fields.param_names.get());
    Py_VISIT(f.fields.module_object.get());
    return 0;
}

int function_clear(PyObject* self) {
    FunctionObject& f = as_function(self);
    f.fields.dict.clear();
    f.fields.module.clear();
    f.fields.doc.clear();
    f.fields.annotations.clear();
    f.fields.defaults.clear();
    f.fields.kwdefaults.clear();
    f.fields.globals.clear();
    f.fields.builtins.clear();
    f.fields.closure.clear();
    // __name__, __qualname__ and the parameter names stay: repr, binding
    // and error messages need them and they cannot take part in a cycle
    // (they are always str).  So does the module: `base` points into its
    // state, and a finaliser may call the function after this.
    return 0;
}

void function_dealloc(PyObject* self) {
    PyTypeObject* type = Py_TYPE(self);
    PyObject_GC_UnTrack(self);
    FunctionObject& f = as_function(self);
    if (f.weakreflist != nullptr) {
        PyObject_ClearWeakRefs(self);
    }
    function_clear(self);
    f.fields.~Fields();
    free_instance(type, self);
    Py_DECREF(type);
}

PyObject* function_repr(PyObject* self) {
    const Ref qualname = as_function(self).read(&Fields::qualname);
    return PyUnicode_FromFormat("<function %U at %p>", qualname.get(), self);
}

// A function is a non-data descriptor: looked up on an instance it becomes
// an ordinary bound method.
PyObject* function_descr_get(PyObject* self, PyObject* obj, PyObject*) {
    if (obj == nullptr || obj == Py_None) {
        return Py_NewRef(self);
    }
    return guard_object([&] { return python_types_of(Py_TYPE(self)).bound_method(self, obj); });
}

// --- attributes -----------------------------------------------------------

// A field that can be replaced, or None.
PyObject* get_or_none(PyObject* self, Ref Fields::*field) {
    Ref value = as_function(self).read(field);
    return value ? value.release() : Py_NewRef(Py_None);
}

int replace_field(PyObject* self, Ref Fields::*field, PyObject* value) {
    as_function(self).replace(field, Ref::borrow(value));
    return 0;
}

PyObject* get_name(PyObject* self, void*) { return as_function(self).read(&Fields::name).release(); }

int set_name(PyObject* self, PyObject* value, void*) {
    if (value == nullptr || !PyUnicode_Check(value)) {
        PyErr_SetString(PyExc_TypeError, "__name__ must be set to a string object");
        return -1;
    }
    return replace_field(self, &Fields::name, value);
}

PyObject* get_qualname(PyObject* self, void*) { return as_function(self).read(&Fields::qualname).release(); }

int set_qualname(PyObject* self, PyObject* value, void*) {
    if (value == nullptr || !PyUnicode_Check(value)) {
        PyErr_SetString(PyExc_TypeError, "__qualname__ must be set to a string object");
        return -1;
    }
    return replace_field(self, &Fields::qualname, value);
}

PyObject* get_module(PyObject* self, void*) { return get_or_none(self, &Fields::module); }

int set_module(PyObject* self, PyObject* value, void*) { return replace_field(self, &Fields::module, value); }

PyObject* get_doc(PyObject* self, void*) { return get_or_none(self, &Fields::doc); }

int set_doc(PyObject* self, PyObject* value, void*) { return replace_field(self, &Fields::doc, value); }

// Made on first use, as a function's own __annotations__ is; one thread
// makes it, under the lock.
PyObject* get_annotations(PyObject* self, void*) {
    const Locked lock(self);
    Ref& annotations = as_function(self).fields.annotations;
    if (!annotations) {
        annotations = Ref::steal(PyDict_New());
        if (!annotations) {
            return nullptr;
        }
    }
    return Py_NewRef(annotations.get());
}

int set_annotations(PyObject* self, PyObject* value, void*) {
    if (value == Py_None) {
        value = nullptr;
    }
    if (value != nullptr && !PyDict_Check(value)) {
        PyErr_SetString(PyExc_TypeError, "__annotations__ must be set to a dict object");
        return -1;
    }
    return replace_field(self, &Fields::annotations, value);
}

PyObject* get_defaults(PyObject* self, void*) { return get_or_none(self, &Fields::defaults); }

int set_defaults(PyObject* self, PyObject* value, void*) {
    if (value == Py_None) {
        value = nullptr;
    }
    if (value != nullptr && !PyTuple_Check(value)) {
        PyErr_SetString(PyExc_TypeError, "__defaults__ must be set to a tuple object");
        return -1;
    }
    return replace_field(self, &Fields::defaults, value);
}

PyObject* get_kwdefaults(PyObject* self, void*) { return get_or_none(self, &Fields::kwdefaults); }

int set_kwdefaults(PyObject* self, PyObject* value, void*) {
    if (value == Py_None) {
        value = nullptr;
    }
    if (value != nullptr && !PyDict_Check(value)) {
        PyErr_SetString(PyExc_TypeError, "__kwdefaults__ must be set to a dict object");
        return -1;
    }
    return replace_field(self, &Fields::kwdefaults, value);
}

// Set when the function is made, never replaced.
PyObject* get_fixed(const Ref& field) { return Py_NewRef(field ? field.get() : Py_None); }
PyObject* get_globals(PyObject* self, void*) { return get_fixed(as_function(self).fields.globals); }
PyObject* get_builtins(PyObject* self, void*) { return get_fixed(as_function(self).fields.builtins); }
PyObject* get_closure(PyObject* self, void*) { return get_fixed(as_function(self).fields.closure); }

PyObject* get_signature(PyObject* self, void*) {
    FunctionObject& function = as_function(self);
    return guard_object([&] { return make_signature(function); });
}

PyGetSetDef function_getset[] = {
    {"__name__", get_name, set_name, nullptr, nullptr},
    {"__qualname__", get_qualname, set_qualname, nullptr, nullptr},
    {"__module__", get_module, set_module, nullptr, nullptr},
    {"__doc__", get_doc, set_doc, nullptr, nullptr},
    {"__annotations__", get_annotations, set_annotations, nullptr, nullptr},
    {"__defaults__", get_defaults, set_defaults, nullptr, nullptr},
    {"__kwdefaults__", get_kwdefaults, set_kwdefaults, nullptr, nullptr},
    {"__globals__", get_globals, nullptr, nullptr, nullptr},
    {"__builtins__", get_builtins, nullptr, nullptr, nullptr},
    {"__closure__", get_closure, nullptr, nullptr, nullptr},
    {"__signature__", get_signature, nullptr, nullptr, nullptr},
    {"__dict__", PyObject_GenericGetDict, PyObject_GenericSetDict, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMemberDef function_members[] = {
    {"__vectorcalloffset__", member_ssize_t, offsetof(FunctionObject, vectorcall), member_readonly, nullptr},
    {"__dictoffset__", member_ssize_t, dict_offset, member_readonly, nullptr},
    {"__weaklistoffset__", member_ssize_t, offsetof(FunctionObject, weakreflist), member_readonly, nullptr},
    {nullptr, 0, 0, 0, nullptr},
};

PyType_Slot function_slots[] = {
    {Py_tp_dealloc, reinterpret_cast<void*>(function_dealloc)},
    {Py_tp_traverse, reinterpret_cast<void*>(function_traverse)},
    {Py_tp_clear, reinterpret_cast<void*>(function_clear)},
    {Py_tp_repr, reinterpret_cast<void*>(function_repr)},
    {Py_tp_call, reinterpret_cast<void*>(PyVectorcall_Call)},
    {Py_tp_descr_get, reinterpret_cast<void*>(function_descr_get)},
    {Py_tp_getset, function_getset},
    {Py_tp_members, function_members},
    {0, nullptr},
};

ParamShape shape_of(const FunctionDef& def) {
    ParamShape shape;
    for (std::size_t i = 0; i < def.params.size(); ++i) {
        const Param& param = def.params[i];
        switch (param.kind) {
            case ParamKind::positional_or_keyword:
                ++shape.positional;
                break;
            case ParamKind::var_positional:
                shape.var_positional = static_cast<std::ptrdiff_t>(i);
                break;
            case ParamKind::var_keyword:
                shape.var_keyword = static_cast<std::ptrdiff_t>(i);
                break;
        }
        if (param.exact_str) {
            shape.exact_str |= 1U << i;
        }
    }
    return shape;
}

Ref annotations_dict(const FunctionDef& def) {
    Ref annotations = check(PyDict_New());
    for (const Param& param : def.params) {
        if (param.annotation != nullptr) {
            Ref text = new_str(param.annotation);
            check_status(PyDict_SetItemString(annotations.get(), param.name, text.get()));
        }
    }
    if (def.return_annotation != nullptr) {
        Ref text = new_str(def.return_annotation);
        check_status(PyDict_SetItemString(annotations.get(), "return", text.get()));
    }
    return annotations;
}

}  // namespace

Ref FunctionObject::read(Ref Fields::*field) const {
    auto* self = reinterpret_cast<PyObject*>(const_cast<FunctionObject*>(this));
    const Locked lock(self);
    return fields.*field;
}

void FunctionObject::replace(Ref Fields::*field, Ref value) {
    {
        const Locked lock(reinterpret_cast<PyObject*>(this));
        std::swap(fields.*field, value);
    }
}

Ref FunctionObject::class_from_cell() const {
    Ref cls = fields.closure ? cell_contents(tuple_item(fields.closure.get(), 0)) : Ref();
    if (!cls) {
        raise(PyExc_RuntimeError, "super(): empty __class__ cell");
    }
    return cls;
}

Ref make_function_type(PyObject* module, const char* qualified_type_name) {
    PyType_Spec type_shape = {
        qualified_type_name,
        sizeof(FunctionObject),
        0,
        Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC | Py_TPFLAGS_HAVE_VECTORCALL | Py_TPFLAGS_METHOD_DESCRIPTOR |
            Py_TPFLAGS_DISALLOW_INSTANTIATION | Py_TPFLAGS_IMMUTABLETYPE,
        function_slots,
    };
    return check(PyType_FromModuleAndSpec(module, &type_shape, nullptr));
}

Ref make_function(PyObject* function_type, const FunctionDef& def, PyObject* module_globals, PyObject* defaults,
                  PyObject* class_cell) {
    if (def.params.size() > max_params) {
        raise(PyExc_SystemError, "function has too many parameters");
    }
    auto* type = reinterpret_cast<PyTypeObject*>(function_type);
    Ref self = allocate(type);
    FunctionObject& f = *self.as<FunctionObject>();
    new (&f.fields) FunctionObject::Fields{};
    f.vectorcall = function_vectorcall;
    f.def = &def;
    f.shape = shape_of(def);
    PyObject* module = PyType_GetModule(type);
    if (module == nullptr) {
        throw_error();
    }
    f.fields.module_object = Ref::borrow(module);
    f.base = module_state<ModuleBase>(module);
    f.fields.name = check(PyUnicode_InternFromString(def.name));
    f.fields.param_names = check(PyTuple_New(static_cast<Py_ssize_t>(def.params.size())));
    for (std::size_t i = 0; i < def.params.size(); ++i) {
        tuple_fill(f.fields.param_names.get(), static_cast<Py_ssize_t>(i),
                   check(PyUnicode_InternFromString(def.params[i].name)));
    }
    f.fields.qualname = new_str(def.qualname);
    f.fields.doc = Ref::borrow(Py_None);
    f.fields.globals = Ref::borrow(module_globals);
    f.fields.builtins = Ref::borrow(PyEval_GetBuiltins());
    // Named like the module's classes (see ClassBuilder): by the module's
    // own name inside the add-on.
    PyModuleDef* module_def = PyModule_GetDef(module);
    if (module_def == nullptr) {
        throw_error();
    }
    f.fields.module = new_str(module_def->m_name);
    f.fields.annotations = annotations_dict(def);
    f.fields.defaults = Ref::borrow(defaults);
    if (def.uses_class_cell) {
        if (class_cell == nullptr) {
            raise(PyExc_SystemError, "function needs a __class__ cell");
        }
        f.fields.closure = check(PyTuple_Pack(1, class_cell));
    }
    defer_reference_counts(self.get());
    return self;
}

}  // namespace support
