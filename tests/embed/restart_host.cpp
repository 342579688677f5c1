// A host that embeds Python and restarts it, as some embedding hosts do:
//
//     restart_host ROUNDS SCRIPT [ARGS...]
//
// Each round initialises the interpreter with sys.argv = [SCRIPT, ARGS...,
// ROUND], runs SCRIPT as __main__ and finalises the interpreter again.  On
// Python 3.12 and newer one more interpreter is started after the rounds,
// and from it an isolated subinterpreter with a GIL of its own; there
// SCRIPT runs again with `subinterpreter` as its last argument.  The exit
// status is 0 when every round ran without an exception and every
// finalisation succeeded.
#include "support/ref.hpp"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool failed(PyStatus status, const char* step) {
    if (!PyStatus_Exception(status)) {
        return false;
    }
    std::fprintf(stderr, "restart_host: %s failed: %s\n", step, status.err_msg ? status.err_msg : "(no message)");
    return true;
}

bool initialise(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    PyConfig config;
    PyConfig_InitPythonConfig(&config);
    config.parse_argv = 0;  // the arguments are the script's, not the interpreter's
    const bool ok = !failed(PyConfig_SetBytesArgv(&config, static_cast<Py_ssize_t>(argv.size()), argv.data()),
                            "setting sys.argv") &&
                    !failed(Py_InitializeFromConfig(&config), "initialisation");
    PyConfig_Clear(&config);
    return ok;
}

// Runs the script as __main__; a raised exception is printed.
bool run_script(const char* script) {
    std::FILE* file = std::fopen(script, "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "restart_host: cannot open %s\n", script);
        return false;
    }
    return PyRun_SimpleFileExFlags(file, script, 1, nullptr) == 0;
}

bool finalise() {
    if (Py_FinalizeEx() < 0) {
        std::fprintf(stderr, "restart_host: finalisation failed\n");
        return false;
    }
    return true;
}

#if PY_VERSION_HEX >= 0x030C0000
bool set_argv(const std::vector<std::string>& arguments) {
    const support::Ref argv = support::Ref::steal(PyList_New(0));
    bool ok = static_cast<bool>(argv);
    for (const std::string& argument : arguments) {
        const support::Ref item = support::Ref::steal(ok ? PyUnicode_DecodeFSDefault(argument.c_str()) : nullptr);
        ok = item && PyList_Append(argv.get(), item.get()) == 0;
    }
    ok = ok && PySys_SetObject("argv", argv.get()) == 0;
    if (!ok) {
        PyErr_Print();
    }
    return ok;
}

// Runs the script in an isolated subinterpreter (its own GIL and
// allocator, refusing extension modules that do not declare support for
// it), with the script's arguments set by hand (a subinterpreter's
// sys.argv is its own).
bool run_in_subinterpreter(const std::vector<std::string>& arguments) {
    PyThreadState* main_thread = PyThreadState_Get();
    PyInterpreterConfig config = {};
    config.use_main_obmalloc = 0;
    config.allow_threads = 1;
    config.check_multi_interp_extensions = 1;
    config.gil = PyInterpreterConfig_OWN_GIL;
    PyThreadState* sub_thread = nullptr;
    if (failed(Py_NewInterpreterFromConfig(&sub_thread, &config), "starting a subinterpreter")) {
        PyThreadState_Swap(main_thread);
        return false;
    }
    bool ok = set_argv(arguments) && run_script(arguments[0].c_str());
    Py_EndInterpreter(sub_thread);
    PyThreadState_Swap(main_thread);
    return ok;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || std::atoi(argv[1]) < 1) {
        std::fprintf(stderr, "usage: restart_host ROUNDS SCRIPT [ARGS...]\n");
        return 2;
    }
    const int rounds = std::atoi(argv[1]);
    const std::vector<std::string> script_arguments(argv + 2, argv + argc);
    bool ok = true;
    for (int round = 1; round <= rounds && ok; ++round) {
        std::vector<std::string> arguments = script_arguments;
        arguments.push_back(std::to_string(round));
        ok = initialise(arguments) && run_script(argv[2]);
        ok = finalise() && ok;
    }
#if PY_VERSION_HEX >= 0x030C0000
    if (ok) {
        std::vector<std::string> arguments = script_arguments;
        arguments.push_back("subinterpreter");
        ok = initialise(arguments) && run_in_subinterpreter(arguments);
        ok = finalise() && ok;
    }
#endif
    return ok ? 0 : 1;
}
