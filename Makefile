# Front door: `make demo` and `make test` install what is missing, configure,
# build and run; `make check` builds and runs the unit tests alone. The trees
# are CMake presets; scripts/verify builds and tests each of them.

BUILD := build/default
# What `make check` needs: a compiler, CMake, GoogleTest and MPFR (the
# yardstick of the library's exp and cos in tests/math).
CHECK_PACKAGES := g++ cmake make libgtest-dev libmpfr-dev
# What the native build and its tests need from Debian.
PACKAGES := $(CHECK_PACKAGES) binutils libbenchmark-dev
# The Python package, its command-line tool, charts and tests (python/).
PACKAGES += python3 python3-numpy python3-pandas python3-matplotlib python3-pytest python3-xarray
# Its long-table filter on a Dask cluster, tested on a local two-process one.
PACKAGES += python3-dask python3-distributed
# Windows DLLs (MinGW-w64 cross compilers, Wine to run the 64-bit one),
# 32-bit x86 (multilib GCC, qemu-i386, GoogleTest sources to build for it)
# and the install check (pkg-config): the trees of scripts/verify.
PACKAGES += g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 \
            g++-multilib qemu-user googletest pkgconf
# Hardening trees (asan, tsan, fuzz): clang with its libFuzzer and
# sanitizer runtimes for the fuzz tree.
PACKAGES += clang libclang-rt-14-dev
# Release packages (`make dist`) and their tests: zip; dpkg-dev for the
# Debian package's dependencies, and lintian; virtual environments
# (python3-venv), in which the pinned PyPI tools build the Python sdist and
# wheel and the fresh installs are tested; LLVM's dlltool for MSVC import
# libraries and lld-link to link a program against them.
PACKAGES += zip unzip dpkg-dev lintian python3-venv llvm lld
# The WebAssembly module (clang and lld 19 over the WASI C library, libc++'s
# headers and the compiler runtime for wasm32), all that `make web` needs
# besides Node.js and npm, which come with the machine (the npm tools come
# from js/package-lock.json).
WEB_PACKAGES := cmake make clang-19 lld-19 wasi-libc libc++-19-dev-wasm32 libclang-rt-19-dev-wasm32
# And the headless browser its chart page is tested in (`make test`).
PACKAGES += $(WEB_PACKAGES) chromium
# 64-bit ARM Linux, cross-built by the same clang and lld 19 against
# Debian's arm64 C and C++ libraries, its programs run under qemu-aarch64
# (qemu-user above); llvm's objdump and nm (above) read its binaries.
PACKAGES += libc6-dev-arm64-cross libstdc++-12-dev-arm64-cross

.PHONY: all deps build demo check test dist wheel bench web clean

# The filters' Python names, in the order of the rows of the filter table.
FILTERS := $(shell sed -n 's/^ *X.[A-Za-z0-9_]*, *\([a-z0-9_]*\),.*/\1/p' src/filter_table.h)
# The chart shows every filter of the table: the smoothers over the prices,
# the others in panels below, three of them at periods of their own.
DEMO_PERIODS := ultimate_smoother:period=20 super_smoother:period=10 high_pass:period=48
DEMO_CHART := --filters $(DEMO_PERIODS) $(filter-out $(basename $(subst :, .,$(DEMO_PERIODS))),$(FILTERS)) \
  --title "WTI crude oil spot price, USD per barrel (Source: U.S. Energy Information Administration)"

all: build

deps:
	@scripts/install-deps $(PACKAGES)

build: deps
	cmake --preset default >/dev/null
	cmake --build $(BUILD) -j2

