#!/bin/sh
# Installs the Debian packages the build, the tests, the demo and the
# benchmark need, skipping the ones already present.  Needs root when
# something is missing.  The Windows legs need mingw-w64, and dpkg-dev to
# unpack CPython's source packages; debootstrap and the archive keys make
# the chroots of the newer interpreters and of the 32-bit one
# (scripts/chroot, which installs what goes inside them).
set -e
PACKAGES="
cmake
g++
make
python3
python3-dev
python3.11-dbg
python3-pytest
python3-hypothesis
python3-greenlet
python3-wxgtk4.0
python3-enchant
hunspell-en-us
hunspell-de-de
xvfb
xauth
g++-mingw-w64-i686
g++-mingw-w64-x86-64
binutils-mingw-w64
dpkg-dev
debootstrap
debian-archive-keyring
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
apt-get update -q
# shellcheck disable=SC2086
apt-get install -y -q $missing
