# The two everyday commands; both set up a fresh machine first.
#   make run   build, then open the dialog under Wine
#   make test  build and package, then run every test under a private X display
#   make bench measure start-up, memory and size against an empty dialog
#   make package  the signed (with SIGN_CERT, SIGN_KEY) MSI and ZIP in build/package,
#                 and their SHA256SUMS; then scripts/verify-package FILE says whether a
#                 downloaded program, ZIP or MSI is this build

XVFB := xvfb-run -a -s "-screen 0 1024x768x24"

.PHONY: all deps build package run test bench screenshots clean

all: build

deps:
	scripts/install-deps

build: deps
	cmake --preset i686
	cmake --build --preset i686 -j2
	cmake --preset i686-tests
	cmake --build --preset i686-tests -j2
	cmake --preset x86_64
	cmake --build --preset x86_64 -j2

package: deps
	cmake --preset i686
	cmake --build --preset i686 -j2 --target packages

# Both lanes in one run, the installer tests (which install, upgrade and remove
# the packages) included; then what the i686 lane did in that run.
RESULTS := $(CURDIR)/build/x86_64/test-results.xml
test: build package
	rm -f $(RESULTS)
	$(XVFB) ctest --preset x86_64 --output-junit $(RESULTS); status=$$?; \
	scripts/i686-lane-verdict build/x86_64 $(RESULTS); exit $$status

run: build
	scripts/run-dialog

screenshots: build
	scripts/screenshots

bench: build
	scripts/bench

clean:
	rm -rf build