# Builds only what the demo runs, the library and the example host (not the
# tests or benchmarks), and runs the host: it loads the library by file name
# and prints the last rows of all seven filters over the bundled WTI daily
# prices. Then the Python tool draws the same series and filters into
# $(FIGURES)/demo.png, and every filter's gain and lag at its defaults into
# $(FIGURES)/filter_response.png. `make demo FIGURES=docs` refreshes the
# figures the README and docs/ show.
FIGURES := build
demo: deps
	cmake --preset default >/dev/null
	cmake --build $(BUILD) -j2 --target tsfilters host_demo
	$(BUILD)/examples/host_demo $(BUILD)/libtsfilters.so data/wti_daily.csv 15
	TSFILTERS_LIBRARY=$(BUILD)/libtsfilters.so /usr/bin/python3 python/bin/tsfilters \
	  plot data/wti_daily.csv -o $(FIGURES)/demo.png --last 500 $(DEMO_CHART)
	TSFILTERS_LIBRARY=$(BUILD)/libtsfilters.so /usr/bin/python3 python/bin/tsfilters \
	  response -o $(FIGURES)/filter_response.png

# The library and its unit tests (ctest label `unit`, seconds on a built
# tree): the filters, the stream library, the lanes on every instruction
# set the processor has, exp and cos against MPFR (the periods where their
# fast paths give up, a few thousand spread over the int32 range) and the
# constant tables against their generator. Installs only what that needs
# (CHECK_PACKAGES) when it is missing; the long sweeps are `make test`'s.
check:
	@scripts/install-deps $(CHECK_PACKAGES)
	cmake --preset default >/dev/null
	cmake --build $(BUILD) -j2 --target unit_tests
	ctest --test-dir $(BUILD) -j2 --output-on-failure -L '^unit$$'

# Every tree of the verification matrix, the native one first; the last line
# of its output counts the tests of all of them.
test: deps
	scripts/verify

# The release packages, into dist/ with SHA256SUMS: Windows zips, the Debian
# package, the Python wheel and sdist (scripts/dist). `make test` builds
# them too and tests them (the `dist` tree).
dist: deps
	scripts/dist

# The Python sdist and manylinux wheel alone, into dist/ (scripts/wheel): a
# few minutes, where `make dist` also builds the Windows DLLs and the .deb.
# Needs only a compiler, CMake and Python's venv (pip fetches the pinned
# build tools).
wheel:
	@scripts/install-deps g++ cmake make python3 python3-venv
	scripts/wheel

# Every export at 100, 10,000 and 1,000,000 samples against the `limit` and
# `staged` yardsticks, then the stream library's update and peek against
# `limit`, then halted prices against moving ones (bench/halted_bench), then
# the lanes on each instruction set (a set the processor lacks
# falls back to a narrower one, which the table names), then a long table's
# segments against the same samples as one series, and a live book's row
# against a hand-written update and a copy of its hot state; the tables at
# the end give the ratios. Repetitions are
# interleaved and the fastest one counts, to keep a busy machine's noise out.
bench: build
	$(BUILD)/bench/filters_bench --benchmark_min_time=0.2 --benchmark_repetitions=5 \
	  --benchmark_enable_random_interleaving=true
	$(BUILD)/bench/stream_bench --benchmark_min_time=0.2 --benchmark_repetitions=5 \
	  --benchmark_enable_random_interleaving=true
	$(BUILD)/bench/halted_bench --benchmark_min_time=0.2 --benchmark_repetitions=3 \
	  --benchmark_enable_random_interleaving=true
	for simd in avx512 avx2 sse2 scalar; do \
	  TSFILTERS_SIMD=$$simd $(BUILD)/bench/lanes_bench --benchmark_min_time=0.2 \
	    --benchmark_repetitions=3 --benchmark_enable_random_interleaving=true || exit 1; \
	done
	$(BUILD)/bench/segments_bench --benchmark_min_time=0.2 --benchmark_repetitions=3 \
	  --benchmark_enable_random_interleaving=true
	$(BUILD)/bench/book_bench

# The npm package (js/, with tsfilters.wasm inside, and beside its lean
# entry, js/generated/lean.js) and the chart page,
# examples/web/index.html, which then opens from file:// without a network.
# Installs only the WebAssembly toolchain (WEB_PACKAGES) when it is missing.
web:
	@scripts/install-deps $(WEB_PACKAGES)
	cmake --preset wasm >/dev/null
	cmake --build build/wasm -j2
	cd js && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund
	node js/scripts/build_lean.mjs
	node examples/web/build.mjs

clean:
	rm -rf build dist
