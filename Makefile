# Thin wrapper around CMake. Host build in build/, sanitizer build in build-asan/,
# Windows builds in build-win32/ (release, i686) and build-win64/ (x86_64, for wine64).
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all test asan demo windows win32 win64 wine32 release screenshots fuzz bench sweep clean

all:
	cmake -S . -B build $(CMAKE_FLAGS) >/dev/null
	cmake --build build -j $(JOBS)

test: all
	ctest --test-dir build --output-on-failure -j $(JOBS)

asan:
	cmake -S . -B build-asan -DHALVINST_SANITIZE=ON $(CMAKE_FLAGS) >/dev/null
	cmake --build build-asan -j $(JOBS)
	ctest --test-dir build-asan --output-on-failure -j $(JOBS)

# The demo builds only what it runs, the packed installer and the winsim
# tool, in build-demo/ without optimisation or debug information (it runs
# one installation; the compiler's time is what a fresh clone waits for).
demo:
	cmake -S . -B build-demo -DCMAKE_BUILD_TYPE=Demo -DCMAKE_CXX_FLAGS_DEMO=-O0 -DCMAKE_C_FLAGS_DEMO=-O0 \
		$(CMAKE_FLAGS) >/dev/null
	cmake --build build-demo -j $(JOBS) --target halvinst winsim_tool
	bash tools/demo.sh build-demo

# The Windows installers are their stubs with the carried files appended:
# halvrel (tools/release) checks the driver folder, DRIVERS (the stand-ins
# unless given), signs the uninstaller it carries when SIGN_CERT and SIGN_KEY
# name a certificate and its key (PEM; SIGN_TIMESTAMP a timestamp server's
# URL), packs with the host's arq (a cross build cannot run the tools it
# builds), signs the installer and writes the manifest beside it. The carried
# files and the signature get the time of the commit (or SOURCE_DATE_EPOCH
# when given), so that two builds of one commit are the same bytes.
PAYLOAD_TIME ?= $(or $(SOURCE_DATE_EPOCH),$(shell git log -1 --format=%ct 2>/dev/null),0)
DRIVERS ?= build/release-drivers
RELEASE_DIR ?= release
SIGN_FLAGS = $(if $(SIGN_CERT),--cert '$(SIGN_CERT)' --key '$(SIGN_KEY)') \
	$(if $(SIGN_TIMESTAMP),--timestamp '$(SIGN_TIMESTAMP)')

windows: win32 win64

win32 win64: all
	cmake -S . -B build-$@ -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-$(if $(filter win32,$@),i686,x86_64).cmake \
		-DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
	cmake --build build-$@ -j $(JOBS)
	SOURCE_DATE_EPOCH=$(PAYLOAD_TIME) build/bin/halvrel --drivers '$(DRIVERS)' \
		--stub build-$@/bin/halvinst-stub.exe --uninstaller build-$@/payload/HALVUNIN.EXE \
		--out build-$@/bin/halvinst.exe $(SIGN_FLAGS)

# A vendor's release: `make release DRIVERS=DIR [SIGN_CERT=... SIGN_KEY=...]`
# puts halvinst.exe (win32) and its manifest into RELEASE_DIR.
release: win32
	mkdir -p '$(RELEASE_DIR)'
	cp build-win32/bin/halvinst.exe build-win32/bin/halvinst-manifest.txt '$(RELEASE_DIR)/'

# The release (i686) under 32-bit Wine (Debian's wine32:i386): the silent
# install and the quiet uninstall, the 32-bit arq's round trip, the
# conformance program against winsim, and every Windows version from 95 to XP
# against winsim's profiles. About 3 minutes after the build.
wine32: win32
	bash tests/wine/smoke.sh build-win32/bin/halvinst.exe
	bash tests/wine/uninstall.sh build-win32/bin/halvinst.exe
	bash tests/codec/wine_roundtrip.sh build-win32
	bash tests/conformance/compare.sh build build-win32
	bash tests/wine/versions.sh build-win32 build

# The release's wizard and uninstaller's question under 32-bit Wine in every
# language, saved where the documentation shows them.
screenshots: win32
	bash tests/wine/screenshots.sh build-win32/bin/halvinst.exe docs/screenshots
	bash tests/wine/uninstall_screenshots.sh build-win32/bin/halvinst.exe docs/screenshots

fuzz:
	bash fuzz/run.sh

bench: all
	bash bench/run.sh build

# Faults at every machine-changing and read-side call, and kills, over every
# Windows and starting machine (SWEEP_FLAGS=--sample for the CI sample).
sweep: all
	build/bin/sweep --jobs $(JOBS) $(SWEEP_FLAGS)

clean:
	rm -rf build build-asan build-demo build-win32 build-win64 build-fuzz
