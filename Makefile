# The README's commands.  Everything runs against Debian's /usr/bin/python3.
PYTHON     ?= /usr/bin/python3
BUILD      ?= build
ASAN_BUILD ?= build-asan
RELEASE_BUILD ?= build-release
# The legs `make test` runs (legs.py; all when empty): names or shell
# patterns, e.g. make test LEG='sid-* abi3-build'.
LEG        ?=
# The benchmark's second interpreter, in the sid chroot (scripts/bench-chroot),
# and what bench-peers passes to bench/run.py (e.g. --quick --only next_language).
BENCH_SUITE ?= sid
BENCH_NEWER ?= 3.14
# The free-threaded interpreter (sid's chroot only; empty: not run).
BENCH_FREE_THREADED ?= 3.14t
BENCH_ARGS ?=
JOBS       ?= 2
XVFB       := ./scripts/with-xvfb
PYTEST     := $(PYTHON) -m pytest -q -p no:cacheprovider -o faulthandler_timeout=300
# A GUI leg that hangs (a test waiting on the display) fails after 20
# minutes instead of holding the run until CI's own limit; by then
# faulthandler has printed the stack of every thread of the stuck test.
WATCHDOG   := timeout -k 30 1200

# The sanitizer leg: the runtime is preloaded into the (uninstrumented)
# interpreter, with the C++ runtime beside it so that ASan can intercept
# exceptions thrown by our modules; Python's allocator is bypassed so ASan
# sees every object; leak checking is off because the interpreter keeps
# its own allocations alive at exit.
ASAN_RUNTIME = $(shell g++ -print-file-name=libasan.so) $(shell g++ -print-file-name=libstdc++.so)
ASAN_ENV = LD_PRELOAD="$(ASAN_RUNTIME)" PYTHONMALLOC=malloc \
	ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:halt_on_error=1:check_initialization_order=1 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

.PHONY: all deps build build-asan build-release test test-fast test-asan test-newer test-chroot test-stable-abi \
	test-refleak check-32bit check-windows legs \
	demo demo-headless bench bench-peers cython-peers clean

all: build

deps:
	./scripts/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPython3_EXECUTABLE=$(PYTHON) -DFETTLE_WERROR=ON

build: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

$(ASAN_BUILD)/CMakeCache.txt:
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DPython3_EXECUTABLE=$(PYTHON) -DFETTLE_WERROR=ON -DFETTLE_SANITIZE=ON

build-asan: $(ASAN_BUILD)/CMakeCache.txt
	cmake --build $(ASAN_BUILD) -j $(JOBS)

$(RELEASE_BUILD)/CMakeCache.txt:
	cmake -S . -B $(RELEASE_BUILD) -DCMAKE_BUILD_TYPE=Release -DPython3_EXECUTABLE=$(PYTHON) -DFETTLE_WERROR=ON

build-release: $(RELEASE_BUILD)/CMakeCache.txt
	cmake --build $(RELEASE_BUILD) -j $(JOBS)

# The benchmark's Cython peers for 3.11: reference/ translated by sid's
# Cython 3 (Debian 12's is 0.29), compiled against Debian 12's 3.11.
cython-peers:
	./scripts/cython-peers $(RELEASE_BUILD)/cython $(PYTHON)

# Compiled modules against their peers, the plain-Python rendering in
# reference/ and the same compiled with Cython, side by side: on 3.11 here,
# then on sid's 3.14 (built there, in build-sid-py3.14-release), then the
# engine cases on the free-threaded 3.14t there (build-sid-py3.14t-release;
# no wx, no Cython peer: scripts/bench-chroot); then the Stable-ABI
# build against the version-specific one, both on pyenv's 3.12 (with the
# 3.11 figures beside them).
bench: bench-peers
	./scripts/bench-stable-abi $(RELEASE_BUILD)-py3.12 $(RELEASE_BUILD)-abi3 $(RELEASE_BUILD)/bench.json

# The peers alone, on the three interpreters; BENCH_ARGS picks cases:
#   make bench-peers BENCH_ARGS="--quick --only engine.next_language"
bench-peers: deps build-release cython-peers
	$(XVFB) $(PYTHON) bench/run.py --build $(RELEASE_BUILD)/addon --cython $(RELEASE_BUILD)/cython \
	    --json $(RELEASE_BUILD)/bench.json $(BENCH_ARGS)
	./scripts/bench-chroot $(BENCH_SUITE) $(BENCH_NEWER) $(BENCH_ARGS)
	$(if $(BENCH_FREE_THREADED),./scripts/bench-chroot sid $(BENCH_FREE_THREADED) $(BENCH_ARGS))
	$(PYTHON) bench/peers.py $(RELEASE_BUILD)/bench.json build-$(BENCH_SUITE)-py$(BENCH_NEWER)-release/bench.json \
	    $(if $(BENCH_FREE_THREADED),build-sid-py$(BENCH_FREE_THREADED)-release/bench.json)

# Every leg of legs.py: the whole suite on 3.11, again under the
# sanitizers, the demo's scripted correction, the newer interpreters
# (pyenv's 3.12, the chroots' 3.13 to 3.15), the 32-bit interpreter, the
# Stable-ABI build, the refleak hunt and Windows; all of them, whatever
# fails, then one table, failing if any leg failed.  LEG picks some.
# (set -f: a pattern is for legs.py, not for the shell.)
test: deps
	@set -f; JOBS=$(JOBS) $(PYTHON) legs.py $(LEG)

# The legs and what each runs.
legs:
	@$(PYTHON) legs.py --list

# One leg by name: make leg-sid-3.14.
leg-%: deps
	@JOBS=$(JOBS) $(PYTHON) legs.py $*

# The older names of some legs, kept as shorthands.
test-newer: deps
	@JOBS=$(JOBS) $(PYTHON) legs.py 'newer-*'
test-chroot: deps
	@JOBS=$(JOBS) $(PYTHON) legs.py 'trixie-*' 'sid-*'
test-stable-abi: deps
	@JOBS=$(JOBS) $(PYTHON) legs.py 'abi3-*'
test-refleak: deps
	@JOBS=$(JOBS) $(PYTHON) legs.py refleak
check-32bit: deps
	@JOBS=$(JOBS) $(PYTHON) legs.py 'bookworm-i386-*'
check-windows: deps
	@JOBS=$(JOBS) $(PYTHON) legs.py windows

# With a display: the demo host window.  Without one: the scripted
# correction under Xvfb (demo/host.py starts its own xvfb-run).
demo: deps build
	$(PYTHON) demo/host.py

demo-headless: build
	$(PYTHON) demo/host.py --xvfb

test-fast: build
	$(WATCHDOG) $(XVFB) $(PYTEST) tests

test-asan: build-asan
	FETTLE_ADDON_BUILD=$(CURDIR)/$(ASAN_BUILD)/addon $(ASAN_ENV) $(WATCHDOG) $(XVFB) $(PYTEST) tests

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(RELEASE_BUILD) $(RELEASE_BUILD)-py3.12 $(RELEASE_BUILD)-abi3 build-abi3 build-windows \
	    build-dbg build-py3.* build-*-py3.*
