# The game played inside real terminal programs, headless: tmux alone, at
# 80x25 and at 80x24, and GNU screen inside tmux with its stock settings,
# with `defbce on` and with `term xterm-256color`. The
# game is the one stage 10 builds (configured the same way here, so that the
# stage also runs on its own).
set -euo pipefail
. scripts/lib.sh
need_packages cmake g++ googletest libgtest-dev pkg-config python3 tmux screen

dir=build-test-g++
cmake -S . -B "$dir" -DCMAKE_CXX_COMPILER=g++ -DTENFALL_WERROR=ON >/dev/null
cmake --build "$dir" -j "$(jobs)" --target tenfall >/dev/null
python3 tests/terminals/play_in_multiplexers.py "$dir/tenfall"
