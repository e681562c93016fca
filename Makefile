# Build and test entry points. Every target installs what it needs first
# (scripts/bootstrap: run, test or deb packages).
BUILD     ?= build
SAN_BUILD ?= build-san
FUZZ_BUILD ?= build-fuzz
FUZZ_TIME ?= 60
JOBS      ?= $(shell nproc)
WERROR    ?= $(if $(CI),ON,OFF)
PCH       ?= $(if $(CI),ON,OFF)
# CI builds everything from nothing and keeps no binaries: no debug info in
# the normal build, line tables only where a sanitizer or fuzzer reports.
REL_FLAGS ?= $(if $(CI),-O2 -DNDEBUG,-O2 -g -DNDEBUG)
TRACE_G   ?= $(if $(CI),-g1,-g)
CMAKE_ARGS = -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMQ_WERROR=$(WERROR) -DMQ_PCH=$(PCH) \
             "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=$(REL_FLAGS)"

.PHONY: bootstrap build run test test-sanitize fuzz bench deb format clean

# Configures $(BUILD) when it has not been: afterwards ninja re-runs cmake by
# itself when a CMakeLists.txt changed. The tests' packages are not needed.
CONFIGURE_ONCE = test -f $(BUILD)/build.ninja || cmake -S . -B $(BUILD) $(CMAKE_ARGS) -DMQ_TESTS=OFF

bootstrap:
	@scripts/bootstrap

# Only what building and running need: no browser, no server, no test.
run:
	@scripts/bootstrap
	@$(CONFIGURE_ONCE)
	cmake --build $(BUILD) -j $(JOBS) --target programs
	$(BUILD)/src/app/moorquill/moorquill

build:
	@scripts/bootstrap test
	cmake -S . -B $(BUILD) $(CMAKE_ARGS) -DMQ_TESTS=ON
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# moorquill_<version>_<arch>.deb in $(BUILD), checked by lintian.
deb:
	@scripts/bootstrap deb
	@$(CONFIGURE_ONCE)
	cmake -S . -B $(BUILD) -DCMAKE_INSTALL_PREFIX=/usr
	cmake --build $(BUILD) -j $(JOBS) --target programs
	rm -f $(BUILD)/moorquill_*.deb
	cd $(BUILD) && cpack -G DEB
	lintian --fail-on error $(BUILD)/moorquill_*.deb

test-sanitize:
	@scripts/bootstrap test
	cmake -S . -B $(SAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMQ_SANITIZE=ON -DMQ_WERROR=$(WERROR) -DMQ_PCH=$(PCH) \
	    "-DCMAKE_CXX_FLAGS_DEBUG=$(TRACE_G)"
	cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

# Every fuzz target for FUZZ_TIME seconds (fuzz/README.md).
fuzz:
	@scripts/bootstrap test
	cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DCMAKE_CXX_COMPILER=clang++ -DMQ_FUZZ=ON -DMQ_PCH=$(PCH) \
	    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 $(TRACE_G) -DNDEBUG"
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target mq_fuzz
	fuzz/run $(FUZZ_BUILD) $(FUZZ_TIME)

bench: build
	bench/run

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD)
