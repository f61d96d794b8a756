# `make test` installs what is missing, builds and runs every check CI runs; `sh make.sh …` does the
# same on a machine without make.

BUILD_DIR         ?= build
TSAN_BUILD_DIR    ?= build-tsan
RELEASE_BUILD_DIR ?= build-release
JOBS              ?= $(shell nproc)
# Total fuzzing time in seconds, shared by all fuzz targets.
FUZZ_SECONDS      ?= 240

# Debian packages the build, the tests, the benchmarks and the fuzzers need.
PACKAGES := make cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev \
            libicu-dev clang libclang-rt-14-dev libasound2-dev libsdl2-dev libpng-dev \
            libcairo2-dev libfontconfig-dev libfreetype-dev fonts-liberation2 \
            libexpat1-dev zenity xvfb xdotool \
            libegl-dev libgl-dev libglu1-mesa-dev libegl-mesa0 libgl1-mesa-dri libglx-mesa0

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: setup test test-address test-thread test-release bench bench-smoke release fuzz clean

setup:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $$missing; \
	fi

# Everything CI runs, in order: AddressSanitizer + UndefinedBehaviorSanitizer with g++, the tests of
# code that runs threads under ThreadSanitizer built by clang (so the tests stay clean under both
# compilers; tests/CMakeLists.txt lists the single-threaded ones it leaves out), the tests again
# in the optimised build (faults that only optimisation exposes), every benchmark run briefly, and the
# fuzzing budget.
test: test-address test-thread test-release bench-smoke fuzz

test-address: setup
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVQ_SANITIZE=address \
	  -DVQ_BUILD_BENCHMARKS=OFF
	cmake --build $(BUILD_DIR) -j $(JOBS)
	ctest --test-dir $(BUILD_DIR) -j $(JOBS) --output-on-failure

test-thread: setup
	CC=clang CXX=clang++ cmake -S . -B $(TSAN_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DVQ_SANITIZE=thread -DVQ_BUILD_BENCHMARKS=OFF
	cmake --build $(TSAN_BUILD_DIR) -j $(JOBS)
	ctest --test-dir $(TSAN_BUILD_DIR) -j $(JOBS) --output-on-failure

# Optimised, warnings as errors.
release: setup
	cmake -S . -B $(RELEASE_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DVQ_BUILD_TESTS=ON
	cmake --build $(RELEASE_BUILD_DIR) -j $(JOBS)

test-release: release
	ctest --test-dir $(RELEASE_BUILD_DIR) -j $(JOBS) --output-on-failure

bench: release
	@for b in $(RELEASE_BUILD_DIR)/bench/*_bench; do echo "== $$b"; $$b || exit 1; done

# Each benchmark once and briefly: they still build and run, their figures mean nothing here.
bench-smoke: release
	@n=0; for b in $(RELEASE_BUILD_DIR)/bench/*_bench; do \
	  $$b --benchmark_min_time=0.0001 >/dev/null 2>$$b.err || { cat $$b.err; echo "$$b failed"; exit 1; }; \
	  n=$$((n + 1)); \
	done; echo "benchmarks: $$n passed, 0 failed"

fuzz: setup
	bash tests/fuzz/run.sh $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD_DIR) $(TSAN_BUILD_DIR) $(RELEASE_BUILD_DIR) build-fuzz
