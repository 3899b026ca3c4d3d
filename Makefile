# The two commands a newcomer needs: `make run` and `make test`. Both install what is missing first.
BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 30
BUILD_TYPE ?= RelWithDebInfo
CMAKE ?= cmake
CTEST ?= ctest
# Tests run side by side; the few that must have the machine to themselves say so (RUN_SERIAL).
TEST_JOBS ?= $(shell nproc)

.PHONY: all deps configure build translations run screenshots test test-all test-sanitize fuzz format format-check bench clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@$(CMAKE) -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DKWELTA_WERROR=ON

build: configure
	@$(CMAKE) --build $(BUILD_DIR)

# Refreshes translations/*.ts from the sources and forms, keeping the translations already made.
translations: configure
	@$(CMAKE) --build $(BUILD_DIR) --target translations

# The program against the simulated scale, in a demo profile of its own under the build folder, so a
# user's own settings stay untouched.
DEMO_PROFILE ?= $(abspath $(BUILD_DIR))/demo-profile
run: build
	@scripts/run-demo.sh $(BUILD_DIR) $(DEMO_PROFILE)

# A PNG of each of the window's six panels, made under an X server of its own: at the scale factor 1,
# and under scale-1.5/ at 1.5, as a desktop set to 150 % shows them.
screenshots: build
	@$(BUILD_DIR)/tests/support/kwelta_screenshots $(BUILD_DIR)/screenshots
	@QT_SCALE_FACTOR=1.5 $(BUILD_DIR)/tests/support/kwelta_screenshots $(BUILD_DIR)/screenshots/scale-1.5

# Every test, the Debian package's check, every test again under AddressSanitizer and
# UndefinedBehaviorSanitizer, a short fuzzing run over everything that reads outside input, and the
# format check.
test: test-all package-check test-sanitize fuzz format-check

test-all: build
	@$(CTEST) --test-dir $(BUILD_DIR) --output-on-failure --parallel $(TEST_JOBS)

# The sanitizer options live in the tests' environment (cmake/KweltaSanitizers.cmake), so a plain
# `ctest --test-dir build-sanitize` runs the same way. The tests wait for events rather than for fixed
# times, so they run side by side here too.
test-sanitize: deps
	@$(CMAKE) -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKWELTA_SANITIZE=ON \
		-DKWELTA_WERROR=ON -DKWELTA_BUILD_BENCHMARKS=OFF
	@$(CMAKE) --build $(SANITIZE_DIR) --target all_tests
	@$(CTEST) --test-dir $(SANITIZE_DIR) --output-on-failure --parallel $(TEST_JOBS)

fuzz: deps
	@$(CMAKE) -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
		-DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DKWELTA_BUILD_FUZZERS=ON -DKWELTA_BUILD_BENCHMARKS=OFF
	@$(CMAKE) --build $(FUZZ_DIR) --target fuzz_processing
	@mkdir -p $(FUZZ_DIR)/corpus
	@$(FUZZ_DIR)/tests/fuzz/fuzz_processing -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
		$(FUZZ_DIR)/corpus tests/fuzz/corpus

# The Debian package, made by CPack: $(BUILD_DIR)/kwelta_<version>_<architecture>.deb.
.PHONY: package package-check
package: build
	@$(CMAKE) --build $(BUILD_DIR) --target package

# The package built and checked as an installation meets it (scripts/package-check.sh): its files,
# lintian, the desktop entry and metadata, the unpacked program started in both languages.
package-check: build
	@scripts/package-check.sh $(BUILD_DIR)

format: configure
	@$(CMAKE) --build $(BUILD_DIR) --target format

format-check: configure
	@$(CMAKE) --build $(BUILD_DIR) --target format-check

bench: build
	@for b in $(BUILD_DIR)/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

clean:
	@rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(FUZZ_DIR)
