# Thin wrapper around CMake. Host build in build/, sanitizer build in build-asan/,
# Windows builds in build-win32/ (release, i686) and build-win64/ (x86_64, for wine64).
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all test asan demo windows win32 win64 screenshots fuzz bench sweep clean

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

# The Windows installers are their stubs with the carried files appended by
# the host's arq (a cross build cannot run the tools it builds); each build's
# payload folder holds the stand-in drivers and its own uninstaller.
PAYLOAD = HALVIK.SYS HALVIK.VXD HALVINST.INF HALVIK2K.SYS HALVUNIN.EXE

windows: win32 win64

win32 win64: all
	cmake -S . -B build-$@ -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-$(if $(filter win32,$@),i686,x86_64).cmake \
		-DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
	cmake --build build-$@ -j $(JOBS)
	cd build-$@/payload && ../../build/bin/arq sfx ../bin/halvinst-stub.exe ../bin/halvinst.exe $(PAYLOAD)

# The wizard under wine64 in every language, saved where the documentation shows it.
screenshots: win64
	bash tests/wine/screenshots.sh build-win64/bin/halvinst.exe docs/screenshots

fuzz:
	bash fuzz/run.sh

bench: all
	bash bench/run.sh build

# Faults at every machine-changing and read-side call, and kills, over every
# Windows and starting machine (SWEEP_FLAGS=--sample for the CI sample).
sweep: all
	build/bin/sweep --jobs $(JOBS) $(SWEEP_FLAGS)

clean:
	rm -rf build build-asan build-win32 build-win64 build-fuzz
