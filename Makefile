# Entry points. `make test` sets everything up on a fresh Debian 12 machine.
BUILD      ?= build
JOBS       ?= 2
CMAKE_ARGS ?=
# The project's own builds treat warnings as errors; a consumer's does not.
DEV_ARGS   := -DQUILLBOX_WARNINGS_AS_ERRORS=ON

.PHONY: all deps build test test-asan test-tsan example examples docs bench clean

all: build

deps:
	scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -G Ninja $(DEV_ARGS) $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS)

# The README's tour: builds the quillbox command and the emulator, starts the
# emulator on a free port and runs the command against it (scripts/demo).
.PHONY: demo
demo: deps
	BUILD=$(BUILD) JOBS=$(JOBS) scripts/demo

# The whole suite: unit, integration (loopback server, nginx) and end-to-end.
test: build
	ctest --test-dir $(BUILD) -j $(JOBS) --output-on-failure

# One clang build (build-asan) serves two targets: the whole suite under
# AddressSanitizer + UndefinedBehaviorSanitizer (test-asan) and the libFuzzer
# targets (fuzz), which need clang. Both configure it the same way, so either
# reuses what the other built. -O1 keeps the instrumented tests and the fuzz
# targets fast; line tables are all a sanitizer's stack trace needs.
ASAN_BUILD ?= build-asan
ASAN_ARGS  := -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
  "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -gline-tables-only" -DQUILLBOX_BUILD_BENCH=OFF \
  -DQUILLBOX_SANITIZE=address,undefined -DQUILLBOX_FUZZ=ON
SANITIZER_ENV := ASAN_OPTIONS=strict_string_checks=1:detect_stack_use_after_return=1 \
  UBSAN_OPTIONS=print_stacktrace=1

.PHONY: configure-asan
configure-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja $(DEV_ARGS) $(ASAN_ARGS) $(CMAKE_ARGS)

# The whole suite under ASan + UBSan (clang).
test-asan: configure-asan
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	$(SANITIZER_ENV) ctest --test-dir $(ASAN_BUILD) -j $(JOBS) --output-on-failure

# Every libFuzzer target (fuzz/) for FUZZ_SECONDS each, from its seed corpus,
# FUZZ_JOBS at a time.
FUZZ_SECONDS ?= 60
FUZZ_JOBS    ?= $(JOBS)
.PHONY: fuzz
fuzz: configure-asan
	cmake --build $(ASAN_BUILD) -j $(JOBS) --target fuzz_all
	scripts/run-fuzz $(ASAN_BUILD) $(FUZZ_SECONDS) $(FUZZ_JOBS)

# The whole suite under ThreadSanitizer (GCC). A test that cannot run under it
# is listed in TSAN_EXCLUDE (a ctest -E pattern) with the reason beside it.
TSAN_BUILD   ?= build-tsan
TSAN_EXCLUDE ?=
test-tsan: deps
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g1" \
	  -DQUILLBOX_BUILD_BENCH=OFF $(DEV_ARGS) -DQUILLBOX_SANITIZE=thread $(CMAKE_ARGS)
	cmake --build $(TSAN_BUILD) -j $(JOBS)
	TSAN_OPTIONS=second_deadlock_stack=1 ctest --test-dir $(TSAN_BUILD) -j $(JOBS) --output-on-failure \
	  $(if $(TSAN_EXCLUDE),-E '$(TSAN_EXCLUDE)')

# Installs the SDK into a scratch prefix, builds every program of examples/
# against the installed package only (warnings as errors) and runs them
# against the installed emulator (scripts/check-example).
example examples: installables
	rm -rf $(BUILD)/stage $(BUILD)/examples
	cmake --install $(BUILD) --prefix $(CURDIR)/$(BUILD)/stage
	cmake -S examples -B $(BUILD)/examples -G Ninja -DCMAKE_PREFIX_PATH=$(CURDIR)/$(BUILD)/stage \
	  "-DCMAKE_CXX_FLAGS=-Wall -Wextra -Werror"
	cmake --build $(BUILD)/examples -j $(JOBS)
	scripts/check-example $(BUILD)/examples $(CURDIR)/$(BUILD)/stage

# Configures BUILD as it is (a new one with Ninja) and builds what is
# installed: the libraries, the command, the emulator and whatever they
# generate, never the tests. Works from any state of the build folder (fresh,
# after `make demo`, after `make test`), with its settings as they are.
.PHONY: installables
installables: deps
	cmake -S . -B $(BUILD) $(if $(wildcard $(BUILD)/CMakeCache.txt),,-G Ninja) $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS) --target quillbox_installables

# Installs the libraries, headers, CMake package, pkg-config file, the
# command (with what it installs beside it) and the emulator into PREFIX.
PREFIX ?= /usr/local
.PHONY: install
install: installables
	cmake --install $(BUILD) --prefix $(PREFIX)

