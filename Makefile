# The project's commands. "make test" is what CI runs.
SHELL := /bin/bash
JOBS ?= 2
NATIVE := build/native
WIN := build/win

.PHONY: all setup build native win test test-native test-win bench demo show show-editor show-update show-logview clean

all: build

setup:
	@bash scripts/setup-debian.sh

build: setup native win

native:
	@cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(NATIVE) -j$(JOBS)

win:
	@cmake -S . -B $(WIN) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake >/dev/null
	@cmake --build $(WIN) -j$(JOBS)

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
	@bash bench/program_bench.sh
	@bash bench/watch_idle.sh
	@bash bench/window_bench.sh
	@bash bench/lzh_bench.sh
	@bash bench/logview_bench.sh

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

clean:
	rm -rf build
