# The two commands a new user runs: `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)

.PHONY: all deps configure build run test asan-test fuzz clean

all: build

deps:
	scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DFENNIX_UNITY_BUILD=ON

build: configure
	cmake --build $(BUILD) -j $(JOBS)

SAMPLE_SCENE ?= tests/data/sample_scene.kvrx

# Reads the bundled sample scene and writes it again as scene text.
run: build
	$(BUILD)/bin/fennix --convert $(SAMPLE_SCENE) $(BUILD)/sample_scene.kvrx
	@echo "wrote $(BUILD)/sample_scene.kvrx"
	LIBGL_ALWAYS_SOFTWARE=1 $(BUILD)/bin/fennix --render $(SAMPLE_SCENE) --out $(BUILD)/sample_scene.bmp

test: build
	cd $(BUILD) && LIBGL_ALWAYS_SOFTWARE=1 ctest --output-on-failure -j $(JOBS)

# The same suite under AddressSanitizer and UndefinedBehaviorSanitizer, in its own build folder.
asan-test: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DFENNIX_SANITIZE=ON -DFENNIX_UNITY_BUILD=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && LIBGL_ALWAYS_SOFTWARE=1 \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  ctest --output-on-failure -j $(JOBS)

# The libFuzzer targets (fuzz/), built with clang under ASan and UBSan in their
# own build folder; scripts/run-fuzzers runs each for a bounded time.
fuzz: deps
	cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
	  -DFENNIX_FUZZ=ON -DFENNIX_SANITIZE=ON -DFENNIX_BENCH=OFF -DFENNIX_UNITY_BUILD=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
