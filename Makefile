# Front door: `make demo` and `make test` install what is missing, configure,
# build and run. Everything else is plain CMake presets.

BUILD := build/default
# What the native build and its tests need from Debian.
PACKAGES := g++ cmake make binutils libgtest-dev
# Hardening trees (asan, tsan, fuzz; see hardening/): clang with its
# libFuzzer and sanitizer runtimes for the fuzz tree.
PACKAGES += clang libclang-rt-14-dev

.PHONY: all deps build demo test clean

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

clean:
	rm -rf build
