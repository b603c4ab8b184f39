# The README's commands. Each installs what it needs, builds, and runs.
#   make run            build and start the game (from the repository root, which holds data/)
#   make test           build and pass the whole test suite (under an Xvfb of its own)
#   make test-sanitize  the same suite built with AddressSanitizer + UndefinedBehaviorSanitizer
#   make fuzz-smoke     each fuzz target for 30 seconds
#   make bench          the benchmarks, release build, under an Xvfb of their own
#   make test-windows   the suite cross-built for Windows, run under Wine inside Xvfb
#   make dist-windows   rally_court-windows.zip: rally_court.exe and data/, for Windows
#   make install        the game and Kelpforge under PREFIX (default /usr/local), honouring DESTDIR
#   make package-deb    rally-court_<version>_<arch>.deb, the game as a Debian package
#   make check-install  installs, packages and builds the example against the installed
#                       Kelpforge (natively and for Windows), and checks each from outside

BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
FUZZ_DIR ?= build-fuzz
BENCH_DIR ?= build-release
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
ifeq ($(CI),true)
CMAKE_FLAGS += -DKF_WARNINGS_AS_ERRORS=ON
endif

# Tests and benchmarks always run under a virtual X server of their own, whatever DISPLAY says:
# they grab focus, send keys and go fullscreen, which must never happen on a developer's desktop.
XVFB = xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp"
WITH_DISPLAY = $(XVFB)
export LIBGL_ALWAYS_SOFTWARE ?= 1

.PHONY: all deps build run test test-sanitize fuzz-smoke bench test-windows dist-windows install \
	package-deb check-install clean
SHELL := /bin/bash

all: build

deps:
	@scripts/install-deps

build: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	$(BUILD_DIR)/rally_court/rally_court

test: build
	cd $(BUILD_DIR) && $(WITH_DISPLAY) ctest --output-on-failure -j $(JOBS)

# GCC 12's leak checker guesses the size of a dynamic TLS block from the heap word before it
# and, when the guess looks plausible, scans a garbage range and dies ("Tracer caught signal
# 11") after tests that passed. Left untracked, those blocks are still found through glibc's
# thread vector, which lives in scanned memory.
test-sanitize: deps
	cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKF_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	cd $(SANITIZE_DIR) && ASAN_OPTIONS=detect_leaks=1:intercept_tls_get_addr=0 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  $(WITH_DISPLAY) ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B $(BENCH_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DKF_BUILD_TESTS=OFF -DKF_BUILD_EXAMPLES=OFF -DKF_BUILD_BENCHMARKS=ON $(CMAKE_FLAGS)
	cmake --build $(BENCH_DIR) -j $(JOBS)
	for program in $(BENCH_DIR)/bench/*_benchmark; do $(WITH_DISPLAY) $$program || exit 1; done

# Each fuzz target runs for FUZZ_SECONDS from its seed corpus (fuzz/corpus/<target>/); new
# inputs go to the build tree, never into the repository.
FUZZ_SECONDS ?= 30
fuzz-smoke:
	@scripts/install-deps --fuzz
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DKF_BUILD_TESTS=OFF -DKF_BUILD_EXAMPLES=OFF -DKF_BUILD_FUZZERS=ON $(CMAKE_FLAGS)
	cmake --build $(FUZZ_DIR) -j $(JOBS)
	@set -e; for fuzzer in $(FUZZ_DIR)/fuzz/*_fuzzer; do \
	  name=$$(basename $$fuzzer); mkdir -p $(FUZZ_DIR)/corpus/$$name; \
	  echo "fuzz-smoke: $$name for $(FUZZ_SECONDS) s"; \
	  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1:suppressions=$(CURDIR)/fuzz/ubsan.supp \
	  $$fuzzer -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 -artifact_prefix=$(FUZZ_DIR)/ \
	    $(FUZZ_DIR)/corpus/$$name fuzz/corpus/$$name 2>&1 | tail -n 12; \
	  test $${PIPESTATUS[0]} -eq 0; \
	done

# Windows: cross-built with MinGW-w64, tested under Wine inside Xvfb (scripts/windows-test), and
# packed as a zip of rally_court.exe and data/ that runs on Windows as it is (with the licence
# notice of the font the program carries built in).
WINDOWS_DIR ?= build-windows
WINDOWS_ZIP ?= $(WINDOWS_DIR)/rally_court-windows.zip
WINDOWS_CMAKE = cmake -S . -B $(WINDOWS_DIR) -G Ninja \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64-posix.cmake \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST $(CMAKE_FLAGS)

# The Linux program hosts the cross-platform online match that rally_court.exe joins.
test-windows:
	@scripts/install-deps --windows
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build $(BUILD_DIR) -j $(JOBS) --target rally_court
	$(WINDOWS_CMAKE) -DKF_NATIVE_RALLY_COURT=$(abspath $(BUILD_DIR))/rally_court/rally_court
	cmake --build $(WINDOWS_DIR) -j $(JOBS)
	scripts/windows-test $(WINDOWS_DIR)

dist-windows:
	@scripts/install-deps --windows
	$(WINDOWS_CMAKE)
	cmake --build $(WINDOWS_DIR) -j $(JOBS) --target rally_court
	rm -rf $(WINDOWS_DIR)/dist $(WINDOWS_ZIP)
	mkdir -p $(WINDOWS_DIR)/dist
	x86_64-w64-mingw32-strip -o $(WINDOWS_DIR)/dist/rally_court.exe $(WINDOWS_DIR)/rally_court/rally_court.exe
	cp -r data $(WINDOWS_DIR)/dist/data
	cp kelpforge/assets/kf_builtin_font.LICENSE.txt $(WINDOWS_DIR)/dist/
	cd $(WINDOWS_DIR)/dist && zip -q -X -r $(abspath $(WINDOWS_ZIP)) rally_court.exe data kf_builtin_font.LICENSE.txt
	@echo "dist-windows: $(WINDOWS_ZIP)"

# Installing: the game (bin/rally_court, share/rally-court/data, the desktop entry, icons and
# metainfo) and Kelpforge as a package (lib, include, lib/cmake/Kelpforge, lib/pkgconfig).
PREFIX ?= /usr/local
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD_DIR) --prefix "$(PREFIX)"

# The game alone, as a Debian package under /usr, made by CPack from the build tree.
package-deb: build
	@scripts/install-deps --package
	cd $(BUILD_DIR) && cpack -G DEB
	@echo "package-deb: $$(ls $(BUILD_DIR)/rally-court_*.deb)"

check-install: build
	@scripts/install-deps --package --windows
	$(WINDOWS_CMAKE)
	scripts/check-install $(BUILD_DIR) $(WINDOWS_DIR)

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(FUZZ_DIR) $(BENCH_DIR) $(WINDOWS_DIR)
