# The two commands of the README: `make run` and `make test`. Both do all set-up themselves.
SHELL := /bin/bash
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 20
SOAK_SECONDS ?= 3600
SESSION_SECONDS ?= 600
# Compiler cache shared by every checkout of the project: paths are taken relative to the
# checkout, so a fresh clone reuses what an earlier build compiled.
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1

.PHONY: run test deps build asan tsan fuzz fuzz-long faults-long soak bench format clean package fresh-check

deps:
	@scripts/setup-deps.sh

build: deps
	@cmake --preset default >/dev/null
	@cmake --build --preset default -j $(JOBS)

# Starts the viewer on the virtual TV box; a build without it shows the companion tool's help.
run: build
	@if [ -x build/default/bin/viewdeck ]; then \
	  exec build/default/bin/viewdeck; \
	else \
	  build/default/bin/vdtool --help; \
	fi

# The sanitizer and fuzz runs come first so that the last summary is the whole suite's.
test: build
	@scripts/check-elements.sh build/default
	$(MAKE) --no-print-directory asan
	$(MAKE) --no-print-directory tsan
	$(MAKE) --no-print-directory fuzz
	@scripts/check-install.sh build/default
	$(MAKE) --no-print-directory package
	@scripts/check-package.sh build/debs
	ctest --preset default --label-exclude install

asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 ctest --preset asan

tsan: deps
	@cmake --preset tsan >/dev/null
	@cmake --build --preset tsan -j $(JOBS) --target vd_tsan_tests
	ctest --preset tsan

# A short run of every fuzz target over its corpus; `make fuzz-long` runs each for ten minutes.
fuzz: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS) --target vd_fuzz_targets
	@scripts/run-fuzzers.sh build/fuzz $(FUZZ_SECONDS)

fuzz-long:
	$(MAKE) --no-print-directory fuzz FUZZ_SECONDS=600

# The fault-injection run at length: FAULTS_PER_KIND signals, kills, full disks, read-only
# targets and second writers per kind (the test suite runs 20 of each).
FAULTS_PER_KIND ?= 200
faults-long: build
	python3 tests/faults/inject.py --build build/default --per-kind $(FAULTS_PER_KIND)
# The whole viewer in the ASan build: random walks with their invariants checked after every
# step for SOAK_SECONDS (seeds drawn afresh; a failure prints its seed, its shrunk walk and a
# replay file), then SESSION_SECONDS of the scripted session of channel and mode changes, the
# sheet and dialogs, remote keys, unplug and re-plug. `make test` runs a few fixed walks and a
# minute of the session.
soak: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS) --target test_whole
	VD_SOAK_SECONDS=$(SOAK_SECONDS) ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  build/asan/bin/test_whole --gtest_filter='WholeWalkTest.Random*'
	VD_SOAK_SECONDS=$(SESSION_SECONDS) ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  build/asan/bin/test_whole --gtest_filter='WholeSoakTest.*'

# The Debian packages (debian/) in build/debs, with their .changes. Their build tree, build/deb,
# is kept between runs and compiles through the compiler cache that build/default fills.
DEB_DIR := $(CURDIR)/build/debs
DEB_CHANGES = $(DEB_DIR)/viewdeck_$(shell dpkg-parsechangelog -S Version)_$(shell dpkg --print-architecture).changes
package: deps
	@rm -rf $(DEB_DIR) && mkdir -p $(DEB_DIR)
	@start=$$(date +%s); \
	VD_DEB_DIR=$(DEB_DIR) dpkg-buildpackage -b -us -uc -J$(JOBS) \
	  --changes-file=$(DEB_CHANGES) --buildinfo-file=$(DEB_CHANGES:.changes=.buildinfo) \
	  --changes-option=-u$(DEB_DIR) --buildinfo-option=-u$(DEB_DIR) \
	  >$(DEB_DIR)/build.log 2>&1 || { tail -30 $(DEB_DIR)/build.log; exit 1; }; \
	echo "package: $$(cd $(DEB_DIR) && ls *.deb | tr '\n' ' ')in $$(( $$(date +%s) - start )) s"

# `make test` from nothing in a clean Debian 12 root (root only; slow: a cold build of all).
fresh-check:
	@scripts/fresh-check.sh

bench: build
	@scripts/run-benchmarks.sh build/default

format:
	@git ls-files '*.cpp' '*.h' '*.c' | xargs clang-format-14 -i

clean:
	rm -rf build
