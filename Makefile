# The two everyday commands are `make run` and `make test`; each installs what is
# missing, configures and builds first.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
WINDOWS_BUILD_DIR ?= $(BUILD_DIR)-windows

STRESS_FILES ?= 300
STRESS_KILLS ?= 100

.PHONY: deps build run test bench stress fuzz asan test-windows format format-check clean install deb

deps:
	@scripts/install-deps.sh base

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

build: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	$(BUILD_DIR)/bin/sparrowtrim

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure --no-tests=error -j $(JOBS)

# Installs under PREFIX, staged below DESTDIR when it is set (as packagers do).
PREFIX ?= /usr/local
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD_DIR) --prefix "$(PREFIX)"

# The Debian package, sparrowtrim_VERSION_ARCH.deb in the build folder.
deb: build
	cd $(BUILD_DIR) && cpack -G DEB

bench:
	@scripts/install-deps.sh base bench
	cmake -S . -B $(BUILD_DIR)-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DSPARROWTRIM_BENCH=ON
	cmake --build $(BUILD_DIR)-bench -j $(JOBS) --target bench_engine sparrowtrim-cli
	bench/run.sh $(BUILD_DIR)-bench
	cmake --build $(BUILD_DIR)-bench -j $(JOBS) --target bench_window
	bench/window.sh $(BUILD_DIR)-bench

# Kills the command line and, every other time, the window at random moments of runs over
# copies of the test photos and checks every file and its date after each kill; CI runs a
# short version of it (the command line only) among the tests.
stress: build
	SPARROWTRIM_CORPUS_DIR=$${SPARROWTRIM_CORPUS_DIR:-$(CURDIR)/tests/data/photos} \
	  xvfb-run -a -s "-screen 0 1024x768x24" tests/cli/stress.sh \
	  $(BUILD_DIR)/bin/sparrowtrim-cli $(STRESS_FILES) $(STRESS_KILLS) $(BUILD_DIR)/bin/sparrowtrim

fuzz:
	@scripts/install-deps.sh base fuzz
	cmake -S . -B $(BUILD_DIR)-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=clang++ -DSPARROWTRIM_FUZZ=ON -DSPARROWTRIM_GUI=OFF
	cmake --build $(BUILD_DIR)-fuzz -j $(JOBS) --target fuzz_engine
	fuzz/run.sh $(BUILD_DIR)-fuzz $(FUZZ_SECONDS)

asan: deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

# The engine, the command line and the registry layer cross-compiled for Windows with
# mingw-w64; their tests run under Wine in a throw-away prefix.
test-windows:
	@scripts/install-deps.sh base windows
	cmake -S . -B $(WINDOWS_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake -DSPARROWTRIM_GUI=OFF
	cmake --build $(WINDOWS_BUILD_DIR) -j $(JOBS)
	scripts/wine-run.sh --session \
	  ctest --test-dir $(WINDOWS_BUILD_DIR) --output-on-failure --no-tests=error -j $(JOBS)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

# Fails, naming the files, where a source is not formatted as `make format` leaves it.
format-check: deps
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

clean:
	rm -rf $(BUILD_DIR) $(BUILD_DIR)-bench $(BUILD_DIR)-fuzz $(WINDOWS_BUILD_DIR) build-asan
