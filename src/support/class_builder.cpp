#include "support/class_builder.hpp"

namespace support {
namespace {

// The most derived metaclass among the bases' types, as the class statement
// determines it when no metaclass is given.
Ref calculate_metaclass(PyObject* bases) {
    const Py_ssize_t count = tuple_size(bases);
    auto* winner = count == 0 ? &PyType_Type : Py_TYPE(tuple_item(bases, 0));
    for (Py_ssize_t i = 0; i < count; ++i) {
        PyTypeObject* candidate = Py_TYPE(tuple_item(bases, i));
        if (PyType_IsSubtype(winner, candidate)) {
            continue;
        }
        if (PyType_IsSubtype(candidate, winner)) {
            winner = candidate;
            continue;
        }
        raise(PyExc_TypeError,
              "metaclass conflict: the metaclass of a derived class must be a (non-strict) subclass of the "
              "metaclasses of all its bases");
    }
    return Ref::borrow(reinterpret_cast<PyObject*>(winner));
}

const Name prepare_name("__prepare__");
const Name module_key("__module__");
const Name qualname_key("__qualname__");
const Name classcell_key("__classcell__");

// namespace[key] = value, in whatever mapping __prepare__ returned.
void store(PyObject* mapping, PyObject* key, PyObject* value) { check_status(PyObject_SetItem(mapping, key, value)); }

}  // namespace

ClassBuilder::ClassBuilder(const PythonTypes& types, const ModuleStrings& strings, const char* module_name,
                           const char* name, const char* qualname, PyObject* bases)
    : types_(types),
      strings_(strings),
      name_(new_str(name)),
      bases_(Ref::borrow(bases)),
      metaclass_(calculate_metaclass(bases)) {
    Ref prepare = Ref::steal(PyObject_GetAttr(metaclass_.get(), strings_[prepare_name]));
    if (!prepare) {
        if (!PyErr_ExceptionMatches(PyExc_AttributeError)) {
            throw_error();
        }
        PyErr_Clear();
        namespace_ = check(PyDict_New());
    } else {
        namespace_ = call(prepare.get(), name_.get(), bases_.get());
        if (!PyMapping_Check(namespace_.get())) {
            Ref metaclass_name = PyType_Check(metaclass_.get())
                                     ? type_name(reinterpret_cast<PyTypeObject*>(metaclass_.get()))
                                     : new_str("<metaclass>");
            Ref namespace_type_name = type_name_of(namespace_.get());
            raise_format(PyExc_TypeError, "%.200U.__prepare__() must return a mapping, not %.200U",
                         metaclass_name.get(), namespace_type_name.get());
        }
    }
    // The first statements of every class body: __module__, then
    // __qualname__.
    Ref module_text = new_str(module_name);
    store(namespace_.get(), strings_[module_key], module_text.get());
    Ref qualname_text = new_str(qualname);
    store(namespace_.get(), strings_[qualname_key], qualname_text.get());
}

PyObject* ClassBuilder::class_cell() {
    if (!cell_) {
        cell_ = types_.new_cell();
    }
    return cell_.get();
}

void ClassBuilder::add(const char* name, PyObject* value) {
    Ref key = check(PyUnicode_InternFromString(name));
    store(namespace_.get(), key.get(), value);
}

Ref ClassBuilder::finish() {
    if (cell_) {
        store(namespace_.get(), strings_[classcell_key], cell_.get());
    }
    Ref cls = call(metaclass_.get(), name_.get(), bases_.get(), namespace_.get());
    if (cell_ && PyType_Check(cls.get())) {
        Ref filled = cell_contents(cell_.get());
        if (filled.get() != cls.get()) {
            if (!filled) {
                raise_format(PyExc_RuntimeError,
                             "__class__ not set defining %.200R as %.200R. Was __classcell__ propagated to "
                             "type.__new__?",
                             name_.get(), cls.get());
            }
            raise_format(PyExc_TypeError, "__class__ set to %.200R defining %.200R as %.200R", filled.get(), name_.get(),
                         cls.get());
        }
    }
    return cls;
}

Ref make_property(PyObject* getter) {
    return call(reinterpret_cast<PyObject*>(&PyProperty_Type), getter);
}

}  // namespace support
