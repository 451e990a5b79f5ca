#!/bin/sh
# Installs the packages the build and the tests need (Debian 12 / Ubuntu) and configures build/.
#   scripts/setup.sh          the build and the tests (g++ brings the sanitizers' runtimes)
#   scripts/setup.sh --fuzz   only what the fuzz targets need as well: clang with libFuzzer
set -e
cd "$(dirname "$0")/.."

SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
updated=""
install_missing() {
    need=""
    for p in "$@"; do
        dpkg -s "$p" >/dev/null 2>&1 || need="$need $p"
    done
    [ -z "$need" ] && return 0
    if [ -z "$updated" ]; then
        $SUDO apt-get update -qq
        updated=1
    fi
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $need
}

# Whether clang++ can link a libFuzzer program.
has_libfuzzer() {
    command -v clang++ >/dev/null 2>&1 || return 1
    t=$(mktemp -d)
    printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' \
        >"$t/f.cpp"
    ok=0
    clang++ -fsanitize=fuzzer,address,undefined "$t/f.cpp" -o "$t/f" >/dev/null 2>&1 || ok=1
    rm -rf "$t"
    return $ok
}

if [ "$1" = "--fuzz" ]; then
    install_missing clang cmake ninja-build
    if ! has_libfuzzer; then
        # Debian 12 keeps the sanitizer and libFuzzer runtimes apart from clang.
        major=$(clang++ -dumpversion | cut -d. -f1)
        if apt-cache show "libclang-rt-$major-dev" >/dev/null 2>&1; then
            install_missing "libclang-rt-$major-dev"
        else
            install_missing "libclang-common-$major-dev"
        fi
        has_libfuzzer || { echo "setup.sh: clang++ cannot link libFuzzer programs" >&2; exit 1; }
    fi
    exit 0
fi

install_missing cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev libsndfile1-dev \
    qt6-base-dev qt6-multimedia-dev qt6-svg-dev libgl-dev xvfb xauth xdotool openbox pulseaudio pulseaudio-utils
# The window tests run once under a German locale: shown numbers with ",", files with ".".
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    install_missing locales
    $SUDO localedef -i de_DE -c -f UTF-8 de_DE.UTF-8
fi
# The report tests read the PDF back as text and as pictures.
install_missing poppler-utils
# The Python module and its tests (the system's Python with its NumPy and pandas), the R
# example, and the Slurm cluster of one node that the corpus test starts.
install_missing pybind11-dev python3-dev python3-numpy python3-pandas r-base-core slurm-wlm munge
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
