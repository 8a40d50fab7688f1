# The two commands a newcomer needs: `make test` and `make demo`.
PRESETS_TESTED := default asan tsan
JOBS ?= $(shell nproc)

.PHONY: test setup build demo windows format clean $(addprefix test-,$(PRESETS_TESTED) windows)

test: setup $(addprefix test-,$(PRESETS_TESTED) windows)

setup:
	@scripts/setup

build: setup
	cmake --preset default
	cmake --build --preset default -j $(JOBS)

# A static pattern rule: make skips implicit rules for phony targets.
$(addprefix test-,$(PRESETS_TESTED)): test-%: setup
	cmake --preset $*
	cmake --build --preset $* -j $(JOBS)
	ctest --preset $* -j $(JOBS)

# The Windows programs cross-built with MinGW-w64, their unit tests and a serial smoke test under wine.
test-windows: setup
	JOBS=$(JOBS) scripts/test-windows

# ardenox-cli.exe and the test programs in one folder, with a README for the Windows user.
WINDOWS_FOLDER := build/windows/ardenox-windows
windows: setup
	cmake --preset windows
	cmake --build --preset windows -j $(JOBS)
	rm -rf $(WINDOWS_FOLDER) && mkdir -p $(WINDOWS_FOLDER)
	cp build/windows/cli/ardenox-cli.exe build/windows/tests/unit/*/*.exe docs/windows/README.txt \
	   $(WINDOWS_FOLDER)
	@echo "The Windows programs are in $(WINDOWS_FOLDER)"

# Starts the controller stand-in and the tool connected to it; closing the tool stops the stand-in.
demo:
	@scripts/demo

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
