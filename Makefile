# Kestrova — the README's two commands are `make run` and `make test`.
BUILD      ?= build
BUILD_TYPE ?= Release
JOBS       ?= $(shell nproc)
CMAKE_FLAGS ?=
ifeq ($(CI),true)
CMAKE_FLAGS += -DKESTROVA_WERROR=ON
endif

.PHONY: all deps configure build run test bench mutate test-asan test-tsan fuzz install package clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD)

test: build
	@cd $(BUILD) && ctest -j $(JOBS) --output-on-failure --timeout 600

bench: build
	@scripts/bench.sh $(BUILD)

# One-line faults from tests/mutants.txt, one at a time; slow, so not part of `make test`.
mutate: build
	@JOBS=$(or $(MUTATE_JOBS),2) scripts/mutate.sh $(BUILD) tests/mutants.txt

test-asan:
	@LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizers/lsan.supp:print_suppressions=0 UBSAN_OPTIONS=print_stacktrace=1 $(MAKE) --no-print-directory test BUILD=build-asan BUILD_TYPE=Debug CMAKE_FLAGS="$(CMAKE_FLAGS) -DKESTROVA_SANITIZE=address"

test-tsan:
	@TSAN_OPTIONS="suppressions=$(CURDIR)/tests/sanitizers/tsan.supp second_deadlock_stack=1" $(MAKE) --no-print-directory test BUILD=build-tsan BUILD_TYPE=Debug CMAKE_FLAGS="$(CMAKE_FLAGS) -DKESTROVA_SANITIZE=thread"

# libFuzzer targets, built with clang in their own tree; each runs FUZZ_SECONDS.
FUZZ_SECONDS ?= 60
fuzz:
	@KESTROVA_FUZZ=1 scripts/install-deps.sh
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTROVA_SANITIZE=fuzzer >/dev/null
	@cmake --build build-fuzz --target kestrova_fuzzers -j $(JOBS)
	@fuzz/run.sh build-fuzz $(FUZZ_SECONDS)

PREFIX ?= /usr/local
install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

# A Debian package in the build folder: $(BUILD)/kestrova_VERSION_ARCH.deb
package: build
	@cd $(BUILD) && cpack -G DEB

clean:
	rm -rf build build-asan build-tsan build-fuzz
