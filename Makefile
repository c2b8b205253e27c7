# The two commands of the README, plus the benchmarks.
#   make run    install what is missing, configure, build, run the main job
#   make test   install what is missing, configure, build, run every test
#   make bench  build and run the benchmarks with their peers (not part of test)
BUILD       ?= build
BENCH_BUILD ?= build-bench
CMAKE_FLAGS ?=
JOBS        ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: run test bench deps configure build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run-main.sh $(BUILD)

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

bench: deps
	@cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVA_BUILD_BENCH=ON -DORVA_BUILD_TESTS=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BENCH_BUILD) -j $(JOBS)
	@scripts/run-bench.sh $(BENCH_BUILD)
