# Shared by the legs that run the suites on pyenv's newer interpreters
# (test-newer-python, test-stable-abi); sourced, not run.
#
#   pyenv_python VERSION       prints the newest pyenv installation VERSION.N's
#                              interpreter, or fails saying none is there
#   link_pytest_packages DIR   links Debian's pure-Python pytest and
#                              Hypothesis packages into DIR (for PYTHONPATH)
#   run_newer_suites PYTHON LINKS ADDON SUITE...
#                              runs SUITEs with PYTHON (pytest from the folder
#                              LINKS, the modules from the folder ADDON) with
#                              DeprecationWarning as an error, against the
#                              stand-in wx

pyenv_python() {
    _root=${PYENV_ROOT:-$(pyenv root 2>/dev/null || echo "$HOME/.pyenv")}
    _pattern="/$(echo "$1" | sed 's/\./\\./g')\\.[0-9]+\$"
    _install=$(ls -d "$_root/versions/$1".* 2>/dev/null | grep -E "$_pattern" | sort -V | tail -n 1 || true)
    if [ -z "$_install" ] || [ ! -x "$_install/bin/python$1" ]; then
        echo "no Python $1.N under $_root/versions (pyenv install $1)" >&2
        return 1
    fi
    echo "$_install/bin/python$1"
}

# Debian's pytest and Hypothesis are pure Python: the packages they need
# are linked into one folder that goes on PYTHONPATH (not the whole of
# dist-packages).
link_pytest_packages() {
    _dist=/usr/lib/python3/dist-packages
    rm -rf "$1"
    mkdir -p "$1"
    for _name in pytest _pytest pluggy iniconfig packaging py.py attr attrs hypothesis sortedcontainers; do
        if [ ! -e "$_dist/$_name" ]; then
            echo "$_dist/$_name is missing (scripts/install-deps.sh installs it)" >&2
            return 1
        fi
        ln -s "$_dist/$_name" "$1/$_name"
    done
}

# Assertion rewriting is off: Debian's pytest rewrites with AST nodes newer
# interpreters deprecate.
run_newer_suites() {
    _python=$1
    _links=$2
    _addon=$3
    shift 3
    PYTHONPATH="$_links:$PWD/standins/fake_wx" FETTLE_ADDON_BUILD="$_addon" \
        "$_python" -W error::DeprecationWarning -m pytest -q -p no:cacheprovider --assert=plain \
        -W error::DeprecationWarning "$@"
}
