# Lumetra: `make run` builds and starts the program, `make test` runs every test.
#   make        bootstrap (install missing Debian packages), configure, build; runs nothing
#   make run    ... then start build/lumetra on the current X display
#   make test   ... then run every test through ctest: unit tests offscreen, end-to-end
#               tests each on a private Xvfb desktop
#   make bench  build and run the benchmarks (never part of `make test`)
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all bootstrap configure compile run test bench install clean

all: compile

bootstrap:
	@bash scripts/bootstrap.sh

$(BUILD_DIR)/build.ninja: | bootstrap
	cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS)

configure: bootstrap $(BUILD_DIR)/build.ninja

compile: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: compile
	@if [ -z "$$DISPLAY" ]; then \
	  echo "make run: no DISPLAY is set; start Lumetra from an X11 desktop session." >&2; exit 1; fi
	./$(BUILD_DIR)/lumetra

# ctest runs last, so its summary closes the output; its exit status is make's.
test: compile
	@bash scripts/run-tests.sh $(BUILD_DIR) $(JOBS)

bench: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target benchmarks
	@bash scripts/run-benchmarks.sh $(BUILD_DIR)

install: compile
	cmake --install $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR)
