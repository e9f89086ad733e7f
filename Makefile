# Front door: `make demo` and `make test` install what is missing, configure,
# build and run. Everything else is plain CMake presets.

BUILD := build/default
# What the native build and its tests need from Debian.
PACKAGES := g++ cmake make binutils libgtest-dev libbenchmark-dev
# The Python package, its command-line tool, charts and tests (python/).
PACKAGES += python3 python3-numpy python3-pandas python3-matplotlib python3-pytest
# Windows DLLs (MinGW-w64 cross compilers, Wine to run the 64-bit one),
# 32-bit x86 (multilib GCC, qemu-i386, GoogleTest sources to build for it)
# and the install check (pkg-config); ctest labels windows, x86, install.
PACKAGES += g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 \
            g++-multilib qemu-user googletest pkgconf
# Hardening trees (asan, tsan, fuzz; see hardening/): clang with its
# libFuzzer and sanitizer runtimes for the fuzz tree.
PACKAGES += clang libclang-rt-14-dev

.PHONY: all deps build demo test bench clean

# The chart shows the host table's filters and periods.
DEMO_CHART := --filters ultimate_smoother:period=20 super_smoother:period=10 \
  laguerre_filter high_pass:period=48 band_pass cybernetic_oscillator laguerre_oscillator \
  --title "WTI crude oil spot price, USD per barrel (Source: U.S. Energy Information Administration)"

all: build

deps:
	@scripts/install-deps $(PACKAGES)

build: deps
	cmake --preset default >/dev/null
	cmake --build --preset default

# Runs the example host: it loads the library by file name and prints the
# last rows of all seven filters over the bundled WTI daily prices. Then the
# Python tool draws the same series and filters into build/demo.png.
demo: build
	$(BUILD)/examples/host_demo $(BUILD)/libtsfilters.so data/wti_daily.csv 15
	TSFILTERS_LIBRARY=$(BUILD)/libtsfilters.so /usr/bin/python3 python/bin/tsfilters \
	  plot data/wti_daily.csv -o build/demo.png --last 500 $(DEMO_CHART)

test: build
	ctest --preset default

# Every export at 100, 10,000 and 1,000,000 samples against the `limit` and
# `staged` yardsticks, then the stream library's update and peek against
# `limit`, then the lanes on each instruction set (a set the processor lacks
# falls back to a narrower one, which the table names); the tables at the
# end give the ratios. Repetitions are
# interleaved and the fastest one counts, to keep a busy machine's noise out.
bench: build
	$(BUILD)/bench/filters_bench --benchmark_min_time=0.2 --benchmark_repetitions=5 \
	  --benchmark_enable_random_interleaving=true
	$(BUILD)/bench/stream_bench --benchmark_min_time=0.2 --benchmark_repetitions=5 \
	  --benchmark_enable_random_interleaving=true
	for simd in avx512 avx2 sse2 scalar; do \
	  TSFILTERS_SIMD=$$simd $(BUILD)/bench/lanes_bench --benchmark_min_time=0.2 \
	    --benchmark_repetitions=3 --benchmark_enable_random_interleaving=true || exit 1; \
	done

clean:
	rm -rf build
