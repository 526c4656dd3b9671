# Brevine: `make run` and `make test` install what is missing, build and go.
BUILD      ?= build
SAN_BUILD  ?= build-sanitize
TSAN_BUILD ?= build-tsan
JOBS       ?= $(shell nproc)
ARGS       ?=
PREFIX     ?= /usr/local
FUZZ_SECONDS ?= 600
# Dates written into the manual page, metainfo and changelog: the last commit's, so that
# one commit always gives the same package.
SOURCE_DATE_EPOCH ?= $(shell git log -1 --format=%ct 2>/dev/null)
ifneq ($(SOURCE_DATE_EPOCH),)
export SOURCE_DATE_EPOCH
endif

.PHONY: all deps configure build run test test-sanitize test-tsan fuzz fuzz-smoke bench install deb screenshot format clean

all: build

deps:
	@bash scripts/install-deps

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

configure: $(BUILD)/CMakeCache.txt

build: deps configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	bash scripts/run $(BUILD) $(ARGS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-sanitize: deps
	cmake -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DBREVINE_SANITIZE=ON -DBREVINE_BENCH=OFF
	cmake --build $(SAN_BUILD) -j $(JOBS)
	ctest --test-dir $(SAN_BUILD) --output-on-failure -j $(JOBS) -LE slow

# The threads that share one picture (the decode beside its reduction, the striped decode)
# under ThreadSanitizer; not part of CI's run.
test-tsan: deps
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBREVINE_TSAN=ON \
	  -DBREVINE_BENCH=OFF -DBREVINE_WINDOW=OFF
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target imaging_tests codecs_tests pool_tests
	ctest --test-dir $(TSAN_BUILD) --output-on-failure -j $(JOBS) \
	  -R "StreamingHandover|JpegStripes|OrderedPool|MemoryWindow|RunFeed|HandOut|StartingFeed"

fuzz: deps
	bash tests/fuzz/run-fuzzers $(FUZZ_SECONDS)

fuzz-smoke: deps
	bash tests/fuzz/run-fuzzers 30

bench: build
	bash bench/run $(BUILD)

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package of the Release build: $(BUILD)/brevine_VERSION_ARCH.deb
deb: build
	cd $(BUILD) && cpack -G DEB

screenshot: build
	bash scripts/screenshot $(BUILD)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(SAN_BUILD)
