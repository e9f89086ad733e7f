# Front door: `make demo` and `make test` install what is missing, configure,
# build and run. Everything else is plain CMake presets.

BUILD := build/default
# What the native build and its tests need from Debian.
PACKAGES := g++ cmake make binutils libgtest-dev
# Windows DLLs (MinGW-w64 cross compilers, Wine to run the 64-bit one),
# 32-bit x86 (multilib GCC, qemu-i386, GoogleTest sources to build for it)
# and the install check (pkg-config); ctest labels windows, x86, install.
PACKAGES += g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 \
            g++-multilib qemu-user googletest pkgconf

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
