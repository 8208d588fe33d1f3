# make demo: install what is missing, build, run the main job on a sample.
# make test: install, build, run every test (plain, sanitized, fuzzed).
JOBS ?= $(shell nproc)
BUILD := build
ASAN := build-asan
TSAN := build-tsan
FUZZ_SECONDS ?= 60
# A failure inside a pipe (the fuzzer's, piped to tail) fails the target.
SHELL := /bin/bash
.SHELLFLAGS := -o pipefail -c

.PHONY: all deps build release demo test test-plain test-sanitize test-thread test-builds windows test-windows fuzz fuzz-long bench screenshots clean install package mutants coverage

all: build

deps:
	@scripts/install-deps

# Warnings are errors only in the test builds: a packager's build with a newer
# compiler or other flags must not fail on a new warning.
WERROR ?= OFF
test test-plain test-sanitize test-thread fuzz test-builds test-windows: WERROR = ON

build: deps
	cmake --preset default -DCORVEL_WERROR=$(WERROR)
	cmake --build --preset default -j$(JOBS)

# Installs the programs, desktop entry, icon, manual pages and documentation
# under PREFIX (staged under DESTDIR when given).
PREFIX ?= /usr/local
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# A Debian package in build/package/ (installed with apt-get install ./FILE.deb).
package: build
	cd $(BUILD) && cpack -G DEB -B package
	@ls $(BUILD)/package/corvel_*.deb

# The main job on a sample it makes: encode, damage, scan, repair, save, rescan.
# Only corvel-cli is built: the demo runs nothing else.
demo: deps
	cmake --preset default -DCORVEL_WERROR=$(WERROR)
	cmake --build --preset default -j$(JOBS) --target corvel-cli
	scripts/demo

test: test-plain test-sanitize test-thread fuzz test-windows

# The whole project as a packager builds it: GCC, Release, every target.
RELEASE := build-release
release: deps
	cmake --preset release -DCORVEL_WERROR=$(WERROR)
	cmake --build --preset release -j$(JOBS)

# Every test on the packager's build: unit (no ffmpeg needed), end-to-end
# (e2e: ffmpeg clips and the command line), the window offscreen, install.
test-plain: release
	ctest --preset release -j$(JOBS)

# The same tests built by clang with AddressSanitizer and UBSan, plus the fuzzer.
test-sanitize: deps
	cmake --preset asan -DCORVEL_WERROR=$(WERROR)
	cmake --build --preset asan -j$(JOBS)
	ctest --preset asan -j$(JOBS)

# The unit tests, the job and worker tests among them, and the presenter's
# jobs (its worker, queue and stops) under ThreadSanitizer. This build also
# compiles the window with clang, so each compiler sees every file with
# warnings as errors.
test-thread: deps
	cmake --preset tsan -DCORVEL_WERROR=$(WERROR)
	cmake --build --preset tsan -j$(JOBS)
	ctest --preset tsan -j$(JOBS) -L unit
	ctest --preset tsan -j$(JOBS) -R '^(Presenter|EachJob/PresenterStop|Verify\.OnSeveralThreads|CliBatch\.FilesAtOnce)'

# Clean builds as packagers make them, Release with GCC and RelWithDebInfo
# with clang, each build's warnings counted (not part of make test: the
# builds above compile the same files with both compilers, warnings as errors).
test-builds: deps
	scripts/build-variants $(WERROR)

# corvel-cli.exe for 64-bit Windows (build-windows/), statically linked, and
# build-windows/corvel-<version>-win64.zip with the README and the licence.
windows:
	scripts/install-deps windows
	cmake --preset windows -DCORVEL_TESTS=OFF
	cmake --build build-windows -j$(JOBS) --target corvel-cli
	cd build-windows && cpack -G ZIP
	@ls build-windows/corvel-*-win64.zip

# The Windows build under wine: its unit tests, then corvel-cli.exe beside the
# Linux corvel-cli on the same inputs (same status, output and bytes written).
test-windows: release
	scripts/install-deps windows
	CORVEL_CLI=$(RELEASE)/bin/corvel-cli scripts/test-windows $(WERROR)

