# The two commands a newcomer needs: `make test` and `make demo`.
PRESETS_TESTED := default asan tsan fuzz
FUZZ_SECONDS ?= 300
JOBS ?= $(shell nproc)
# The tests wait on pseudo-terminals and timers rather than on a core (the whole suite takes about 25 s of
# CPU for 9 minutes of test time), so CTest runs six at once per core; the timing tests hold at that load
# under ASan.
TEST_JOBS ?= $(shell echo $$(($(JOBS) * 6)))

.PHONY: test setup setup-for-builds setup-rest-in-background setup-rest build package demo fuzz windows \
	format clean $(addprefix test-,$(PRESETS_TESTED) real-drivers windows)

# The cross-compiler, wine, NSIS and QEMU install while the native stages build; the last two stages wait.
test: setup-for-builds setup-rest-in-background $(addprefix test-,$(PRESETS_TESTED) real-drivers windows)

setup:
	@scripts/setup

setup-for-builds:
	@scripts/setup --for-builds

setup-rest-in-background:
	@scripts/setup --start-rest

setup-rest:
	@scripts/setup --rest

# A build folder is configured when it is new or the presets changed; after that its build reconfigures
# itself when a CMakeLists.txt changes, so no stage configures a preset again.
.PRECIOUS: build/%/CMakeCache.txt
build/%/CMakeCache.txt: CMakePresets.json | setup-for-builds
	cmake --preset $*

build/windows/CMakeCache.txt: CMakePresets.json | setup-rest
	cmake --preset windows

build: build/default/CMakeCache.txt
	cmake --build --preset default -j $(JOBS)

# The Debian package of the three programs, in build/default/.
package: build
	cd build/default && cpack

# A static pattern rule: make skips implicit rules for phony targets.
$(addprefix test-,$(PRESETS_TESTED)): test-%: build/%/CMakeCache.txt
	cmake --build --preset $* -j $(JOBS)
	ctest --preset $* -j $(TEST_JOBS)

# Runs every fuzz target for FUZZ_SECONDS each (make fuzz FUZZ_SECONDS=3600), keeping its corpus.
fuzz: build/fuzz/CMakeCache.txt
	cmake --build --preset fuzz -j $(JOBS)
	for target in build/fuzz/fuzz/*_fuzz; do \
		$$target -max_total_time=$(FUZZ_SECONDS) -max_len=300 -print_final_stats=1 $$target-corpus || exit 1; \
	done

# ardenox-cli on the 8250 and ftdi_sio drivers of a Debian kernel under QEMU, against the stand-in.
test-real-drivers: build/default/CMakeCache.txt | setup-rest
	cmake --build --preset default -j $(JOBS) --target ardenox-cli ardenox-sim
	scripts/test-real-drivers

# The Windows programs cross-built with MinGW-w64, their unit tests and a serial smoke test under wine.
test-windows: build/windows/CMakeCache.txt build/default/CMakeCache.txt
	JOBS=$(JOBS) scripts/test-windows

# The Windows installer and the zip of the same folder, in build/windows/.
windows: build/windows/CMakeCache.txt
	cmake --build --preset windows -j $(JOBS)
	@ls build/windows/ardenox-modbus-*-setup.exe build/windows/ardenox-modbus-*-windows.zip

# Starts the controller stand-in and the tool connected to it; closing the tool stops the stand-in.
demo:
	@scripts/demo

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
