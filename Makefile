# Quick start: `make run` and `make test`. Both install what is missing first.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

# Debian packages the build, the tests and the benchmarks need.
DEPS := cmake ninja-build g++ pkg-config \
        qt6-base-dev qt6-multimedia-dev fonts-dejavu-core fonts-dejavu-extra libx11-dev \
        libcli11-dev libgtest-dev libgmock-dev libbenchmark-dev sox dosfstools mtools \
        libsndfile1-dev libsoxr-dev libicu-dev libpugixml-dev libinstpatch-dev \
        clang libclang-rt-14-dev

# The page: the core compiled with Debian's emscripten, the browser tests
# with Debian's chromium driven from node. Not part of `make test`'s DEPS:
# `make web` and `make test-web` install them.
WEB_BUILD ?= build-web
WEB_JOBS  ?= 2
WEB_DEPS  := emscripten chromium nodejs npm
# Debian's emscripten finds its node modules (acorn) here whichever node runs.
WEB_ENV   := NODE_PATH=/usr/share/nodejs

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build run test test-core test-asan test-web-if-reachable fuzz fuzz-ci demo bench screenshots clean format web web-deps test-web web-screenshots bench-web

all: build

deps:
	@missing=""; \
	for p in $(DEPS); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get update -qq && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	fi

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

configure: $(BUILD)/build.ninja

build: deps configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	cd examples && QT_QPA_PLATFORM=$${QT_QPA_PLATFORM:-} ../$(BUILD)/bin/dorvane example.dvn

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	$(MAKE) test-asan
	$(MAKE) fuzz-ci
	$(MAKE) test-web-if-reachable

# The core (everything but the window) again, under AddressSanitizer and UBSan.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DDORVANE_SANITIZE=ON -DDORVANE_UI=OFF -DDORVANE_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS)

# libFuzzer targets of the readers of outside files, built with clang in
# build-fuzz: `make fuzz` runs each for FUZZ_SECONDS (default 60) and
# reports; `make fuzz-ci` runs each for a fixed number of runs over its
# corpus and regressions and fails on any finding.
fuzz: deps
	./tools/fuzz.sh build-fuzz

fuzz-ci: deps
	./tools/fuzz.sh --ci build-fuzz

demo: build
	./tools/demo.sh $(BUILD)

bench: build
	@for p in sox time bc; do dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$p; done
	$(BUILD)/bin/bench_convert
	$(BUILD)/bin/bench_instrument
	./bench/run.sh $(BUILD)

screenshots: build
	./tools/screenshots.sh $(BUILD)

web-deps:
	@missing=""; \
	for p in $(WEB_DEPS); do \
	  command -v $$p >/dev/null 2>&1 || \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get update -qq && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	fi
	cd web && npm ci --no-audit --no-fund

# The page in $(WEB_BUILD)/dist: open it through any static file server.
web: web-deps
	$(WEB_ENV) emcmake cmake -S . -B $(WEB_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DDORVANE_UI=OFF -DDORVANE_TESTS=OFF -DDORVANE_BENCH=OFF
	$(WEB_ENV) cmake --build $(WEB_BUILD) -j $(WEB_JOBS)

# Part of make test: the page's tests need emscripten, chromium and the
# npm registry (for the pinned test packages). Where those cannot be had,
# it says so loudly and goes on; a failing page test always fails.
test-web-if-reachable:
	@if $(MAKE) web-deps; then $(MAKE) test-web; else \
	  echo "*** The page's tests did not run: its packages could not be installed."; fi

# The page in headless chromium against dorvane-cli's bytes.
test-web: web build
	cd web && DORVANE_WEB_DIST=$(abspath $(WEB_BUILD))/dist DORVANE_CLI=$(abspath $(BUILD))/bin/dorvane-cli \
	  node --test test/*.test.mjs

web-screenshots: web
	cd web && DORVANE_WEB_DIST=$(abspath $(WEB_BUILD))/dist node test/screenshots.mjs

bench-web: web build
	DORVANE_WEB_DIST=$(abspath $(WEB_BUILD))/dist DORVANE_CLI=$(abspath $(BUILD))/bin/dorvane-cli \
	  node bench/web-bench.mjs
	DORVANE_WEB_DIST=$(abspath $(WEB_BUILD))/dist DORVANE_CLI=$(abspath $(BUILD))/bin/dorvane-cli \
	  node bench/web-page-bench.mjs

format:
	find platform pool krz multidisk ui cli tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(WEB_BUILD)
