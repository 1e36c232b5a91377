# Two commands do everything on a fresh Debian 12 machine: `make run` and `make check`.
.PHONY: setup native asan win32 dist run stop check check-native check-wine bench clean

JOBS ?= $(shell nproc)

setup:
	@bash tools/setup.sh

native: setup
	cmake --preset native >/dev/null
	cmake --build --preset native -j $(JOBS)

asan: setup
	cmake --preset asan >/dev/null
	cmake --build --preset asan -j $(JOBS)

win32: setup
	cmake --preset win32 >/dev/null
	cmake --build --preset win32 -j $(JOBS)

# Builds dist/Zel.exe alone.
dist: setup
	cmake --preset win32 >/dev/null
	cmake --build --preset win32 -j $(JOBS) --target Zel
	@mkdir -p dist
	cp build/win32/Zel.exe dist/Zel.exe
	@echo "dist/Zel.exe built"

# Builds and starts Zel.exe under Wine against the bundled stand-in service.
run: dist
	@bash tools/run.sh start

stop:
	@bash tools/run.sh stop

check-native: asan
	ctest --preset asan -j $(JOBS)

check-wine: win32
	ctest --preset win32

# Native unit tests first (under ASan/UBSan), so a core fault shows fast; then the Wine suite.
check: check-native check-wine

bench: win32
	@bash tools/bench.sh

clean:
	rm -rf build dist
