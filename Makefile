# Quillory: `make run` builds and starts the program, `make test` runs every
# test headless. Both install the Debian packages they need first.

BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)

PACKAGES := cmake g++ make pkg-config libwxgtk3.2-dev libgtk-3-dev libgtest-dev libxcb1-dev libxcb-xfixes0-dev libx11-xcb-dev \
            libwayland-dev libwayland-bin \
            xvfb xauth xclip xdotool x11-utils wmctrl openbox imagemagick \
            python3 python3-pyatspi python3-xlib at-spi2-core dbus dbus-x11
# The desktop programs the end-to-end tests copy and paste with, as users do,
# and the C library's locale sources, from which a unit test builds locales
# of its own.
TEST_PACKAGES := pcmanfm thunar mousepad ristretto desktop-file-utils appstream dpkg-dev locales
# The Wayland compositors the tests run headless sessions of (wlroots', KDE's,
# GNOME's), with XWayland and wl-clipboard; and the programs rich copies are
# made in, a word processor and a browser. Without their recommendations,
# to keep the set-up small: the tests pass with them too (the desktop
# portals they bring are ended with each test).
WAYLAND_TEST_PACKAGES := sway kwin-wayland mutter xwayland wl-clipboard
RICH_TEST_PACKAGES := libreoffice-writer libreoffice-gtk3 firefox-esr
# The screen reader the tests listen to, without a speech synthesizer: its
# speech goes to a log (tests/e2e/orca_speech_log.py).
SCREEN_READER_PACKAGES := orca
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
XVFB := xvfb-run -a -s "-screen 0 1280x1024x24"


.PHONY: all deps test-deps install-missing configure build run install deb check test test-plain test-asan test-tsan fuzz bench \
        clean \
        windows-toolkit windows test-windows

all: build


deps:
	@$(MAKE) --no-print-directory install-missing WANTED="$(PACKAGES)"

