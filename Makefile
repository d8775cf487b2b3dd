# Velmoris: set-up, build, tests.
# `make run` and `make test` install what is missing on a Debian machine first.

PAQUETS := cmake ninja-build g++ make qt6-base-dev libjpeg62-turbo-dev fonts-liberation
BUILD   := build
SUDO    := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build run test bench clean

all: build

deps:
	@manquants=""; \
	for p in $(PAQUETS); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || manquants="$$manquants $$p"; \
	done; \
	if [ -n "$$manquants" ]; then \
	  echo "Installation des paquets manquants :$$manquants"; \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get update -q && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -q $$manquants; \
	fi

configure: deps
	@[ -f $(BUILD)/build.ninja ] || cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD)

run: build
	cd $(BUILD) && ./Velmoris

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure

# Release build, generated files of 100,000 and 1,000,000 records kept under
# build/bench, then one table of every whole-file operation.
bench: deps
	@[ -f build-release/build.ninja ] || cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release
	cmake --build build-release --target bench_velmoris genea_gen
	mkdir -p $(BUILD)/bench
	[ -f $(BUILD)/bench/genea100k.FIC ] || build-release/genea_gen 100000 1 $(BUILD)/bench/genea100k.FIC
	[ -f $(BUILD)/bench/genea1M.FIC ] || build-release/genea_gen 1000000 1 $(BUILD)/bench/genea1M.FIC
	QT_QPA_PLATFORM=offscreen build-release/bench_velmoris $(BUILD)/bench

clean:
	rm -rf $(BUILD)
