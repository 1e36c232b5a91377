# Two commands do everything on a fresh Debian 12 machine: `make run` and `make check`.
.PHONY: fuzzers setup native asan win32 win64 dist run stop check check-native check-dist check-wine \
        check-wine32 check-wine64 check-fuzz fuzz bench soak clean

JOBS ?= $(shell nproc)

# Decided once per run: does this host run 32-bit code? The Wine suite, `make run` and the
# benchmark use the shipped 32-bit build where it does, else the 64-bit test build (wine64).
# ZEL_HOST_BITS=64 on the command line chooses the 64-bit way on any host.
ifeq ($(origin ZEL_HOST_BITS),undefined)
  HOST_PROBE := $(shell bash tools/hostbits.sh)
  ZEL_HOST_BITS := $(firstword $(HOST_PROBE))
  HOST_REASON := $(wordlist 2,100,$(HOST_PROBE))
else
  HOST_REASON := ZEL_HOST_BITS=$(ZEL_HOST_BITS) was given
endif
export ZEL_HOST_BITS
export ZEL_HOST_REASON := $(HOST_REASON)
WINE_BUILD := $(if $(filter 64,$(ZEL_HOST_BITS)),win64,win32)

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

win64: setup
	cmake --preset win64 >/dev/null
	cmake --build --preset win64 -j $(JOBS)

# The per-user installer of dist/Zel.exe, named after the version that CMakeLists.txt defines;
# its uninstaller, signed the same way, is also left in the signing folder for the checks.
ZEL_VERSION := $(shell sed -n 's/^project.Zel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
SETUP := dist/Zel-$(ZEL_VERSION)-setup.exe

# Builds dist/Zel.exe, the shipped 32-bit executable, whatever the host, and its installer, each
# signed with ZEL_SIGN_PFX (password in ZEL_SIGN_PASSWORD) and timestamped by
# ZEL_SIGN_TIMESTAMP_URL, which it then needs, or else with a throwaway test certificate.
SIGN_SCRATCH := build/win32/signing
dist: setup
	cmake --preset win32 >/dev/null
	cmake --build --preset win32 -j $(JOBS) --target Zel
	@mkdir -p dist
	@bash tools/sign.sh build/win32/Zel.exe dist/Zel.exe $(SIGN_SCRATCH)
	@echo "dist/Zel.exe built"
	@bash tools/installer.sh dist/Zel.exe $(ZEL_VERSION) $(SETUP) $(SIGN_SCRATCH)

# Builds and starts Zel.exe under Wine against the bundled stand-in service, with the stand-in
# browser control (Wine's own shows no page) and the stand-in spreadsheet of the same build.
run: dist $(if $(filter 64,$(ZEL_HOST_BITS)),run-build64)
	cmake --build build/$(WINE_BUILD) -j $(JOBS) --target browser sheet
	@bash tools/run.sh start

.PHONY: run-build64
run-build64: setup
	cmake --preset win64 >/dev/null
	cmake --build --preset win64 -j $(JOBS) --target Zel

stop:
	@bash tools/run.sh stop

check-native: asan
	ctest --preset asan -j $(JOBS)

# The libFuzzer targets of every reader of outside text (clang, ASan, UBSan).
fuzzers: setup
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS)

# A few seconds each on the seed corpus.
check-fuzz: fuzzers
	ctest --preset fuzz

# As long as asked: make fuzz FUZZ_SECONDS=600 (each target; default 60). New inputs land in
# build/fuzz/corpus/, findings in build/fuzz/findings/.
FUZZ_SECONDS ?= 60
# Every target runs even after one finds something; this run's findings are listed per target
# and the run fails at the end, naming the targets.
fuzz: fuzzers
	@mkdir -p build/fuzz/findings && touch build/fuzz/findings/.run
	@failed=""; for f in build/fuzz/*_fuzz; do \
	  n=$$(basename $$f); echo "== $$n: $(FUZZ_SECONDS) s"; mkdir -p build/fuzz/corpus/$$n; \
	  $$f -max_total_time=$(FUZZ_SECONDS) -max_len=65536 -timeout=10 -print_final_stats=1 \
	      -artifact_prefix=build/fuzz/findings/$$n- build/fuzz/corpus/$$n tests/fuzz/corpus/$$n \
	      || failed="$$failed $$n"; \
	done; \
	for f in build/fuzz/*_fuzz; do \
	  n=$$(basename $$f); found=$$(find build/fuzz/findings -name "$$n-*" -newer build/fuzz/findings/.run); \
	  echo "== $$n: $$(if [ -n "$$found" ]; then echo "findings:" $$found; else echo "no findings"; fi)"; \
	done; \
	if [ -n "$$failed" ]; then echo "fuzz: found something in:$$failed"; exit 1; fi

# The shipped executable's own checks (PE32, i386, resources, version, signature) need no Wine,
# nor do those of its installer (signatures of the installer and its uninstaller, contents).
check-dist: dist
	ctest --preset win32 -R '^pages\.resources$$'
	@bash tools/verify-signature.sh dist/Zel.exe $(SIGN_SCRATCH)
	python3 tests/installer/static_test.py $(SETUP) dist/Zel.exe $(SIGN_SCRATCH)/uninstall.exe \
	  $(SIGN_SCRATCH)

check-wine32: win32
	ctest --preset win32 -E '^pages\.resources$$'

check-wine64: win64
	ctest --preset win64

check-wine:
	@echo "Wine suite: the $(ZEL_HOST_BITS)-bit build ($(WINE_BUILD)), because $(HOST_REASON)"
	@$(MAKE) --no-print-directory check-wine$(ZEL_HOST_BITS)

# Native unit tests first (under ASan/UBSan), so a core fault shows fast; the fuzz targets
# briefly; then the Wine suite.
check: check-native check-fuzz check-dist check-wine

bench: $(WINE_BUILD)
	@bash tools/bench.sh build/$(WINE_BUILD) $(ZEL_HOST_BITS)

# A compressed working day of Zel.exe under Wine with the program's resource figures; at most
# ten minutes, not part of `make check`.
soak: setup
	cmake --preset $(WINE_BUILD) >/dev/null
	cmake --build --preset $(WINE_BUILD) -j $(JOBS) --target Zel soak browser sheet zelnext
	@bash tools/soak.sh build/$(WINE_BUILD) $(ZEL_HOST_BITS)

clean:
	rm -rf build dist
