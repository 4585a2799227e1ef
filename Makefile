# Entry points. `make test` sets everything up on a fresh Debian 12 machine.
BUILD      ?= build
JOBS       ?= 2
CMAKE_ARGS ?=

.PHONY: all deps build test test-asan test-tsan example bench clean

all: build

deps:
	scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS)

# The whole suite: unit, integration (loopback server, nginx) and end-to-end.
test: build
	ctest --test-dir $(BUILD) -j $(JOBS) --output-on-failure

# The suite under AddressSanitizer + UndefinedBehaviorSanitizer.
test-asan: deps
	cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILLBOX_BUILD_BENCH=OFF \
	  -DQUILLBOX_SANITIZE=address,undefined
	cmake --build build-asan -j $(JOBS)
	ctest --test-dir build-asan -j $(JOBS) --output-on-failure

# The concurrency tests under ThreadSanitizer.
test-tsan: deps
	cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILLBOX_BUILD_BENCH=OFF \
	  -DQUILLBOX_SANITIZE=thread
	cmake --build build-tsan -j $(JOBS)
	ctest --test-dir build-tsan -j $(JOBS) --output-on-failure -L concurrency

# Installs the SDK into a scratch prefix and builds examples/ against the
# installed package only.
example: build
	rm -rf $(BUILD)/stage $(BUILD)/example
	cmake --install $(BUILD) --prefix $(CURDIR)/$(BUILD)/stage
	cmake -S examples/list-jobs -B $(BUILD)/example -G Ninja -DCMAKE_PREFIX_PATH=$(CURDIR)/$(BUILD)/stage
	cmake --build $(BUILD)/example
	scripts/check-example $(BUILD)/example $(CURDIR)/$(BUILD)/stage

bench: build
	scripts/run-benchmarks $(BUILD)

clean:
	rm -rf $(BUILD) build-asan build-tsan