install-missing:
	@missing=$$(for p in $(WANTED); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing Debian packages:" $$missing; \
	  $(SUDO) apt-get update -qq && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $(APT_OPTIONS) $$missing; \
	fi

$(BUILD)/CMakeCache.txt: CMakeLists.txt | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j$(JOBS)

# Started from a folder of its own that `make clean` leaves alone, so that
# what the user saves survives a clean; from the repository, so that
# ./info/license.txt is found.
run: build
	mkdir -p run
	cp $(BUILD)/quillory run/quillory
	./run/quillory

# Installs below PREFIX (DESTDIR honoured): the program, its data, the
# desktop entry, icons, AppStream metadata and the manual page.
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# A Debian package of the same, with its dependencies found by
# dpkg-shlibdeps: $(BUILD)/quillory_<version>_<arch>.deb.
deb: build
	@$(MAKE) --no-print-directory install-missing WANTED="dpkg-dev"
	cd $(BUILD) && cpack -G DEB

# Always on a display of its own: the tests own the clipboard and the keyboard.
# Every test runs in the plain build and again in an AddressSanitizer and
# UndefinedBehaviorSanitizer build; the capture-thread tests run under
# ThreadSanitizer too; then the Windows build's tests under Wine.
test: test-plain test-asan test-tsan test-windows

test-deps: deps
	@$(MAKE) --no-print-directory install-missing WANTED="$(TEST_PACKAGES)"
	@$(MAKE) --no-print-directory install-missing WANTED="$(WAYLAND_TEST_PACKAGES) $(RICH_TEST_PACKAGES) $(SCREEN_READER_PACKAGES)" \
	  APT_OPTIONS=--no-install-recommends

# The fast gate: the unit, thread and window tests of the plain build, on a
# display of their own, and the clipboard connections against real servers;
# no end-to-end test, sanitizer or Windows build.
check: build
	$(XVFB) ctest --test-dir $(BUILD) -LE e2e --output-on-failure

test-plain: build test-deps
	$(XVFB) ctest --test-dir $(BUILD) --output-on-failure

SUPPRESSIONS := $(CURDIR)/tests/sanitizers
ASAN_ENV := ASAN_OPTIONS=detect_leaks=1:malloc_context_size=4 \
            LSAN_OPTIONS=suppressions=$(SUPPRESSIONS)/lsan.supp:print_suppressions=0 \
            UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 QUILLORY_TEST_SLOWDOWN=3

build-asan/CMakeCache.txt: CMakeLists.txt | deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLORY_SANITIZE=address,undefined

test-asan: test-deps build-asan/CMakeCache.txt
	cmake --build build-asan -j$(JOBS)
	$(ASAN_ENV) $(XVFB) ctest --test-dir build-asan --output-on-failure

build-tsan/CMakeCache.txt: CMakeLists.txt | deps
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLORY_SANITIZE=thread

# The tests of code that runs on threads of its own carry the label "threads".
test-tsan: deps build-tsan/CMakeCache.txt
	cmake --build build-tsan -j$(JOBS) --target thread_tests
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ctest --test-dir build-tsan -L threads --output-on-failure

# The fuzz targets (file lists and names, image decoding, text conversion),
# each run for FUZZ_SECONDS from its seeds; the image target also starts from
# every input the decoders once crashed on.
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := file_list text image
fuzz: deps
	@$(MAKE) --no-print-directory install-missing WANTED=clang
	@# The sanitizer runtime of the clang just installed, whichever version it is.
	@$(MAKE) --no-print-directory install-missing WANTED="libclang-rt-$$(clang -dumpversion | cut -d. -f1)-dev"
	cmake -S tests/fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
	cmake --build build-fuzz -j$(JOBS)
	for t in $(FUZZ_TARGETS); do \
	  mkdir -p build-fuzz/corpus-$$t && cp tests/fuzz/seeds/$$t/* build-fuzz/corpus-$$t/ || exit 1; \
	done
	cp tests/image/refused/* build-fuzz/corpus-image/
	for t in $(FUZZ_TARGETS); do \
	  echo "== $${t}_fuzz for $(FUZZ_SECONDS) s"; \
	  build-fuzz/$${t}_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=65536 -rss_limit_mb=4096 \
	    -artifact_prefix=build-fuzz/crash-$$t- build-fuzz/corpus-$$t > build-fuzz/$$t.log 2>&1; rc=$$?; \
	  grep -E '^(#[0-9]+ +DONE|Done [0-9]+ runs)' build-fuzz/$$t.log; tail -n 2 build-fuzz/$$t.log; \
	  [ $$rc = 0 ] || exit $$rc; \
	done

# The Windows build: the toolkit for MSW and the image libraries cross-built
# once from Debian's source packages into a cache outside the repository
# (about 10 minutes on 2 cores the first time), then $(WINDOWS_BUILD)/quillory.exe,
# one static executable. Its tests run under Wine on a display of their own.
WINDOWS_CACHE ?= $(HOME)/.cache/quillory-windows
WINDOWS_BUILD ?= build-windows
WINDOWS_PACKAGES := g++-mingw-w64-x86-64-posix libz-mingw-w64-dev nasm dpkg-dev xz-utils cmake libgtest-dev
# Wine without its recommendations: the tests need no sound, fonts of
# other scripts or GStreamer.
WINDOWS_TEST_PACKAGES := wine64 xvfb xauth xclip xdotool x11-utils wmctrl openbox imagemagick python3 python3-xlib \
                         pcmanfm mousepad ristretto
windows-toolkit:
	@$(MAKE) --no-print-directory install-missing WANTED="$(WINDOWS_PACKAGES)"
	tools/windows-toolkit.sh $(WINDOWS_CACHE)

windows: windows-toolkit
	cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	  -DQUILLORY_WINDOWS_PREFIX=$(WINDOWS_CACHE)/prefix -DCMAKE_BUILD_TYPE=Release
	cmake --build $(WINDOWS_BUILD) -j$(JOBS)
	mkdir -p $(WINDOWS_BUILD)/info && cp info/license.txt $(WINDOWS_BUILD)/info/ && cp README.md $(WINDOWS_BUILD)/

# Wine first, so that the build finds it to run the tests with.
test-windows:
	@$(MAKE) --no-print-directory install-missing WANTED="$(WINDOWS_TEST_PACKAGES)" APT_OPTIONS=--no-install-recommends
	@$(MAKE) --no-print-directory windows
	$(XVFB) ctest --test-dir $(WINDOWS_BUILD) --output-on-failure

# Every benchmark against the built program; writes docs/performance.md.
# CopyQ is the peer it is measured beside, and the toolkit's examples hold
# the minimal program that is the reference for start-up and memory: both
# only for the benchmark.
BENCH_PACKAGES := copyq wx3.2-examples
bench: build
	@$(MAKE) --no-print-directory install-missing WANTED="$(BENCH_PACKAGES)"
	cmake -S . -B $(BUILD) > /dev/null
	cmake --build $(BUILD) -j$(JOBS) --target benchmarks
	$(XVFB) dbus-run-session -- /usr/bin/python3 bench/run_bench.py $(BUILD) docs/performance.md

clean:
	rm -rf $(BUILD) build-asan build-tsan build-fuzz $(WINDOWS_BUILD)
