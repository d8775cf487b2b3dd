# Velmoris: set-up, build, tests.
# `make run` and `make test` install what is missing on a Debian machine first.

PAQUETS := cmake ninja-build g++ make qt6-base-dev libjpeg62-turbo-dev fonts-liberation \
            clang libclang-rt-14-dev poppler-utils libgedcom-perl \
            libicu-dev qt6-translations-l10n qt6-svg-dev shared-mime-info desktop-file-utils \
            libsqlite3-dev libzstd-dev pkgconf python3 ccache lld
BUILD   := build
SHELL   := /bin/bash
SUDO    := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build run install test architecture test-sanitiseurs test-fuzz fuzz bench interop clean

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

# The program starts in a working folder made from the demonstration family,
# under build/, so that running it never changes the repository.
run: build
	@[ -f $(BUILD)/demo/VELMORIS.FIC ] || $(BUILD)/genea_demo demo/famille.txt $(BUILD)/demo
	cd $(BUILD)/demo && ../Velmoris

PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# The whole suite: the layers and file lengths checked, the fuzzing harnesses
# over their corpora, the suite under the sanitizers, then the suite of the
# normal build.
test: architecture build test-fuzz test-sanitiseurs
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure

architecture: deps
	python3 tools/architecture.py

SANITISEURS_ENV := QT_QPA_PLATFORM=offscreen \
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0

# One build under AddressSanitizer and UndefinedBehaviorSanitizer, with
# clang, serves both the suite and the libFuzzer harnesses.
build-asan/build.ninja:
	CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" -DVELMORIS_SANITISEURS=ON

test-sanitiseurs: deps build-asan/build.ninja
	cmake --build build-asan
	cd build-asan && $(SANITISEURS_ENV) ctest --output-on-failure

HARNAIS := fiche ini couper listing image gedcom complements journal
FUZZ_SECONDES ?= 4

# Each harness over its committed corpus, then a short run; new inputs go to
# a temporary folder, never into the corpus.
test-fuzz: deps build-asan/build.ninja
	cmake --build build-asan --target $(addprefix fuzz_,$(HARNAIS))
	@for h in $(HARNAIS); do \
	  sortie=$$(mktemp -d); \
	  echo "fuzz_$$h : $(FUZZ_SECONDES) s"; \
	  build-asan/fuzz/fuzz_$$h -max_total_time=$(FUZZ_SECONDES) -print_final_stats=1 $$sortie fuzz/corpus/$$h 2>&1 \
	    | grep -E "stat::number_of_executed_units|ERROR|SUMMARY|Done" ; \
	  statut=$${PIPESTATUS[0]}; rm -rf $$sortie; [ $$statut -eq 0 ] || exit 1; \
	done

fuzz:
	$(MAKE) test-fuzz FUZZ_SECONDES=60

# Release build, generated files of 100,000 and 1,000,000 records kept under
# build/bench, then one table of every whole-file operation.
bench: deps
	@[ -f build-release/build.ninja ] || cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release
	cmake --build build-release --target bench_velmoris genea_gen
	mkdir -p $(BUILD)/bench
	[ -f $(BUILD)/bench/genea100k.FIC ] || build-release/genea_gen 100000 1 $(BUILD)/bench/genea100k.FIC
	[ -f $(BUILD)/bench/genea1M.FIC ] || build-release/genea_gen 1000000 1 $(BUILD)/bench/genea1M.FIC
	QT_QPA_PLATFORM=offscreen build-release/bench_velmoris $(BUILD)/bench

# GEDCOM exchange checked against Gramps' command-line tool, when it is
# installed (it is never a dependency of the program, and not part of make test).
interop: build
	/usr/bin/python3 tools/interop.py $(BUILD)/Velmoris $(BUILD)/genea_demo demo/famille.txt

clean:
	rm -rf $(BUILD)
