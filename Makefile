# The two commands a newcomer needs: `make test` and `make demo`.
PRESETS_TESTED := default asan tsan
JOBS ?= $(shell nproc)

.PHONY: test setup build package demo format clean $(addprefix test-,$(PRESETS_TESTED))

test: setup $(addprefix test-,$(PRESETS_TESTED))

setup:
	@scripts/setup

build: setup
	cmake --preset default
	cmake --build --preset default -j $(JOBS)

# The Debian package of the three programs, in build/default/.
package: build
	cd build/default && cpack

# A static pattern rule: make skips implicit rules for phony targets.
$(addprefix test-,$(PRESETS_TESTED)): test-%: setup
	cmake --preset $*
	cmake --build --preset $* -j $(JOBS)
	ctest --preset $* -j $(JOBS)

# Starts the controller stand-in and the tool connected to it; closing the tool stops the stand-in.
demo:
	@scripts/demo

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
