// `__signature__`: an inspect.Signature built from the function's parameter
// list and its current __defaults__ and __annotations__, so that
// inspect.signature() and help() show what they show for a Python function.
#include "support/function.hpp"

#include "support/abi.hpp"
#include "support/module_state.hpp"

namespace support {
namespace {

const Name kind_names[] = {
    Name("POSITIONAL_OR_KEYWORD"),
    Name("VAR_POSITIONAL"),
    Name("VAR_KEYWORD"),
};

const Name& kind_name(ParamKind kind) { return kind_names[static_cast<int>(kind)]; }

// annotations.get(key), or null when absent.
Ref annotation_for(PyObject* annotations, const char* key) {
    if (annotations == nullptr) {
        return Ref();
    }
    Ref name = new_str(key);
    return dict_get_item(annotations, name.get());
}

const Name parameter_name("Parameter");
const Name signature_name("Signature");
const Name default_name("default");
const Name annotation_name("annotation");
const Name return_annotation_name("return_annotation");

}  // namespace

Ref make_signature(FunctionObject& function) {
    const ModuleStrings& strings = function.strings();
    Ref inspect = check(PyImport_ImportModule("inspect"));
    Ref parameter_type = getattr(inspect.get(), strings[parameter_name]);
    Ref signature_type = getattr(inspect.get(), strings[signature_name]);
    // Held for the whole build: Parameter() runs Python code that could
    // rebind the function's attributes.
    const Ref annotations_ref = function.read(&FunctionObject::Fields::annotations);
    const Ref defaults_ref = function.read(&FunctionObject::Fields::defaults);
    PyObject* annotations = annotations_ref.get();
    PyObject* defaults = defaults_ref.get();
    const FunctionDef& def = *function.def;

    std::size_t positional = 0;
    for (const Param& param : def.params) {
        positional += param.kind == ParamKind::positional_or_keyword ? 1 : 0;
    }
    const Py_ssize_t defcount = defaults != nullptr ? tuple_size(defaults) : 0;
    const auto first_default = static_cast<Py_ssize_t>(positional) - defcount;

    Ref parameters = check(PyList_New(0));
    for (std::size_t i = 0; i < def.params.size(); ++i) {
        const Param& param = def.params[i];
        Ref name = new_str(param.name);
        Ref kind = getattr(parameter_type.get(), strings[kind_name(param.kind)]);
        Ref annotation_ref = annotation_for(annotations, param.name);
        PyObject* annotation = annotation_ref.get();
        const auto index = static_cast<Py_ssize_t>(i);
        PyObject* default_value = param.kind == ParamKind::positional_or_keyword && index >= first_default
                                      ? tuple_item(defaults, index - first_default)
                                      : nullptr;
        Ref parameter;
        if (default_value != nullptr && annotation != nullptr) {
            parameter =
                call_with_keywords(parameter_type.get(), {name.get(), kind.get()},
                                   {{strings[default_name], default_value}, {strings[annotation_name], annotation}});
        } else if (default_value != nullptr) {
            parameter = call_with_keywords(parameter_type.get(), {name.get(), kind.get()},
                                           {{strings[default_name], default_value}});
        } else if (annotation != nullptr) {
            parameter = call_with_keywords(parameter_type.get(), {name.get(), kind.get()},
                                           {{strings[annotation_name], annotation}});
        } else {
            parameter = call(parameter_type.get(), name.get(), kind.get());
        }
        check_status(PyList_Append(parameters.get(), parameter.get()));
    }
    Ref return_annotation = annotation_for(annotations, "return");
    if (return_annotation) {
        return call_with_keywords(signature_type.get(), {parameters.get()},
                                  {{strings[return_annotation_name], return_annotation.get()}});
    }
    return call(signature_type.get(), parameters.get());
}

}  // namespace support