# Each libFuzzer target for its share of FUZZ_SECONDS, from fresh seeds (ffmpeg
# clips and the builder's shapes); the length limit is not grown slowly (the
# Data Object target's is five packets: its structure search is quadratic).
FUZZ_TARGETS := header packet data lists
fuzz: test-sanitize
	rm -rf $(ASAN)/fuzz-seeds $(ASAN)/fuzz-run && mkdir -p $(ASAN)/fuzz-findings && $(ASAN)/bin/fuzz_seeds $(ASAN)/fuzz-seeds
	for t in $(FUZZ_TARGETS); do \
	  echo "fuzz_$$t:" && mkdir -p $(ASAN)/fuzz-run/$$t && len=65536 && { [ $$t != data ] || len=16384; } && \
	  $(ASAN)/bin/fuzz_$$t -max_total_time=$$(( $(FUZZ_SECONDS) / 4 )) -max_len=$$len -len_control=0 -rss_limit_mb=2048 -timeout=10 \
	    -artifact_prefix=$(ASAN)/fuzz-findings/ -print_final_stats=1 $(ASAN)/fuzz-run/$$t $(ASAN)/fuzz-seeds/$$t 2>&1 | tail -n 5 || exit 1; \
	done

# Each target for FUZZ_MINUTES (10) with its corpus kept in build-asan/fuzz-corpus
# between runs, then the coverage each reached (a coverage build replays the
# corpora; the functions of the parsers not reached are listed).
FUZZ_MINUTES ?= 10
fuzz-long: test-sanitize
	rm -rf $(ASAN)/fuzz-seeds && mkdir -p $(ASAN)/fuzz-findings && $(ASAN)/bin/fuzz_seeds $(ASAN)/fuzz-seeds
	for t in $(FUZZ_TARGETS); do \
	  echo "fuzz_$$t:" && mkdir -p $(ASAN)/fuzz-corpus/$$t && len=65536 && { [ $$t != data ] || len=16384; } && \
	  $(ASAN)/bin/fuzz_$$t -max_total_time=$$(( $(FUZZ_MINUTES) * 60 )) -max_len=$$len -len_control=0 -rss_limit_mb=2048 -timeout=10 \
	    -artifact_prefix=$(ASAN)/fuzz-findings/ -print_final_stats=1 $(ASAN)/fuzz-corpus/$$t $(ASAN)/fuzz-seeds/$$t 2>&1 | tail -n 5 || exit 1; \
	done
	# Inputs the fuzzers found before, when the shared corpus is beside the project.
	if [ -d ../shared/corpus/fuzz ]; then for t in $(FUZZ_TARGETS); do \
	  $(ASAN)/bin/fuzz_$$t -timeout=10 -rss_limit_mb=2048 -artifact_prefix=$(ASAN)/fuzz-findings/ $$(find ../shared/corpus/fuzz -type f ! -name '*.md') 2>&1 | tail -n 2 || exit 1; \
	done; fi
	scripts/fuzz-coverage $(ASAN)/fuzz-corpus build-cov

# Each fault of tests/mutants.txt planted in turn in a copy of the tree
# (build-mutants/): which ones the unit, end-to-end and window tests miss.
mutants: deps
	scripts/mutants

# What the tests reach of the code, per folder (build-cov/); PER_TEST=1 adds,
# per test, what no other test reaches.
coverage: deps
	scripts/coverage $(if $(PER_TEST),--per-test)

# Scan, save, reconstruction, join and AVI against cat, cp and ffmpeg (files in build/bench).
bench: build
	bench/scan
	bench/save
	bench/join
	bench/avi
	bench/timeline
	bench/stop
	bench/verify
	bench/pairs

# The window's tabs and the dialog, rendered offscreen in both languages.
screenshots: build
	rm -rf $(BUILD)/screenshots
	QT_QPA_PLATFORM=offscreen $(BUILD)/bin/corvel_screenshots $(BUILD)/screenshots
	@ls $(BUILD)/screenshots

clean:
	rm -rf $(BUILD) $(ASAN) $(TSAN) build-release build-clang build-windows
