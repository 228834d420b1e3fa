# Quillory: `make run` builds and starts the program, `make test` runs every
# test headless. Both install the Debian packages they need first.

BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)

PACKAGES := cmake g++ make pkg-config libwxgtk3.2-dev libgtk-3-dev libgtest-dev \
            xvfb xauth xclip xdotool x11-utils wmctrl openbox imagemagick \
            python3 python3-pyatspi python3-xlib at-spi2-core dbus dbus-x11
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
XVFB := xvfb-run -a -s "-screen 0 1280x1024x24"

.PHONY: all deps configure build run test clean

all: build

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing Debian packages:" $$missing; \
	  $(SUDO) apt-get update -qq && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	fi

$(BUILD)/CMakeCache.txt: CMakeLists.txt | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j$(JOBS)

# Started from the repository so that ./info/license.txt is found.
run: build
	./$(BUILD)/quillory

# Always on a display of its own: the tests own the clipboard and the keyboard.
test: build
	$(XVFB) ctest --test-dir $(BUILD) --output-on-failure

clean:
	rm -rf $(BUILD)
