# Hinoki: the two commands a newcomer needs are `make demo` and `make test`.
BUILD_DIR ?= build
ASAN_DIR ?= build-asan
TSAN_DIR ?= build-tsan
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=

.PHONY: all deps configure build demo test test-asan test-tsan bench soak api-doc clean

all: build

deps:
	./scripts/install-deps.sh

$(BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

configure: deps $(BUILD_DIR)/CMakeCache.txt

build: configure
	cmake --build $(BUILD_DIR) -j$(JOBS)

# The demo needs only the engine and its own media; tests and benchmarks build with
# make test and make bench.
demo: configure
	cmake --build $(BUILD_DIR) -j$(JOBS) --target hinoki hinoki_demo
	./scripts/run-demo.sh $(BUILD_DIR)/hinoki $(BUILD_DIR)/demo

test: build
	./scripts/run-tests.sh $(BUILD_DIR)

$(ASAN_DIR)/CMakeCache.txt:
	cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DHINOKI_SANITIZE=ON -DHINOKI_BENCH=OFF $(CMAKE_FLAGS)

test-asan: deps $(ASAN_DIR)/CMakeCache.txt
	cmake --build $(ASAN_DIR) -j$(JOBS)
	./scripts/run-tests.sh $(ASAN_DIR)

# The threads that share state (the debug console and its drawing thread, the music
# players and their feeder thread) under ThreadSanitizer.
$(TSAN_DIR)/CMakeCache.txt:
	cmake -S . -B $(TSAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DHINOKI_TSAN=ON -DHINOKI_BENCH=OFF $(CMAKE_FLAGS)

test-tsan: deps $(TSAN_DIR)/CMakeCache.txt
	cmake --build $(TSAN_DIR) -j$(JOBS) --target hinoki_unit_tests
	# OpenAL's PulseAudio backend starts threads of an uninstrumented library whose
	# locking ThreadSanitizer cannot see; the tests only need the loopback device.
	ALSOFT_DRIVERS=-pulse, ./scripts/run-tests.sh $(TSAN_DIR) -L unit -R 'Console|Music'

bench: build
	-./scripts/install-deps.sh --bench
	./scripts/run-bench.sh $(BUILD_DIR)

# Memory over a long run: resident memory at frames 5,000 and 20,000 of a game that makes
# and drops everything a game makes and drops.
soak: configure
	cmake --build $(BUILD_DIR) -j$(JOBS) --target hinoki
	./scripts/run-soak.sh $(BUILD_DIR)

api-doc:
	python3 tools/gen_api_doc.py src/bind docs/api.md

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(TSAN_DIR)
