# Entry points. `make test` sets everything up on a fresh Debian 12 machine.
BUILD      ?= build
JOBS       ?= 2
CMAKE_ARGS ?=
# The project's own builds treat warnings as errors; a consumer's does not.
DEV_ARGS   := -DQUILLBOX_WARNINGS_AS_ERRORS=ON

.PHONY: all deps build test test-asan test-tsan example bench clean

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

# The suite under AddressSanitizer + UndefinedBehaviorSanitizer.
test-asan: deps
	cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILLBOX_BUILD_BENCH=OFF $(DEV_ARGS) \
	  -DQUILLBOX_SANITIZE=address,undefined
	cmake --build build-asan -j $(JOBS)
	ctest --test-dir build-asan -j $(JOBS) --output-on-failure

# The concurrency tests, the transfers that run on threads of their own and
# the emulator (a multi-threaded server) under ThreadSanitizer.
TSAN_TESTS ?= Download|Upload
test-tsan: deps
	cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILLBOX_BUILD_BENCH=OFF $(DEV_ARGS) \
	  -DQUILLBOX_SANITIZE=thread
	cmake --build build-tsan -j $(JOBS)
	ctest --test-dir build-tsan -j $(JOBS) --output-on-failure -L concurrency
	ctest --test-dir build-tsan -j $(JOBS) --output-on-failure -L integration -R '$(TSAN_TESTS)'
	ctest --test-dir build-tsan -j $(JOBS) --output-on-failure -L emulator

# Installs the SDK into a scratch prefix and builds examples/ against the
# installed package only.
example: build
	rm -rf $(BUILD)/stage $(BUILD)/example
	cmake --install $(BUILD) --prefix $(CURDIR)/$(BUILD)/stage
	cmake -S examples/list-jobs -B $(BUILD)/example -G Ninja -DCMAKE_PREFIX_PATH=$(CURDIR)/$(BUILD)/stage
	cmake --build $(BUILD)/example
	scripts/check-example $(BUILD)/example $(CURDIR)/$(BUILD)/stage

# libFuzzer targets (fuzz/), built with clang under ASan + UBSan, each run for
# FUZZ_SECONDS from its seed corpus.
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 60
.PHONY: fuzz
fuzz: deps
	CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILLBOX_BUILD_BENCH=OFF \
	  -DQUILLBOX_BUILD_TESTS=OFF $(DEV_ARGS) -DQUILLBOX_FUZZ=ON -DQUILLBOX_SANITIZE=address,undefined
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_all
	scripts/run-fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS)

bench: build
	scripts/run-benchmarks $(BUILD)

clean:
	rm -rf $(BUILD) build-asan build-tsan build-fuzz

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

.PHONY: deps-arm64 test-arm64 example-arm64 clean-arm64

deps-arm64:
	scripts/install-deps --arm64

test-arm64: deps-arm64
	cmake -S . -B $(ARM64_BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=$(ARM64_TOOLCHAIN) \
	  -DQUILLBOX_BUILD_BENCH=OFF $(DEV_ARGS) $(ARM64_CMAKE_ARGS) $(CMAKE_ARGS)
	scripts/check-arm64-libs $(ARM64_BUILD)
	cmake --build $(ARM64_BUILD) -j $(JOBS)
	ctest --test-dir $(ARM64_BUILD) -j $(JOBS) --output-on-failure -LE x86-tools

# Installs the arm64 build into a scratch prefix, builds examples/ against it
# with the same toolchain and runs the programs under qemu-aarch64.
example-arm64: deps-arm64
	cmake -S . -B $(ARM64_BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=$(ARM64_TOOLCHAIN) \
	  -DQUILLBOX_BUILD_BENCH=OFF $(DEV_ARGS) $(ARM64_CMAKE_ARGS) $(CMAKE_ARGS)
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
