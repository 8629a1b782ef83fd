# Thin wrapper over CMake: `make run` builds Release and runs the main job, `make test` runs every test,
# `make install PREFIX=...` installs the programs, the desktop entry, the icon and the man page.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
PREFIX ?= /usr/local

.PHONY: all build run test sanitize tsan install clean bench

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

# The threads' shared words and the live position under ThreadSanitizer: the driver, the live position
# and the window tests, which run real solves while the window's timer reads the position.
TSAN_TESTS = driver_test live_position_test gui_window_test gui_desktop_test
tsan:
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCRATEWISE_TSAN=ON
	cmake --build build-tsan -j $(JOBS) --target cratewise cratewise-gui $(TSAN_TESTS)
	cd build-tsan && QT_QPA_PLATFORM=offscreen TSAN_OPTIONS="halt_on_error=1 suppressions=$(CURDIR)/ui/tests/tsan.supp" \
	  ctest --output-on-failure -j $(JOBS) -R '^(DriverTest|LivePosition|gui\.(Window|TextDialog|Desktop|Keys|FittedTiles|BoardScale))'

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf build build-asan build-tsan
