# The README's commands.  Everything runs against Debian's /usr/bin/python3.
PYTHON     ?= /usr/bin/python3
BUILD      ?= build
ASAN_BUILD ?= build-asan
RELEASE_BUILD ?= build-release
NEWER_PYTHONS ?= 3.12 3.13
ABI3_BUILD ?= build-abi3
# The benchmark's second interpreter, in the sid chroot (scripts/bench-chroot),
# and what bench-peers passes to bench/run.py (e.g. --quick --only next_language).
BENCH_SUITE ?= sid
BENCH_NEWER ?= 3.14
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

.PHONY: all deps build build-asan build-release test test-fast test-asan test-newer test-stable-abi check-32bit \
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
# then on sid's 3.14 (built there, in build-sid-py3.14); then the Stable-ABI
# build against the version-specific one, both on pyenv's 3.12 (with the
# 3.11 figures beside them).
bench: bench-peers
	./scripts/bench-stable-abi $(RELEASE_BUILD)-py3.12 $(RELEASE_BUILD)-abi3 $(RELEASE_BUILD)/bench.json

# The peers alone, on both interpreters; BENCH_ARGS picks cases:
#   make bench-peers BENCH_ARGS="--quick --only engine.next_language"
bench-peers: deps build-release cython-peers
	$(XVFB) $(PYTHON) bench/run.py --build $(RELEASE_BUILD)/addon --cython $(RELEASE_BUILD)/cython \
	    --json $(RELEASE_BUILD)/bench.json $(BENCH_ARGS)
	./scripts/bench-chroot $(BENCH_SUITE) $(BENCH_NEWER) $(BENCH_ARGS)
	$(PYTHON) bench/peers.py $(RELEASE_BUILD)/bench.json build-$(BENCH_SUITE)-py$(BENCH_NEWER)/bench.json

# The whole suite, then once more against the sanitizer build, then the
# demo's scripted correction as a smoke test of the whole road; then the
# builds for newer interpreters, the Stable-ABI build and 32 bits.
test: deps build build-asan
	$(WATCHDOG) $(XVFB) $(PYTEST) tests
	./scripts/public-api-only $(BUILD)/addon/fettler.*.so $(BUILD)/addon/gui/main.*.so
	$(MAKE) --no-print-directory test-asan
	$(MAKE) --no-print-directory demo-headless
	$(MAKE) --no-print-directory test-newer
	$(MAKE) --no-print-directory test-stable-abi
	$(MAKE) --no-print-directory check-32bit

# Each newer interpreter from pyenv in its own build tree (build-py3.N):
# warning-free build, public C API only, the suites that need no wxPython
# with DeprecationWarning as an error.  A missing interpreter fails.
test-newer: deps
	@status=0; for version in $(NEWER_PYTHONS); do \
	    ./scripts/test-newer-python $$version build-py$$version || status=1; \
	done; exit $$status

# The Stable-ABI build (FETTLE_ABI3), made once with pyenv's 3.12: only
# Stable-ABI symbols, and the suites that need no wxPython on each newer
# interpreter with that one build.
test-stable-abi: deps
	./scripts/test-stable-abi $(ABI3_BUILD) $(NEWER_PYTHONS)

# Every source compiled for a 32-bit target with -Wconversion (no link).
check-32bit: deps
	./scripts/check-32bit $(PYTHON)

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
	rm -rf $(BUILD) $(ASAN_BUILD) $(RELEASE_BUILD) $(RELEASE_BUILD)-py3.12 $(RELEASE_BUILD)-abi3 $(ABI3_BUILD) \
	    build-$(BENCH_SUITE)-py$(BENCH_NEWER) \
	    $(NEWER_PYTHONS:%=build-py%)
