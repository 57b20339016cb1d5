# Thin wrapper around CMake. Host build in build/, sanitizer build in build-asan/,
# Windows builds in build-win32/ (release, i686) and build-win64/ (x86_64, for wine64).
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all test asan demo windows win32 win64 fuzz bench clean

all:
	cmake -S . -B build $(CMAKE_FLAGS) >/dev/null
	cmake --build build -j $(JOBS)

test: all
	ctest --test-dir build --output-on-failure -j $(JOBS)

asan:
	cmake -S . -B build-asan -DHALVINST_SANITIZE=ON $(CMAKE_FLAGS) >/dev/null
	cmake --build build-asan -j $(JOBS)
	ctest --test-dir build-asan --output-on-failure -j $(JOBS)

demo: all
	bash tools/demo.sh build

windows: win32 win64

win32:
	cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
	cmake --build build-win32 -j $(JOBS)

win64:
	cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
	cmake --build build-win64 -j $(JOBS)

fuzz:
	bash fuzz/run.sh

bench: all
	bash bench/run.sh build

clean:
	rm -rf build build-asan build-win32 build-win64 build-fuzz
