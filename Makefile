# The two commands of the README, and the sanitizer builds CI runs.
JOBS ?= $(shell nproc)
BUILD ?= build
WIN_BUILD ?= build-win

.PHONY: demo test test-sanitize test-tsan deps build fuzz win test-win

deps:
	scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

# Builds, makes the default data set and runs the show (exit code 1 is the normal end).
demo: build
	cd $(BUILD) && ./kalvora $(ARGS); rc=$$?; [ $$rc -le 1 ]

test: build
	cd $(BUILD) && xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -j $(JOBS)

test-sanitize: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKALVORA_SANITIZE=ON
	cmake --build build-asan -j $(JOBS)
	cd build-asan && LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp,print_suppressions=0 \
	  xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -j $(JOBS) -LE nosan

test-tsan: deps
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DKALVORA_TSAN=ON
	cmake --build build-tsan -j $(JOBS) --target thread_tests
	cd build-tsan && ctest --output-on-failure -j $(JOBS) -L threads

# The Windows program, cross-compiled with mingw-w64: kalvora.exe, the tools and the Win32 tests in
# $(WIN_BUILD), with the data set (made by the native build's data kit) beside them.
win: deps
	scripts/install-deps win
	scripts/libjpeg-win $(WIN_BUILD) cmake/mingw-w64.cmake
	cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(WIN_BUILD) -j $(JOBS)
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS) --target kalvora kalvora_data
	cp $(BUILD)/glimmerok.dat $(BUILD)/kv-lorn.xm $(WIN_BUILD)/

# The Windows program under Wine: the Win32 tests, the show through the dialog, DirectDraw, GDI and
# waveOut, and an offline capture compared with the native build's. Skipped where Wine cannot be installed.
test-win: win
	scripts/test-win $(WIN_BUILD) $(BUILD)

# libFuzzer campaigns with clang: each target runs FUZZ_SECONDS on its seeds in fuzz/corpus/<target>, keeping
# what it finds in build-fuzz/corpus/<target> and any crashing input in build-fuzz/findings/.
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?= xm pack picture lwo lws
fuzz: deps
	scripts/install-deps fuzz
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKALVORA_FUZZ=ON \
	  -DKALVORA_TESTS=OFF -DKALVORA_BENCH=OFF
	cmake --build build-fuzz -j $(JOBS) --target $(addprefix fuzz_,$(FUZZ_TARGETS))
	mkdir -p build-fuzz/findings
	set -e; for t in $(FUZZ_TARGETS); do \
	  mkdir -p build-fuzz/corpus/$$t; \
	  build-fuzz/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=1024 \
	    -artifact_prefix=build-fuzz/findings/$$t- -print_final_stats=1 build-fuzz/corpus/$$t fuzz/corpus/$$t; \
	done
