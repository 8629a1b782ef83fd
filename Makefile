# Thin wrapper over CMake: `make run` builds Release and runs the main job, `make test` runs every test,
# `make install PREFIX=...` installs the programs, the desktop entry, the icon and the man page.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
PREFIX ?= /usr/local

.PHONY: all build run test sanitize tsan fuzz install clean bench

all: build

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)

build: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/cratewise batch --sample -t 60

# Configures again first, so GoogleTest installed since the last build is found.
test: $(BUILD)/CMakeCache.txt
	@cmake -S . -B $(BUILD) >/dev/null
	@if ! grep -q '^CRATEWISE_TESTS:INTERNAL=ON' $(BUILD)/CMakeCache.txt; then \
	  echo "make test: GoogleTest is not installed, so the tests were left out of the build."; \
	  echo "Install it with: sudo apt-get install libgtest-dev   and run make test again."; \
	  exit 1; \
	fi
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

sanitize:
	$(MAKE) test BUILD=build-asan CMAKE_FLAGS="-DCMAKE_BUILD_TYPE=Debug -DCRATEWISE_SANITIZE=ON"

# Every test under ThreadSanitizer: a data race anywhere fails the run. Qt is not built for the
# sanitizer, so the accesses inside its own libraries are suppressed (ui/tests/tsan.supp); the
# sanitizer's one-second pause at exit is off so that timed command-line tests hold.
tsan:
	$(MAKE) build BUILD=build-tsan CMAKE_FLAGS="-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCRATEWISE_TSAN=ON"
	cd build-tsan && QT_QPA_PLATFORM=offscreen \
	  TSAN_OPTIONS="atexit_sleep_ms=0 halt_on_error=1 suppressions=$(CURDIR)/ui/tests/tsan.supp" \
	  ctest --output-on-failure -j $(JOBS)

# The libFuzzer targets (clang), each run FUZZ_SECONDS from the seed corpus; a crash stops the run.
FUZZ_SECONDS ?= 60
fuzz:
	cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCRATEWISE_FUZZ=ON
	cmake --build build-fuzz -j $(JOBS)
	bench/fuzz-long $(FUZZ_SECONDS)

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf build build-asan build-tsan build-fuzz
