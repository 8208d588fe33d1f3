# make demo: install what is missing, build, run the main job on a sample.
# make test: install, build, run every test (plain, sanitized, fuzzed).
JOBS ?= $(shell nproc)
BUILD := build
ASAN := build-asan
FUZZ_SECONDS ?= 60

.PHONY: all deps build demo test test-plain test-sanitize fuzz bench clean

all: build

deps:
	@scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j$(JOBS)

$(BUILD)/demo/sample.wmv: | build
	mkdir -p $(BUILD)/demo
	ffmpeg -hide_banner -loglevel error -y \
	  -f lavfi -i testsrc=size=320x240:rate=25:duration=5 \
	  -f lavfi -i sine=frequency=440:sample_rate=44100:duration=5 \
	  -c:v wmv2 -b:v 500k -c:a wmav2 -b:a 64k \
	  -metadata title='Corvel demo' -metadata artist='Corvel' $@

demo: build $(BUILD)/demo/sample.wmv
	$(BUILD)/bin/corvel-cli info $(BUILD)/demo/sample.wmv
	$(BUILD)/bin/corvel-cli scan $(BUILD)/demo/sample.wmv

test: test-plain test-sanitize fuzz

test-plain: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# The same tests built by clang with AddressSanitizer and UBSan, plus the fuzzer.
$(ASAN)/CMakeCache.txt:
	CC=clang CXX=clang++ cmake -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=Debug -DCORVEL_SANITIZE=ON -DCORVEL_FUZZ=ON

test-sanitize: deps $(ASAN)/CMakeCache.txt
	cmake --build $(ASAN) -j$(JOBS)
	cd $(ASAN) && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j$(JOBS)

fuzz: test-sanitize
	rm -rf $(ASAN)/fuzz-corpus && $(ASAN)/bin/fuzz_seeds $(ASAN)/fuzz-corpus
	$(ASAN)/bin/fuzz_header -max_total_time=$(FUZZ_SECONDS) -max_len=65536 -rss_limit_mb=2048 \
	  -print_final_stats=1 $(ASAN)/fuzz-corpus 2>&1 | tail -n 15

# Scan throughput and memory against cat and ffmpeg (makes a 1 GB file in build/bench).
bench: build
	bench/scan

clean:
	rm -rf $(BUILD) $(ASAN)
