# The two commands of the project: `make demo` (build what the demo runs,
# run it under Wine) and `make test` (every test, native and under Wine).
# Both make the machine ready first.

WIN    := build/win
NATIVE := build/native
PREFIX := $(abspath $(WIN))/wineprefix
JOBS   ?= 2
FUZZ_SECONDS ?= 600
FUZZ_JOBS ?= $(shell nproc)
MAKEFLAGS += --no-print-directory

.PHONY: all setup build build-win build-native demo test bench fuzz install testkit wintests msi dist clean

all: build

setup:
	@tools/setup-machine

# The Windows build runs the native build's tools (the package's registry rows).
$(WIN)/CMakeCache.txt: | setup
	@cmake -S . -B $(WIN) -DCMAKE_TOOLCHAIN_FILE=cmake/i686-w64-mingw32.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DQVAPI_NATIVE_DIR=$(abspath $(NATIVE)) >/dev/null

$(NATIVE)/CMakeCache.txt: | setup
	@CC=clang CXX=clang++ cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

# A tree configured before the Windows build knew of the native one is told.
build-win: $(WIN)/CMakeCache.txt
	@grep -q '^QVAPI_NATIVE_DIR:' $(WIN)/CMakeCache.txt || \
	  cmake $(WIN) -DQVAPI_NATIVE_DIR=$(abspath $(NATIVE)) >/dev/null
	@cmake --build $(WIN) -j $(JOBS)

build-native: $(NATIVE)/CMakeCache.txt
	@cmake --build $(NATIVE) -j $(JOBS)

build: build-native build-win

# Every run that uses the Wine prefix holds its lock (testbed/wine-lock), so
# that overlapping runs wait for each other. Programs run under Wine leave
# the prefix's wineserver running for the next one; these targets stop it
# when they are done.
WINE_LOCKED = testbed/wine-lock $(PREFIX) bash -c
WINE_RUN = testbed/wine-run $(PREFIX)
WINE_STOP = rc=$$?; testbed/wine-stop $(PREFIX); exit $$rc

# The plain exports from a program under test, then the automation class
# from script clients, registered and unregistered with regsvr32. Only what
# it runs is built: the DLL, the stand-ins and the demo program.
demo: $(WIN)/CMakeCache.txt
	@cmake --build $(WIN) -j $(JOBS) --target qvapi_demo
	@$(WINE_LOCKED) '$(WINE_RUN) $(WIN)/bin/qvapi_demo.exe && echo && \
	  examples/run-clients $(PREFIX) $(WIN)/bin; $(WINE_STOP)'

test: build wintests
	@cd $(NATIVE) && ctest --output-on-failure
	@$(WINE_LOCKED) 'cd $(WIN) && ctest --output-on-failure'

bench: build
	@$(NATIVE)/bench/registrar_bench
	@$(WINE_LOCKED) '$(WINE_RUN) $(WIN)/bin/bridge_bench.exe && \
	  $(WINE_RUN) $(WIN)/bin/automation_bench.exe && \
	  $(WINE_RUN) $(WIN)/bin/server_bench.exe && \
	  $(WINE_RUN) $(WIN)/bin/registrar_wine_bench.exe; $(WINE_STOP)'

# One worker a core; what they find is kept in the first corpus folder.
fuzz: build-native
	@$(NATIVE)/tests/registrar/script_fuzzer -fork=$(FUZZ_JOBS) -max_total_time=$(FUZZ_SECONDS) \
	  $(NATIVE)/tests/registrar/fuzz-corpus tests/registrar/corpus

# The SDK (bin/, lib/, include/, lib/cmake/QVAPI) and, apart from it, the
# test kit for script authors (testkit/).
# DESTDIR names the folder itself: it is taken out of cmake's environment,
# where cmake --install would put it in front of the prefix once more.
install: build-win
	@env -u DESTDIR cmake --install $(WIN) --prefix $(abspath $(or $(DESTDIR),install))

testkit: build-win
	@env -u DESTDIR cmake --install $(WIN) --component testkit \
	  --prefix $(abspath $(or $(DESTDIR),install-testkit))

# The installer package, and dist/ with the package, the SDK as a zip and
# SHA256SUMS. Signed when SIGN_CERT and SIGN_KEY name a certificate and its
# key (SIGN_TIMESTAMP: a timestamp server's URL).
export SIGN_CERT SIGN_KEY SIGN_TIMESTAMP
msi: build-native build-win
	@cmake --build $(WIN) --target msi

dist: build-native build-win
	@cmake --build $(WIN) --target dist

# The Windows test kit, QVAPI-<version>-tests.zip in build/win: unpack it on
# a Windows machine and run run-tests.cmd (wintests/README.txt).
wintests: build-native build-win
	@cmake --build $(WIN) --target wintests

clean:
	@rm -rf build dist
