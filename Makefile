# Lumetra: `make run` builds and starts the program, `make test` runs every test.
#   make        bootstrap (install the missing Debian packages building and running
#               need), configure, build the programs (CMake target lumetra_programs:
#               lumetra and its helpers); runs nothing
#   make run    ... then start build/lumetra on the current X display
#   make test   install the test packages too (bootstrap.sh --tests), build everything,
#               then run every test through ctest: unit tests offscreen, end-to-end
#               tests each on a private Xvfb desktop; run as root, the tests create the
#               system users lumetra-wayland (the sway session's) and lumetra-test-peer
#   make test-sanitize  the same tests built with AddressSanitizer and UndefinedBehaviorSanitizer
#               (clang, in build-sanitize); any report fails the test it came from
#   make fuzz   build the fuzz targets (in build-sanitize) and run each for FUZZ_SECONDS
#               (default 60) on its kept corpus in fuzz/corpus/
#   make bench  build and run the benchmarks (never part of `make test`); with
#               LUMETRA_OLD_BINARY=path/to/an/older/lumetra the desktop benchmarks measure
#               that build too, turn about, and give the ratios
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
SANITIZE_DIR ?= build-sanitize
FUZZ_SECONDS ?= 60
SANITIZE_FLAGS ?= -G Ninja -DCMAKE_BUILD_TYPE=Sanitize -DLUMETRA_SANITIZE=ON \
	-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
# Every report ends the program that made it with a failure; leaks inside third-party
# libraries are listed in the suppression file.
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:strict_init_order=1 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/sanitizers/lsan.supp:print_suppressions=0

.PHONY: all bootstrap bootstrap-tests configure configure-tests compile compile-all run test test-sanitize fuzz \
	bench install clean

all: compile

bootstrap:
	@bash scripts/bootstrap.sh

bootstrap-tests:
	@bash scripts/bootstrap.sh --tests

$(BUILD_DIR)/build.ninja: | bootstrap
	cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS)

configure: bootstrap $(BUILD_DIR)/build.ninja

compile: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target lumetra_programs

# Configured again after the test packages came, so that it finds GoogleTest.
configure-tests: bootstrap-tests
	cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS)

compile-all: configure-tests
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: compile
	@if [ -z "$$DISPLAY" ]; then \
	  echo "make run: no DISPLAY is set; start Lumetra from an X11 desktop session." >&2; exit 1; fi
	./$(BUILD_DIR)/lumetra

# ctest runs last, so its summary closes the output; its exit status is make's.
test: compile-all
	@bash scripts/run-tests.sh $(BUILD_DIR) $(JOBS)

$(SANITIZE_DIR)/build.ninja: | bootstrap-tests
	cmake -S . -B $(SANITIZE_DIR) $(SANITIZE_FLAGS)

test-sanitize: bootstrap-tests $(SANITIZE_DIR)/build.ninja
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	@$(SANITIZER_ENV) bash scripts/run-tests.sh $(SANITIZE_DIR) $(JOBS)

fuzz: bootstrap-tests $(SANITIZE_DIR)/build.ninja
	cmake --build $(SANITIZE_DIR) -j $(JOBS) --target fuzzers
	@$(SANITIZER_ENV) bash scripts/run-fuzzers.sh $(SANITIZE_DIR) $(FUZZ_SECONDS)

bench: configure-tests
	cmake --build $(BUILD_DIR) -j $(JOBS) --target benchmarks
	@bash scripts/run-benchmarks.sh $(BUILD_DIR)

# Stripped: the debugging information is for the build folder's program.
install: compile
	cmake --install $(BUILD_DIR) --strip

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR)
