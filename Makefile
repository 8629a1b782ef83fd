# Thin wrapper over CMake: `make run` builds Release and runs the main job, `make test` runs every test.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all build run test sanitize tsan fuzz clean bench

all: build

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)

build: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/cratewise batch --sample -t 60

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

sanitize:
	$(MAKE) test BUILD=build-asan CMAKE_FLAGS="-DCMAKE_BUILD_TYPE=Debug -DCRATEWISE_SANITIZE=ON"

# The core's and the command line's tests under ThreadSanitizer: a data race anywhere fails the run.
# The window's tests are left out: Qt itself is not built for ThreadSanitizer, so its queued calls
# between threads look like races to it.
tsan:
	$(MAKE) build BUILD=build-tsan CMAKE_FLAGS="-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCRATEWISE_TSAN=ON -DCRATEWISE_GUI=OFF"
	cd build-tsan && TSAN_OPTIONS="atexit_sleep_ms=0 halt_on_error=1" ctest --output-on-failure -j $(JOBS)

# The libFuzzer targets (clang), each run FUZZ_SECONDS from the seed corpus; a crash stops the run.
FUZZ_SECONDS ?= 60
fuzz:
	cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCRATEWISE_FUZZ=ON
	cmake --build build-fuzz -j $(JOBS)
	bench/fuzz-long $(FUZZ_SECONDS)

clean:
	rm -rf build build-asan build-tsan build-fuzz
