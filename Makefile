# The front door: set-up, build, run and test over the CMake presets.
#   make run     install what is missing, build the Linux i386 program and run it
#   make selfcheck  the same, then run the meter's self-check instead
#   make stats   the same, then measure every kernel copy many times in one process, with
#                a chart in build/i386-linux/jumpbench-stats.png
#   make profile the same, then count what one scan of each kernel copy executes
#   make test    install what is missing, build, and run every test: Linux, Linux under
#                the sanitizers, and the Windows build's under Wine
#   make test-linux  the Linux tests only (no sanitizers, no Wine)
#   make build-windows  install what is missing and cross-build build/i686-windows/jumpbench.exe
#                and jumpbench-profile.exe
#   make listing the disassembly of every measured kernel copy in the built program
#   make build   build only; make clean removes build/
#
# Where the kernel cannot run 32-bit programs (scripts/run-i386.sh), they run under qemu's
# user-mode emulator: the tests hold there, the tick figures are the emulator's, and Wine
# does not start, so the Windows build is built but its tests are not run.

LINUX := i386-linux
SANITIZE := i386-linux-sanitize
WINDOWS := i686-windows
# The Wine server of the tests' prefix stays a while after the last test; end it with them.
STOP_WINE := WINEPREFIX=$(CURDIR)/build/$(WINDOWS)/wine-prefix wineserver -k 2>/dev/null || true
# Said before a program that measures, where the figures will be the emulator's.
NOTE_IF_EMULATED = [ "$$(./scripts/run-i386.sh)" = native ] || echo "$(EMULATED_NOTE)" >&2
EMULATED_NOTE := note: this kernel cannot run 32-bit programs; they run under qemu's emulator, \
so the tick figures are the emulator's, not this processor's

.PHONY: run selfcheck stats profile listing test test-linux test-windows build build-windows setup \
	setup-windows clean

run: build
	@$(NOTE_IF_EMULATED)
	./build/$(LINUX)/jumpbench

# The self-check says itself when it runs under an emulator, and leaves its verdict unjudged.
selfcheck: build
	./build/$(LINUX)/jumpbench-selfcheck

stats: build
	@$(NOTE_IF_EMULATED)
	./build/$(LINUX)/jumpbench-stats --chart=build/$(LINUX)/jumpbench-stats.png

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

setup:
	./scripts/setup-linux.sh

setup-windows:
	./scripts/setup-windows.sh

clean:
	rm -rf build
