# The two everyday commands; both set up a fresh machine first.
#   make run   build, then open the dialog under Wine
#   make test  build and package, then run every test, each Wine prefix on a
#              private X display of its own
#   make bench measure start-up, memory and size against an empty dialog
#   make package  the signed (with SIGN_CERT, SIGN_KEY) MSI and ZIP in build/package,
#                 their SHA256SUMS and build information; then tools/verify-package
#                 FILE says whether a downloaded program, ZIP or MSI is this build

.PHONY: all deps build product lane-tests twin package run test bench screenshots clean

all: build

deps:
	build-aux/install-deps

# Each build tree is configured and built by one target, in this order: the
# product first (the others copy it), then the i686 lane's tests, the x86_64
# twin and the packages side by side. Under make -jN the builds share make's
# job slots (the + passes them on); without -j each uses every core. Under
# make -n they are only shown (a + line would run even then).
JOBSERVER := $(if $(findstring n,$(firstword -$(MAKEFLAGS))),,+)
BUILD = $(JOBSERVER)cmake --build --preset $(1) $$(case " $$MAKEFLAGS" in *" -j"*) ;; *) echo -j$$(nproc) ;; esac)

product: deps
	cmake --preset i686
	$(call BUILD,i686)

lane-tests: product
	cmake --preset i686-tests
	$(call BUILD,i686-tests)

twin: product
	cmake --preset x86_64
	$(call BUILD,x86_64)

build: product lane-tests twin

package: product
	$(call BUILD,i686) --target packages

# Both lanes in one run, side by side, the installer tests (which install,
# upgrade and remove the packages) included; then what the i686 lane did in
# that run, which fails the run where the lane did not run (unless
# HOTKEY_SKIP_I686 is set).
RESULTS := build/x86_64/test-results.xml
test: build package
	rm -f $(RESULTS)
	ctest --preset x86_64 --output-junit "$$PWD/$(RESULTS)"; status=$$?; \
	harness/i686-verdict build/x86_64 $(RESULTS) || status=1; exit $$status

run: build
	build-aux/run-dialog

screenshots: build
	build-aux/screenshots

bench: build
	$(call BUILD,i686) --target bench_programs
	$(call BUILD,x86_64) --target bench_programs
	bench/run

clean:
	rm -rf build
