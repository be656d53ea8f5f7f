# The front door: set-up, build, run and test over the CMake presets.
#   make run     install what is missing, build the Linux i386 program and run it
#   make selfcheck  the same, then run the meter's self-check instead
#   make stats   the same, then run the benchmark 15 times and sum the figures up per case,
#                with the median in estimated core cycles from the self-check
#   make test    install what is missing, build, and run every test (the Windows build's
#                under Wine)
#   make build-windows  install what is missing and cross-build build/i686-windows/jumpbench.exe
#   make listing the disassembly of every measured kernel copy in the built program
#   make build   build only; make clean removes build/

LINUX := i386-linux
SANITIZE := i386-linux-sanitize
WINDOWS := i686-windows
# The Wine server of the tests' prefix stays a while after the last test; end it with them.
STOP_WINE := WINEPREFIX=$(CURDIR)/build/$(WINDOWS)/wine-prefix wineserver -k 2>/dev/null || true

.PHONY: run selfcheck stats listing test build build-windows setup setup-windows clean

run: build
	./build/$(LINUX)/jumpbench

selfcheck: build
	./build/$(LINUX)/jumpbench-selfcheck

stats: build
	./build/$(LINUX)/jumpbench-stats --selfcheck

listing: build
	./scripts/listing.sh build/$(LINUX)/jumpbench

build: setup
	cmake --preset $(LINUX) >/dev/null
	cmake --build --preset $(LINUX)

test: build
	ctest --preset $(LINUX)
	cmake --preset $(SANITIZE) >/dev/null
	cmake --build --preset $(SANITIZE)
	ctest --preset $(SANITIZE)
	./scripts/setup-windows.sh
	cmake --preset $(WINDOWS) >/dev/null
	cmake --build --preset $(WINDOWS)
	ctest --preset $(WINDOWS) || { $(STOP_WINE); exit 1; }
	$(STOP_WINE)

build-windows: setup-windows
	cmake --preset $(WINDOWS) >/dev/null
	cmake --build --preset $(WINDOWS) --target jumpbench

setup:
	./scripts/setup-linux.sh

setup-windows:
	./scripts/setup-windows.sh

clean:
	rm -rf build
