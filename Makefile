# The front door: set-up, build, run and test over the CMake presets.
#   make run     install what is missing, build the Linux i386 program and run it
#   make selfcheck  the same, then run the meter's self-check instead
#   make stats   the same, then measure every kernel copy many times in one process, with
#                a chart in build/<preset>/jumpbench-stats.png: the i386 tool where this
#                kernel runs i386 programs natively, else the x86-64 one (it says which)
#   make profile the same, then count what one scan of each kernel copy executes
#   make test    install what is missing, build, and run every test this machine can run:
#                Linux i386 (and under the sanitizers), Linux x86-64, the Windows builds'
#                under Wine (x86-64 natively, i686 where Wine can start it)
#   make test-linux  the Linux i386 tests only (no sanitizers, no Wine)
#   make build-windows  install what is missing and cross-build build/i686-windows/jumpbench.exe
#                and jumpbench-profile.exe
#   make listing the disassembly of every measured kernel copy in the built program
#   make build   build only; make clean removes build/
#
# The x86-64 build: every program again, laid out for 64-bit mode, run natively where the
# kernel runs 64-bit code only.
#   make run-x86_64, selfcheck-x86_64, stats-x86_64, profile-x86_64, listing-x86_64
#                as their i386 namesakes, with build/x86_64-linux's programs
#   make test-x86_64  the Linux x86-64 tests;  make test-windows-x86_64  the Windows x86-64
#                tests under 64-bit Wine;  make build-x86_64, build-windows-x86_64  build only
#
# Where the kernel cannot run 32-bit programs (scripts/run-i386.sh), they run under qemu's
# user-mode emulator: the tests hold there, the tick figures are the emulator's, and Wine
# does not start, so the i686 Windows build is built but its tests are not run.

LINUX := i386-linux
SANITIZE := i386-linux-sanitize
WINDOWS := i686-windows
LINUX64 := x86_64-linux
WINDOWS64 := x86_64-windows
# The Wine server of the tests' prefix stays a while after the last test; end it with them.
STOP_WINE := WINEPREFIX=$(CURDIR)/build/$(WINDOWS)/wine-prefix wineserver -k 2>/dev/null || true
STOP_WINE64 := WINEPREFIX=$(CURDIR)/build/$(WINDOWS64)/wine-prefix wineserver -k 2>/dev/null || true

.PHONY: run selfcheck stats profile listing test test-linux test-windows build build-windows setup \
	setup-windows clean run-x86_64 selfcheck-x86_64 stats-x86_64 profile-x86_64 listing-x86_64 \
	test-x86_64 test-windows-x86_64 build-x86_64 build-windows-x86_64 setup-x86_64

# The programs say themselves when they run under an emulator.
run: build
	./build/$(LINUX)/jumpbench

# The self-check leaves its verdict unjudged under an emulator.
selfcheck: build
	./build/$(LINUX)/jumpbench-selfcheck

# Measures natively: the i386 tool where this kernel runs i386 programs, else the x86-64 one.
stats: setup
	@if [ "$$(./scripts/run-i386.sh)" = native ]; then \
	    $(MAKE) --no-print-directory build && \
	    echo "stats: the i386 tool, build/$(LINUX)/jumpbench-stats" >&2 && \
	    ./build/$(LINUX)/jumpbench-stats --chart=build/$(LINUX)/jumpbench-stats.png; \
	else \
	    $(MAKE) --no-print-directory build-x86_64 && \
	    echo "stats: this kernel cannot run i386 programs natively; the x86-64 tool," \
	         "build/$(LINUX64)/jumpbench-stats" >&2 && \
	    ./build/$(LINUX64)/jumpbench-stats --chart=build/$(LINUX64)/jumpbench-stats.png; \
	fi

# The counts are exact, the same under the emulator as on the processor: no note.
profile: build
	./build/$(LINUX)/jumpbench-profile

listing: build
	./scripts/listing.sh build/$(LINUX)/jumpbench

build: setup
	cmake --preset $(LINUX)
	cmake --build --preset $(LINUX)

test-linux: build
	ctest --preset $(LINUX)

test: test-linux
	cmake --preset $(SANITIZE)
	cmake --build --preset $(SANITIZE)
	ctest --preset $(SANITIZE)
	$(MAKE) --no-print-directory test-x86_64
	$(MAKE) --no-print-directory test-windows-x86_64
	$(MAKE) --no-print-directory test-windows

test-windows: setup-windows
	cmake --preset $(WINDOWS)
	cmake --build --preset $(WINDOWS)
	@if [ "$$(./scripts/run-i386.sh)" != native ]; then \
	    echo "Windows tests not run: Wine needs a kernel that runs 32-bit programs natively"; \
	else \
	    ctest --preset $(WINDOWS) || { $(STOP_WINE); exit 1; }; \
	    $(STOP_WINE); \
	fi

build-windows: setup-windows
	cmake --preset $(WINDOWS)
	cmake --build --preset $(WINDOWS) --target jumpbench jumpbench-profile

# The x86-64 build, Linux and Windows.
run-x86_64: build-x86_64
	./build/$(LINUX64)/jumpbench

selfcheck-x86_64: build-x86_64
	./build/$(LINUX64)/jumpbench-selfcheck

stats-x86_64: build-x86_64
	./build/$(LINUX64)/jumpbench-stats --chart=build/$(LINUX64)/jumpbench-stats.png

profile-x86_64: build-x86_64
	./build/$(LINUX64)/jumpbench-profile

listing-x86_64: build-x86_64
	./scripts/listing.sh build/$(LINUX64)/jumpbench

build-x86_64: setup-x86_64
	cmake --preset $(LINUX64)
	cmake --build --preset $(LINUX64)

test-x86_64: build-x86_64
	ctest --preset $(LINUX64)

build-windows-x86_64: setup-x86_64
	cmake --preset $(WINDOWS64)
	cmake --build --preset $(WINDOWS64) --target jumpbench jumpbench-profile jumpbench-selfcheck

# 64-bit Wine runs the programs natively on an x86-64 processor, emulated or not for i386.
test-windows-x86_64: setup-x86_64
	cmake --preset $(WINDOWS64)
	cmake --build --preset $(WINDOWS64)
	ctest --preset $(WINDOWS64) || { $(STOP_WINE64); exit 1; }
	$(STOP_WINE64)

setup:
	./scripts/setup-linux.sh

setup-x86_64:
	./scripts/setup-x86_64.sh

setup-windows:
	./scripts/setup-windows.sh

clean:
	rm -rf build
