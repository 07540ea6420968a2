# The project's commands. "make test" is what CI runs.
SHELL := /bin/bash
JOBS ?= 2
NATIVE := build/native
WIN := build/win
# The build number of the program (the last part of its FileVersion), the
# address the update package will be served from, and where make dist puts
# the release files. "make dist BUILD=411 WIN=build/win-411 DIST=build/dist-411"
# makes the next build in folders of its own.
BUILD ?= 410
BASE_URL ?= https://www.quorvanta.example/drovenmark
DIST ?= build/dist
NOTES ?=
RELEASE_TOOL := $(CURDIR)/$(NATIVE)/dist/dm_release
# The release key: the program trusts UPDATE_KEY (a public key, PEM) for its
# online update, and make dist signs the update package with SIGNING_KEY,
# its private half, kept outside this tree. AUTHENTICODE_PFX (with
# AUTHENTICODE_PASSWORD, and AUTHENTICODE_TIMESTAMP when a server is to
# stamp) signs the program files and the installer. "make release-key
# KEYDIR=folder" makes a new pair there.
UPDATE_KEY ?= dist/release-key.pub.pem
SIGNING_KEY ?=
AUTHENTICODE_PFX ?=
AUTHENTICODE_PASSWORD ?=
AUTHENTICODE_TIMESTAMP ?=
KEYDIR ?=

.PHONY: all setup build native win test test-native test-win bench bench-large demo show show-editor show-update show-logview show-installer show-dpi dist release-tool win-config release-key clean

all: build

setup:
	@bash scripts/setup-debian.sh

build: setup native win

native:
	@cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(NATIVE) -j$(JOBS)

# The native dm_release names the release files; the Windows build's
# release tests and make dist call it.
release-tool:
	@cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(NATIVE) -j$(JOBS) --target dm_release

win-config: release-tool
	@cmake -S . -B $(WIN) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake -DDM_BUILD=$(BUILD) \
	  -DDM_UPDATE_KEY=$(abspath $(UPDATE_KEY)) \
	  -DDM_RELEASE_TOOL=$(RELEASE_TOOL) -DDM_DIST_BASE_URL=$(BASE_URL) -DDM_DIST_DIR=$(abspath $(DIST)) \
	  -DDM_DIST_NOTES=$(if $(NOTES),$(abspath $(NOTES))) >/dev/null

win: win-config
	@cmake --build $(WIN) -j$(JOBS)

# The installer and the update package in $(DIST): only the program's files
# are built for it, not the tests. The keys and the password reach the
# packaging script through its environment, never the build's cache.
dist: export DM_SIGNING_KEY = $(if $(SIGNING_KEY),$(abspath $(SIGNING_KEY)))
dist: export DM_AUTHENTICODE_PFX = $(if $(AUTHENTICODE_PFX),$(abspath $(AUTHENTICODE_PFX)))
dist: export DM_AUTHENTICODE_PASSWORD = $(AUTHENTICODE_PASSWORD)
dist: export DM_AUTHENTICODE_TIMESTAMP = $(AUTHENTICODE_TIMESTAMP)
dist: setup win-config
	@cmake --build $(WIN) -j$(JOBS) --target dist

# A new release key pair in KEYDIR, which must lie outside this tree.
release-key: setup
	@bash scripts/release_key.sh "$(KEYDIR)" "$(CURDIR)"

test: build
	@scripts/winebed init
	@cd $(NATIVE) && ctest --output-on-failure -j$(JOBS)
	@cd $(WIN) && xvfb-run -a ctest --output-on-failure -j$(JOBS)

test-native: setup native
	@cd $(NATIVE) && ctest --output-on-failure -j$(JOBS)

test-win: setup win
	@scripts/winebed init
	@cd $(WIN) && xvfb-run -a ctest --output-on-failure -j$(JOBS)

bench: build
	@bash bench/engine_bench.sh
	@FOLDERS=200 FILE_KB=1-8 bash bench/program_bench.sh
	@bash bench/watch_idle.sh
	@bash bench/window_bench.sh
	@bash bench/lzh_bench.sh
	@bash bench/logview_bench.sh

# The whole-program benchmark at ten times make bench's files: 200,000 of
# 1 to 8 KB in 2,000 folders (about 900 MB, in memory when it fits), one
# round, since one takes about ten minutes.
bench-large: build
	@FILES=200000 FOLDERS=2000 FILE_KB=1-8 RUNS=1 bash bench/program_bench.sh

demo: build
	@bash scripts/demo.sh

show: build
	@bash scripts/show.sh

show-editor: build
	@bash scripts/show_editor.sh

show-logview: build
	@bash scripts/show_logview.sh

.PHONY: show-options
show-options: build
	@bash scripts/show_options.sh

show-update: build
	@bash scripts/show_update.sh

show-dpi: build
	@bash scripts/show_dpi.sh

show-installer: setup win-config
	@cmake --build $(WIN) -j$(JOBS) --target dist dmpost
	@bash scripts/show_installer.sh $(abspath $(DIST))

clean:
	rm -rf build