# Debian packages (CPack) in BUILD/packages: libquillboxN (shared library),
# libquillbox-dev, quillbox (the command) and quillbox-emulator.
.PHONY: package
package: installables
	rm -rf $(BUILD)/packages
	cd $(BUILD) && cpack -G DEB
	ls -l $(BUILD)/packages/*.deb

# Checks the packages' contents and dependencies, then runs the command, the
# emulator and the examples from the packages extracted into a scratch root.
.PHONY: package-check
package-check: package
	JOBS=$(JOBS) scripts/check-packages $(BUILD)

# The reference documentation of the public headers and the guide (docs/),
# as HTML in BUILD/docs/html. Doxygen fails on any warning, an undocumented
# public declaration included.
QUILLBOX_HEADER_VERSION = $(shell sed -n 's/^\#define QUILLBOX_VERSION_\(MAJOR\|MINOR\|PATCH\) \([0-9]*\)$$/\2/p' \
  include/quillbox/version.hpp | paste -sd.)
docs: deps
	rm -rf $(BUILD)/docs
	mkdir -p $(BUILD)/docs
	QUILLBOX_VERSION=$(QUILLBOX_HEADER_VERSION) QUILLBOX_DOCS_OUT=$(BUILD)/docs doxygen Doxyfile
	@echo "docs: $(BUILD)/docs/html/index.html"

bench: build
	scripts/run-benchmarks $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD)

# ---- arm64 (aarch64) -------------------------------------------------------
# Cross-builds the library and its tests with Debian's aarch64 toolchain and
# runs the suite under qemu-aarch64 (gtest discovery included). Programs a
# test starts itself (nginx, openssl, /bin/sh) run natively beside it. A test
# that cannot run under the emulator gets the ctest label `x86-tools`, with
# the reason next to it, and is left out here; today no test needs it.
ARM64_BUILD     ?= build-arm64
ARM64_TOOLCHAIN := $(CURDIR)/cmake/aarch64-linux-gnu.cmake
# Optimised like the native build but without debug info, which costs a third
# of the cross build's time and is of no use under the emulator.
ARM64_CMAKE_ARGS ?= -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG"
# The cross build is there to run the suite on arm64; warnings are held to
# errors by the native GCC and clang builds, so they do not stop this one.

.PHONY: deps-arm64 test-arm64 example-arm64 clean-arm64

deps-arm64:
	scripts/install-deps --arm64

# Left out under qemu-user as well: the emulator's walk over a 100,000-folder
# saved state, which takes minutes to load there (the walk is the same code on
# every architecture and runs natively in every other stage).
ARM64_EXCLUDE ?= EmulatorHttpTest.DeepTreesAreWalkedWithoutRecursionAndBrokenTreesAreRefused
test-arm64: deps-arm64
	cmake -S . -B $(ARM64_BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=$(ARM64_TOOLCHAIN) \
	  -DQUILLBOX_BUILD_BENCH=OFF $(ARM64_CMAKE_ARGS) $(CMAKE_ARGS)
	scripts/check-arm64-libs $(ARM64_BUILD)
	cmake --build $(ARM64_BUILD) -j $(JOBS)
	ctest --test-dir $(ARM64_BUILD) -j $(JOBS) --output-on-failure -LE x86-tools -E '$(ARM64_EXCLUDE)'

# Installs the arm64 build into a scratch prefix, builds examples/ against it
# with the same toolchain and runs the programs under qemu-aarch64.
example-arm64: deps-arm64
	cmake -S . -B $(ARM64_BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=$(ARM64_TOOLCHAIN) \
	  -DQUILLBOX_BUILD_BENCH=OFF $(ARM64_CMAKE_ARGS) $(CMAKE_ARGS)
	cmake --build $(ARM64_BUILD) -j $(JOBS) --target quillbox quillbox_static
	rm -rf $(ARM64_BUILD)/stage $(ARM64_BUILD)-example
	cmake --install $(ARM64_BUILD) --prefix $(CURDIR)/$(ARM64_BUILD)/stage
	cmake -S examples/list-jobs -B $(ARM64_BUILD)-example -G Ninja \
	  -DCMAKE_TOOLCHAIN_FILE=$(ARM64_TOOLCHAIN) -DCMAKE_PREFIX_PATH=$(CURDIR)/$(ARM64_BUILD)/stage \
	  $(ARM64_CMAKE_ARGS)
	cmake --build $(ARM64_BUILD)-example -j $(JOBS)
	scripts/check-example-arm64 $(ARM64_BUILD)-example $(CURDIR)/$(ARM64_BUILD)/stage

clean-arm64:
	rm -rf $(ARM64_BUILD) $(ARM64_BUILD)-example
