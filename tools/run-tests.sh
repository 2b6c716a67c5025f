#!/usr/bin/env bash
# Builds and runs the test suite. Installs what a fresh Debian 12 machine lacks.
#   tools/run-tests.sh          normal build, every test
#   tools/run-tests.sh asan     AddressSanitizer + UBSan build, every test
#   tools/run-tests.sh tsan     ThreadSanitizer build, the core tests
#   tools/run-tests.sh fuzz     clang libFuzzer targets, FUZZ_SECONDS each (default 60)
#   tools/run-tests.sh bench    every benchmark once, in a short mode; fails on an error
#                               a benchmark reports (a reply that allocated), never on a time
#   tools/run-tests.sh package  the Debian package from a clean copy, lintian-clean, its desktop
#                               entry and AppStream data valid, installed here and started
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-normal}
bash tools/deps.sh
jobs=$(nproc)
# The tests mostly wait on the radio's own timing, not on a core: three run
# per core (the whole suite, even under ASan, keeps less than one core busy).
test_jobs=$((jobs * 3))
export QT_QPA_PLATFORM=offscreen
# Line tables are all a failure's trace needs (full debug information took a
# third of every compile), and the libraries and core tests build in batches.
build_opts=(-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DCMAKE_CXX_FLAGS_DEBUG="-g1" -DHRX900_UNITY=ON)
case "$mode" in
  normal)
    cmake -S . -B build/normal -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${build_opts[@]}" >/dev/null
    cmake --build build/normal -j "$jobs"
    ctest --test-dir build/normal --output-on-failure -j "$test_jobs" --timeout 300
    ;;
  bench)
    cmake -S . -B build/normal -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${build_opts[@]}" >/dev/null
    cmake --build build/normal -j "$jobs"
    once() {
      local out rc=0
      out=$("$1" --benchmark_min_time=0.01 2>&1) || rc=$?
      echo "== $(basename "$1")"
      echo "$out"
      [ "$rc" -eq 0 ] || { echo "$1 failed" >&2; return 1; }
      if grep -q "ERROR OCCURRED" <<<"$out"; then echo "$1 reported an error" >&2; return 1; fi
    }
    shopt -s nullglob
    # The idle cost's figure to quote is a minute; here a few seconds show it runs.
    export HRX900_IDLE_SECONDS=${HRX900_IDLE_SECONDS:-5}
    # The far-away line's read-out, quiet and outage take minutes: not here.
    export HRX900_FARLINE_SHORT=${HRX900_FARLINE_SHORT:-1}
    # The soak mostly sleeps through its phases: it runs beside the others.
    # Without it the build made no benchmark, which must not pass.
    soak=build/normal/bench/bench_soak
    soak_log=build/normal/bench-soak.log
    [ -x "$soak" ] || { echo "no benchmark was built" >&2; exit 1; }
    once "$soak" >"$soak_log" 2>&1 &
    soak_pid=$!
    # The rest mostly wait on the line's own timing too: two lanes, each
    # telling its benchmarks in order.
    benches=()
    for b in build/normal/bench/bench_*; do
      [ -x "$b" ] && [ "$b" != "$soak" ] && benches+=("$b")
    done
    lane() {
      local rc=0 i
      for ((i = $1; i < ${#benches[@]}; i += 2)); do once "${benches[$i]}" || rc=1; done
      return "$rc"
    }
    failed=0
    lane 0 >build/normal/bench-lane0.log 2>&1 &
    lane0=$!
    lane 1 >build/normal/bench-lane1.log 2>&1 || failed=1
    wait "$lane0" || failed=1
    wait "$soak_pid" || failed=1
    cat build/normal/bench-lane0.log build/normal/bench-lane1.log "$soak_log"
    [ "$failed" -eq 0 ] || exit 1
    ;;
  asan)
    cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DHRX900_SANITIZE=address -DHRX900_BENCH=OFF "${build_opts[@]}" >/dev/null
    cmake --build build/asan -j "$jobs"
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      ctest --test-dir build/asan --output-on-failure -j "$test_jobs" --timeout 600
    ;;
  tsan)
    cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DHRX900_SANITIZE=thread -DHRX900_GUI=OFF \
      -DHRX900_BENCH=OFF "${build_opts[@]}" >/dev/null
    cmake --build build/tsan -j "$jobs"
    TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
      ctest --test-dir build/tsan --output-on-failure -j "$test_jobs" --timeout 600 -L core
    ;;
  fuzz)
    CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHRX900_FUZZ=ON \
      -DHRX900_GUI=OFF -DHRX900_BENCH=OFF "${build_opts[@]}" >/dev/null
    cmake --build build/fuzz -j "$jobs" --target fuzzers
    seconds=${FUZZ_SECONDS:-60}
    shopt -s nullglob
    # One target per core at a time, each with its own log, told in order.
    fuzz_one() {
      local fuzzer=$1 name corpus seeds
      name=$(basename "$fuzzer")
      corpus=build/fuzz/corpus/$name
      mkdir -p "$corpus"
      seeds=tests/fuzz/corpus/${name#fuzz_}
      [ -d "$seeds" ] || seeds=
      "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 "$corpus" $seeds \
        >"build/fuzz/$name.log" 2>&1
    }
    ran=0
    failed=()
    pids=()
    names=()
    for fuzzer in build/fuzz/tests/fuzz/fuzz_*; do
      [ -x "$fuzzer" ] || continue
      if [ ${#pids[@]} -ge "$jobs" ]; then
        wait "${pids[0]}" || failed+=("${names[0]}")
        pids=("${pids[@]:1}")
        names=("${names[@]:1}")
      fi
      echo "== $(basename "$fuzzer") for ${seconds}s"
      fuzz_one "$fuzzer" &
      pids+=($!)
      names+=("$(basename "$fuzzer")")
      ran=$((ran + 1))
    done
    for i in "${!pids[@]}"; do wait "${pids[$i]}" || failed+=("${names[$i]}"); done
    for log in build/fuzz/fuzz_*.log; do echo "== $log"; tail -n 5 "$log"; done
    # A build that made no target must not pass as a clean fuzz run.
    [ "$ran" -gt 0 ] || { echo "no fuzz target ran" >&2; exit 1; }
    for name in "${failed[@]}"; do echo "$name failed:" >&2; cat "build/fuzz/$name.log" >&2; done
    [ ${#failed[@]} -eq 0 ] || exit 1
    ;;
  package)
    # The suite runs in the normal build, so the package is built without it;
    # line tables are enough for its debug symbols here.
    DEB_BUILD_OPTIONS="nocheck${DEB_BUILD_OPTIONS:+ $DEB_BUILD_OPTIONS}" DEB_CXXFLAGS_APPEND=-g1 \
      bash tools/package.sh
    out=build/package
    debs=("$out"/hrx900_*.deb)
    [ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "no single hrx900 package in $out" >&2; exit 1; }
    deb=$PWD/${debs[0]}
    # The source package as well, for lintian's checks of debian/ itself.
    version=$(dpkg-parsechangelog -l debian/changelog -S Version)
    mkdir -p "$out/source/hrx900-$version"
    git archive HEAD | tar -x -C "$out/source/hrx900-$version"
    (cd "$out/source" && dpkg-source -b "hrx900-$version" >/dev/null)
    # Not an error, not a warning, not an override without its tag: nothing
    # at all but the note that it runs as root.
    report=$(lintian "$out"/hrx900_*.changes "$out/source/hrx900_$version.dsc" 2>&1 |
      grep -vx 'running with root privileges is not recommended!' || true)
    [ -z "$report" ] || { echo "lintian:" >&2; echo "$report" >&2; exit 1; }
    echo "lintian: clean"
    root=$out/src/debian/hrx900
    desktop-file-validate "$root/usr/share/applications/org.hrx900.hrx900.desktop"
    appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/org.hrx900.hrx900.metainfo.xml"
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    # A fresh install, not the same version kept from an earlier run.
    if dpkg-query -W -f='${db:Status-Status}' hrx900 2>/dev/null | grep -qx installed; then
      $sudo dpkg --purge hrx900 >/dev/null
    fi
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" >/dev/null
    HRX900_DEB=$deb HRX900_DEB_INSTALLED=1 bash tests/install/install_deb.sh
    ;;
  *)
    echo "usage: $0 [normal|asan|tsan|fuzz|bench|package]" >&2
    exit 2
    ;;
esac
