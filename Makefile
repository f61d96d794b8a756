# Entry point: `make run` and `make test` install what is missing, build and go.

BUILD_DIR      ?= build
TSAN_BUILD_DIR ?= build-tsan
JOBS           ?= $(shell nproc)
FUZZ_SECONDS   ?= 60

# Debian packages the build and the tests need.
PACKAGES := make cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev \
            clang libclang-rt-14-dev

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: setup configure build test test-thread fuzz clean

setup:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y --no-install-recommends $$missing; \
	fi

configure: setup
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVQ_SANITIZE=address

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# Everything under AddressSanitizer + UndefinedBehaviorSanitizer, the threaded tests also under
# ThreadSanitizer (the whole suite: it is small, and races hide anywhere).
test: build
	ctest --test-dir $(BUILD_DIR) -j $(JOBS) --output-on-failure
	$(MAKE) --no-print-directory test-thread

test-thread: setup
	cmake -S . -B $(TSAN_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVQ_SANITIZE=thread \
	  -DVQ_BUILD_BENCHMARKS=OFF
	cmake --build $(TSAN_BUILD_DIR) -j $(JOBS)
	ctest --test-dir $(TSAN_BUILD_DIR) -j $(JOBS) --output-on-failure

# Bounded fuzzing runs of the untrusted-input readers.
fuzz: setup
	bash tests/fuzz/run.sh $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD_DIR) $(TSAN_BUILD_DIR) build-fuzz
