# The two commands of the README, plus the benchmarks.
#   make run    install what is missing, configure, build the program and
#               what it loads (target orva_run: no tests), run the main job
#   make test   install what is missing, configure, build everything, run every test
#   make package  build the Debian package build/orvascope_<version>_amd64.deb
#   make bench  build and run the benchmarks with their peers (not part of test)
#   make fuzz   build the libFuzzer targets and run each for FUZZ_SECONDS (see fuzz/README.md)
BUILD       ?= build
BENCH_BUILD ?= build-bench
FUZZ_BUILD  ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?=
CMAKE_FLAGS ?=
JOBS        ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: run test package bench deps configure build build-run fuzz fuzz-build fuzz-seeds

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Only the program, its libraries, templates and manuals (and the board probe).
build-run: configure
	@cmake --build $(BUILD) -j $(JOBS) --target orva_run

run: build-run
	@scripts/run-main.sh $(BUILD)

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The package of what `cmake --install` installs, prefix /usr (cmake/OrvaInstall.cmake).
package: build
	@rm -f $(BUILD)/orvascope_*.deb
	@cd $(BUILD) && cpack -G DEB >/dev/null
	@ls $(BUILD)/orvascope_*.deb

bench: deps
	@cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVA_BUILD_BENCH=ON -DORVA_BUILD_TESTS=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BENCH_BUILD) -j $(JOBS)
	@scripts/run-bench.sh $(BENCH_BUILD)

# The fuzz build: clang, every library with coverage instrumentation, ASan and
# UBSan, no window and no tests; one executable per input format in bin/.
fuzz-build:
	@scripts/install-deps.sh --fuzz
	@cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
	  -DORVA_FUZZ=ON -DORVA_BUILD_GUI=OFF -DORVA_BUILD_TESTS=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)

# Runs every target (or FUZZ_TARGETS) for FUZZ_SECONDS each, growing its
# corpus in fuzz/corpus/<target>/.
fuzz: fuzz-build
	@scripts/run-fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

# The same from the checked-in seeds only, leaving fuzz/corpus/ untouched (CI).
fuzz-seeds: fuzz-build
	@scripts/run-fuzz.sh --seeds-only $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_TARGETS)
