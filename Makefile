# Front door: `make demo` and `make test` install what is missing, configure,
# build and run. Everything else is plain CMake presets.

BUILD := build/default
# What the native build and its tests need from Debian.
PACKAGES := g++ cmake make binutils libgtest-dev libbenchmark-dev

.PHONY: all deps build demo test bench clean

all: build

deps:
	@scripts/install-deps $(PACKAGES)

build: deps
	cmake --preset default >/dev/null
	cmake --build --preset default

# Runs the example host: it loads the library by file name and prints the
# last rows of all seven filters over the bundled WTI daily prices.
demo: build
	$(BUILD)/examples/host_demo $(BUILD)/libtsfilters.so data/wti_daily.csv 15

test: build
	ctest --preset default

# Every export at 100, 10,000 and 1,000,000 samples against the `limit` and
# `staged` yardsticks; the table at the end gives the ratios. Repetitions are
# interleaved and the fastest one counts, to keep a busy machine's noise out.
bench: build
	$(BUILD)/bench/filters_bench --benchmark_min_time=0.2 --benchmark_repetitions=5 \
	  --benchmark_enable_random_interleaving=true

clean:
	rm -rf build
