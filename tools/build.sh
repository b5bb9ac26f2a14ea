# Sourced by ./test.sh, ./run.sh and ./bench/run: configure (once) and build the project.
# QUILL_BUILD names the build folder (default: build).
QUILL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
QUILL_BUILD="${QUILL_BUILD:-$QUILL_ROOT/build}"
quill_build() {
  if [ ! -f "$QUILL_BUILD/build.ninja" ]; then
    # ccache, where the machine has it, serves rebuilds in other checkouts of the same tree.
    local launcher=()
    if command -v ccache >/dev/null 2>&1; then
      launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
    cmake -S "$QUILL_ROOT" -B "$QUILL_BUILD" -G Ninja "${launcher[@]}" \
      -DCMAKE_TOOLCHAIN_FILE="$QUILL_ROOT/cmake/toolchain-i686-w64-mingw32.cmake" \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  fi
  cmake --build "$QUILL_BUILD"
}
