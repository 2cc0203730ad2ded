# The whole set-up on a fresh Debian 12 machine: `make test` and `make run`.
BUILD_DIR ?= build
FUZZ_BUILD_DIR ?= $(BUILD_DIR)-fuzz
JOBS ?= $(shell nproc)
# The password box `make run` proposes at login (empty: the last one opened).
BOX ?=

.PHONY: all deps configure build fuzz-build test run bench clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@if [ ! -f $(BUILD_DIR)/build.ninja ]; then \
	  cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DZMB_FUZZ_BUILD_DIR=$(abspath $(FUZZ_BUILD_DIR)); \
	fi

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# The fuzz targets need clang, so they have a build folder of their own.
fuzz-build: deps
	@scripts/fuzz.sh build $(FUZZ_BUILD_DIR)

test: build fuzz-build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD_DIR) $(BOX)

bench: build
	@scripts/bench.sh $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR) $(FUZZ_BUILD_DIR)
