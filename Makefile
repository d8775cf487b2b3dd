# Velmoris: set-up, build, tests.
# `make run` and `make test` install what is missing on a Debian machine first.

PAQUETS := cmake ninja-build g++ make qt6-base-dev libjpeg62-turbo-dev fonts-liberation
BUILD   := build
SUDO    := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build run test clean

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

clean:
	rm -rf $(BUILD)
