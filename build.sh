#!/bin/bash
# Set-up, build and test driver of the project.
#   ./build.sh demo   install what is missing, build everything, build the demo
#                     package into an install site and preview its installation
#   ./build.sh test   install what is missing, build and pass the whole suite,
#                     the AddressSanitizer/UndefinedBehaviorSanitizer build included
#   ./build.sh build  build the normal tree only
#   ./build.sh format rewrite the sources with clang-format
#   ./build.sh bench  build, then time the installer against a plain shell script
set -euo pipefail
cd "$(dirname "$0")"

JOBS=$(nproc)
PACKAGES=(g++ cmake make libgtest-dev libgmock-dev libbenchmark-dev clang-format
    util-linux mount procps attr coreutils dash libgdbm-dev ncompress)

install_missing() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if ((${#missing[@]})); then
        echo "installing: ${missing[*]}"
        local sudo=
        [ "$(id -u)" = 0 ] || sudo=sudo
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
    fi
}

configure_and_build() { # dir, extra cmake flags...
    local dir=$1
    shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j"$JOBS"
}

sources() {
    git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h' 2>/dev/null ||
        find include lib setup tools tests bench -name '*.cpp' -o -name '*.h'
}

case "${1:-}" in
demo)
    install_missing
    configure_and_build build
    # The build makes build/demo-site from data/demo with build/bin/mksite; the
    # preview installs it in the sandbox (as root) and shows what would change.
    build/bin/setup -v
    sudo=
    [ "$(id -u)" = 0 ] || sudo=sudo
    $sudo build/bin/preview build/demo-site
    ;;
bench)
    install_missing
    configure_and_build build
    sudo=
    [ "$(id -u)" = 0 ] || sudo=sudo
    $sudo bench/install_bench.sh build
    ;;
build)
    install_missing
    configure_and_build build
    ;;
test)
    install_missing
    echo "== format check"
    sources | xargs clang-format --dry-run -Werror
    echo "== normal build"
    configure_and_build build
    ctest --test-dir build -j"$JOBS" --output-on-failure
    echo "== sanitizer build (AddressSanitizer, UndefinedBehaviorSanitizer)"
    configure_and_build build-san -DZORVO_SANITIZE=ON
    ASAN_OPTIONS=detect_leaks=0:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --test-dir build-san -j"$JOBS" --output-on-failure
    ;;
format)
    sources | xargs clang-format -i
    ;;
*)
    echo "usage: $0 demo|test|build|format|bench" >&2
    exit 2
    ;;
esac
