#!/bin/sh
# Installs the Debian packages the build, the tests, the demo and the
# benchmark need, skipping the ones already present.  Needs root when
# something is missing.  The 32-bit compile check needs the i386
# architecture (multiarch) for Python's 32-bit headers.
# debootstrap makes the chroots of scripts/chroot (the benchmark's second
# interpreter and its Cython 3 come from sid).
set -e
PACKAGES="
cmake
g++
make
python3
python3-dev
python3-pytest
python3-hypothesis
python3-wxgtk4.0
python3-enchant
hunspell-en-us
hunspell-de-de
xvfb
xauth
g++-multilib
libpython3-dev:i386
debootstrap
"
missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
if [ -z "$missing" ]; then
    exit 0
fi
echo "installing:$missing"
if [ "$(id -u)" != 0 ]; then
    echo "error: missing Debian packages:$missing (run as root, or install them)" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
case "$missing" in
    *:i386*)
        if ! dpkg --print-foreign-architectures | grep -qx i386; then
            dpkg --add-architecture i386
        fi
        ;;
esac
apt-get update -q
# shellcheck disable=SC2086
apt-get install -y -q $missing
