# The front door: set-up, build, run and test over the CMake presets.
#   make run     install what is missing, build the Linux i386 program and run it
#   make selfcheck  the same, then run the meter's self-check instead
#   make stats   the same, then measure every kernel copy many times in one process, with
#                a chart in build/<preset>/jumpbench-stats.png: the i386 tool where this
#                kernel runs i386 programs natively, else the x86-64 one (it says which)
#   make profile the same, then count what one scan of each kernel copy executes
#   make test    install what is missing and run every test suite this machine can set up:
#                Linux i386 (and under the sanitizers), Linux x86-64, the Windows builds'
#                under Wine (x86-64 natively; i686 natively, or under qemu's emulator); a
#                summary closes it (scripts/test-all.sh). A suite whose packages cannot be
#                installed is "not run"; REQUIRE_ALL_SUITES=1 makes that an error.
#   make test-linux, test-sanitize, test-x86_64, test-windows-x86_64, test-windows
#                one suite each; each fails where its suite cannot be set up
#   make build-windows  install what is missing and cross-build build/i686-windows/jumpbench.exe
#                and jumpbench-profile.exe (no Wine needed)
#   make listing the disassembly of every measured kernel copy in the built program
#   make machines  every run kept in docs/machines/ side by side (jumpbench-compare): the
#                table, docs/machines/table.md and docs/machines/chart.png (docs/machines.md)
#   make build   build only; make clean removes build/
#
# The x86-64 build: every program again, laid out for 64-bit mode, run natively where the
# kernel runs 64-bit code only.
#   make run-x86_64, selfcheck-x86_64, stats-x86_64, profile-x86_64, listing-x86_64
#                as their i386 namesakes, with build/x86_64-linux's programs
#   make build-x86_64, build-windows-x86_64  build only
#
# Each target sets up only what it needs (scripts/setup-*.sh); a package index that cannot
# be fetched is passed over, a package that cannot be installed stops the target with one
# line (scripts/apt.sh). Where the kernel cannot run 32-bit programs (scripts/run-i386.sh),
# they run under qemu's user-mode emulator: the tests hold there, the tick figures are the
# emulator's (the programs say so), and 32-bit Wine runs under qemu 10 with the test build's
# trap fix (docs/windows-tests-under-qemu.md).

LINUX := i386-linux
SANITIZE := i386-linux-sanitize
WINDOWS := i686-windows
LINUX64 := x86_64-linux
WINDOWS64 := x86_64-windows
# The Wine server of the tests' prefix stays a while after the last test; end it with them.
STOP_WINE := WINEPREFIX=$(CURDIR)/build/$(WINDOWS)/wine-prefix wineserver -k 2>/dev/null || true
STOP_WINE64 := WINEPREFIX=$(CURDIR)/build/$(WINDOWS64)/wine-prefix wineserver -k 2>/dev/null || true

.PHONY: run selfcheck stats profile listing machines test test-linux test-sanitize test-windows build \
	build-windows setup setup-windows setup-windows-build clean run-x86_64 selfcheck-x86_64 \
	stats-x86_64 profile-x86_64 listing-x86_64 test-x86_64 test-windows-x86_64 build-x86_64 \
	build-windows-x86_64 setup-x86_64 setup-windows-x86_64 setup-windows-x86_64-build

# Where the figures are the emulator's, the way to this processor's own.
EMULATED_NOTE = @[ "$$(./scripts/run-i386.sh)" = native ] || \
	echo "$@: the figures above are the emulator's; this processor's own: make $@-x86_64" >&2

# The programs say themselves when they run under an emulator.
run: build
	./build/$(LINUX)/jumpbench
	$(EMULATED_NOTE)

# The self-check leaves its verdict unjudged under an emulator.
selfcheck: build
	./build/$(LINUX)/jumpbench-selfcheck
	$(EMULATED_NOTE)

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

# The runs' files are small JSON (jumpbench-compare --trim); the x86-64 tool reads them.
machines: build-x86_64
	./build/$(LINUX64)/jumpbench-compare --markdown=docs/machines/table.md \
	    --chart=docs/machines/chart.png docs/machines/*.json

build: setup
	cmake --preset $(LINUX)
	cmake --build --preset $(LINUX)

# Every suite, and a summary of them all.
test:
	@MAKE="$(MAKE)" ./scripts/test-all.sh

# Each suite says how its programs ran ("suite runs ..."), for the summary.
test-linux: build
	@echo "suite runs $$(./scripts/run-i386.sh --how)"
	ctest --preset $(LINUX)

test-sanitize: setup
	cmake --preset $(SANITIZE)
	cmake --build --preset $(SANITIZE)
	@echo "suite runs $$(./scripts/run-i386.sh --how)"
	ctest --preset $(SANITIZE)

test-windows: setup-windows
	cmake --preset $(WINDOWS)
	cmake --build --preset $(WINDOWS)
	@echo "suite runs under 32-bit Wine, $$(./scripts/wine-run.sh --how build/$(WINDOWS)/wine-prefix)"
	./scripts/wine-run.sh --boot build/$(WINDOWS)/wine-prefix
	ctest --preset $(WINDOWS) || { $(STOP_WINE); exit 1; }
	@$(STOP_WINE)

build-windows: setup-windows-build
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
	@echo "suite runs natively"
	ctest --preset $(LINUX64)

build-windows-x86_64: setup-windows-x86_64-build
	cmake --preset $(WINDOWS64)
	cmake --build --preset $(WINDOWS64) --target jumpbench jumpbench-profile jumpbench-selfcheck

# 64-bit Wine runs the programs natively on an x86-64 processor. Where the 32-bit Wine is
# installed too, a new 64-bit prefix's first boot starts one 32-bit helper, under qemu
# where the kernel runs no i386 programs (its set-up then brings qemu 10): the prefix is
# booted before the tests, outside test discovery's time limit.
test-windows-x86_64: setup-windows-x86_64
	cmake --preset $(WINDOWS64)
	cmake --build --preset $(WINDOWS64)
	@echo "suite runs under 64-bit Wine, natively"
	WINEARCH=win64 ./scripts/wine-run.sh --boot build/$(WINDOWS64)/wine-prefix
	ctest --preset $(WINDOWS64) || { $(STOP_WINE64); exit 1; }
	@$(STOP_WINE64)

setup:
	./scripts/setup-linux.sh

setup-x86_64:
	./scripts/setup-x86_64.sh

setup-windows:
	./scripts/setup-windows.sh i686

setup-windows-build:
	./scripts/setup-windows.sh --build i686

setup-windows-x86_64:
	./scripts/setup-windows.sh x86_64

setup-windows-x86_64-build:
	./scripts/setup-windows.sh --build x86_64

clean:
	rm -rf build
