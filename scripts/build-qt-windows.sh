#!/usr/bin/env bash
# Builds, once, the Qt that the Windows program links: static Qt 6 (Core, Gui, Widgets,
# PrintSupport, Test and the windows platform plugin; no OpenGL, network, SQL or DBus),
# QCustomPlot and QScintilla, for MinGW-w64, from Debian 12's own source packages.
# Debian's Qt 6 host tools (moc, rcc, uic) serve as the host Qt of the cross build.
#
# Usage: build-qt-windows.sh x86_64|i686
# Prints the install prefix on its last line (the folder to give CMake as Qt's prefix).
#
# The prefix lies in a cache outside the tree, named for the versions and the recipe:
#   ${KELMO_QT_WINDOWS_CACHE:-/var/cache/kelmo/qt-windows}/qt<v>-qcp<v>-qsci<v>-<arch>-<recipe>
# A complete prefix is reused at once. The prefix is marked complete (its file .complete) only
# when every stage has finished, so an interrupted build is never taken for a complete one:
# the next run removes it and starts again (ccache, when installed, makes that quick). Qt's
# installed files name their prefix, so the build installs in place rather than renaming.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:-}
case $arch in
  x86_64|i686) ;;
  *) echo "usage: $0 x86_64|i686" >&2; exit 2 ;;
esac
triple=$arch-w64-mingw32
toolchain=$here/cmake/toolchains/mingw-$arch.cmake
cache=${KELMO_QT_WINDOWS_CACHE:-/var/cache/kelmo/qt-windows}
jobs=$(nproc)

say() { printf 'qt-windows(%s): %s\n' "$arch" "$*" >&2; }
fail() { say "error: $*"; exit 1; }

# --- The recipe: every option that changes what is built. Its hash names the cache. ---

# qtbase: only what kelmo's windows use. Debian's tarball leaves out the wintab headers, so
# no tablet events; two of Debian's patches need androiddeployqt and zstd off in a cross build.
qtbase_options=(
  -DBUILD_SHARED_LIBS=OFF -DFEATURE_static_runtime=ON -DCMAKE_BUILD_TYPE=Release
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DINPUT_opengl=no -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF
  -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_concurrent=OFF
  -DFEATURE_xml=OFF -DFEATURE_tabletevent=OFF -DFEATURE_androiddeployqt=OFF -DFEATURE_zstd=OFF
  -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_freetype=OFF -DFEATURE_icu=OFF
)
# The static libraries of QCustomPlot and QScintilla are built by small CMake files of ours:
# Debian's QCustomPlot file makes a shared library, and QScintilla builds with qmake.
qcustomplot_cmake=$(cat <<'EOF'
cmake_minimum_required(VERSION 3.21)
project(qcustomplot LANGUAGES CXX)
find_package(Qt6 REQUIRED COMPONENTS Widgets PrintSupport)
set(CMAKE_AUTOMOC ON)
add_library(qcustomplot STATIC qcustomplot.cpp qcustomplot.h)
target_link_libraries(qcustomplot PUBLIC Qt6::Widgets Qt6::PrintSupport)
install(TARGETS qcustomplot ARCHIVE DESTINATION lib)
install(FILES qcustomplot.h DESTINATION include)
EOF
)
# Found by find_package(QCustomPlotQt6) as Debian's own package is.
qcustomplot_config=$(cat <<'EOF'
# QCustomPlot, static, built for this Qt by kelmo's scripts/build-qt-windows.sh.
include(CMakeFindDependencyMacro)
find_dependency(Qt6 COMPONENTS Widgets PrintSupport)
if(NOT TARGET QCustomPlotQt6::QCustomPlotQt6)
  get_filename_component(_qcp_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
  add_library(QCustomPlotQt6::QCustomPlotQt6 STATIC IMPORTED)
  set_target_properties(QCustomPlotQt6::QCustomPlotQt6 PROPERTIES
    IMPORTED_LOCATION "${_qcp_prefix}/lib/libqcustomplot.a"
    INTERFACE_INCLUDE_DIRECTORIES "${_qcp_prefix}/include"
    INTERFACE_LINK_LIBRARIES "Qt6::Widgets;Qt6::PrintSupport")
  unset(_qcp_prefix)
endif()
EOF
)
qscintilla_cmake=$(cat <<'EOF'
cmake_minimum_required(VERSION 3.21)
project(qscintilla2 LANGUAGES CXX)
find_package(Qt6 REQUIRED COMPONENTS Widgets PrintSupport)
set(CMAKE_AUTOMOC ON)
set(CMAKE_CXX_STANDARD 17)
# The sources and defines of src/qscintilla.pro.
file(GLOB qsci_sources src/*.cpp scintilla/src/*.cpp scintilla/lexers/*.cpp scintilla/lexlib/*.cpp)
file(GLOB qsci_moc_headers src/Qsci/*.h src/*.h)
add_library(qscintilla2_qt6 STATIC ${qsci_sources} ${qsci_moc_headers})
target_include_directories(qscintilla2_qt6 PRIVATE src scintilla/include scintilla/lexlib scintilla/src)
target_compile_definitions(qscintilla2_qt6 PRIVATE SCINTILLA_QT SCI_LEXER INCLUDE_DEPRECATED_FEATURES
)
target_link_libraries(qscintilla2_qt6 PUBLIC Qt6::Widgets Qt6::PrintSupport)
install(TARGETS qscintilla2_qt6 ARCHIVE DESTINATION lib)
install(DIRECTORY src/Qsci DESTINATION include)
EOF
)
recipe_version=1
recipe=$(printf '%s\n' "$recipe_version" "${qtbase_options[@]}" "$qcustomplot_cmake" \
           "$qcustomplot_config" "$qscintilla_cmake" | sha256sum | cut -c1-10)

# --- Which sources: the versions Debian's sources offer. ---

source_version() {  # source package -> upstream version (without Debian's suffixes)
  local v
  v=$(apt-cache showsrc "$1" 2>/dev/null | sed -n 's/^Version: //p' | sort -V | tail -n1)
  [ -n "$v" ] || fail "no source package $1: run scripts/setup.sh (it adds the deb-src entries)"
  v=${v#*:}
  v=${v%-*}
  echo "${v%%+*}"
}
qt_version=$(source_version qt6-base)
qcp_version=$(source_version qcustomplot)
qsci_version=$(source_version qscintilla2)
name=qt$qt_version-qcp$qcp_version-qsci$qsci_version-$arch-$recipe
prefix=$cache/$name

if [ -f "$prefix/.complete" ]; then
  say "reusing $prefix"
  echo "$prefix"
  exit 0
fi

mkdir -p "$cache"
# One build of an architecture at a time; a second caller waits and then reuses the result.
exec 9>"$cache/.lock-$arch"
if ! flock -n 9; then
  say "another build of Qt for $arch is running; waiting for it"
  flock 9
fi
if [ -f "$prefix/.complete" ]; then
  say "reusing $prefix"
  echo "$prefix"
  exit 0
fi

say "building $name (about 1000 steps; once per machine)"
work=$cache/work-$name
logs=$cache/logs-$name
rm -rf "$prefix" "$work"
mkdir -p "$prefix/lib/cmake/kelmo" "$work" "$logs" "$cache/sources"
# The toolchain files are copied into the prefix: Qt's own toolchain file, which applications
# configure with, names the one Qt was built with, and this tree may move or go.
cp "$here/cmake/toolchains/mingw-common.cmake" "$toolchain" "$prefix/lib/cmake/kelmo/"
toolchain=$prefix/lib/cmake/kelmo/$(basename "$toolchain")
# An older build of another recipe or version is left to the user: it may still be in use.

launcher=()
if command -v ccache >/dev/null; then
  # Paths below the cache are hashed relative to it, so a rebuild in a new work folder hits.
  export CCACHE_BASEDIR=$cache CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

stage_number=0
stage() { stage_number=$((stage_number + 1)); say "stage $stage_number/7: $*"; }

# Runs a build step with its output in a log; prints how far along it is every tenth, and
# the log's end when it fails.
logged() {  # log-name command...
  local log=$logs/$1.log; shift
  if ! "$@" >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    fail "$* failed; the whole log is $log"
  fi
}
ninja_build() {  # log-name build-dir
  local log=$logs/$1.log
  set +e
  NINJA_STATUS='[%f/%t] ' cmake --build "$2" -j "$jobs" 2>&1 | tee "$log" | awk -v who="qt-windows($arch): $1" '
    match($0, /^\[[0-9]+\/[0-9]+\] /) {
      split(substr($0, 2, RLENGTH - 3), n, "/")
      tenth = int(10 * n[1] / n[2])
      if (tenth > shown) { shown = tenth; printf "%s: %d/%d steps (%d%%)\n", who, n[1], n[2], 100 * n[1] / n[2] > "/dev/stderr" }
    }'
  local status=${PIPESTATUS[0]}
  set -e
  if [ "$status" -ne 0 ]; then
    grep -E -B2 -A8 'error|FAILED' "$log" | tail -n 60 >&2
    fail "building $1 failed; the whole log is $log"
  fi
}

# --- Stage 1: the source packages, fetched once and kept beside the builds. ---
stage "sources (apt-get source qt6-base qcustomplot qscintilla2)"
fetch() {  # source-package version variable: sets the variable to the unpacked folder
  local into=$cache/sources/$1-$2 dir
  if [ ! -f "$into/.unpacked" ]; then
    rm -rf "$into"
    mkdir -p "$into"
    (cd "$into" && logged "source-$1" apt-get source -q "$1") || exit 1
    touch "$into/.unpacked"
  fi
  dir=$(find "$into" -mindepth 1 -maxdepth 1 -type d | head -n1)
  [ -n "$dir" ] || fail "apt-get source $1 unpacked nothing into $into"
  printf -v "$3" '%s' "$dir"
}
fetch qt6-base "$qt_version" qtbase_src
fetch qcustomplot "$qcp_version" qcp_src
fetch qscintilla2 "$qsci_version" qsci_src

# --- Stages 2-4: qtbase against Debian's host Qt. ---
stage "configure qtbase $qt_version"
logged qtbase-configure cmake -S "$qtbase_src" -B "$work/qtbase" -G Ninja "${launcher[@]}" \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  "${qtbase_options[@]}"
stage "build qtbase"
ninja_build qtbase "$work/qtbase"
stage "install qtbase"
logged qtbase-install cmake --install "$work/qtbase"
qt_cmake=$prefix/bin/qt-cmake

# --- Stages 5-6: the libraries built with the new Qt. ---
stage "QCustomPlot $qcp_version"
mkdir -p "$work/qcustomplot-src"
cp "$qcp_src/qcustomplot.cpp" "$qcp_src/qcustomplot.h" "$work/qcustomplot-src/"
printf '%s\n' "$qcustomplot_cmake" >"$work/qcustomplot-src/CMakeLists.txt"
logged qcustomplot-configure "$qt_cmake" -S "$work/qcustomplot-src" -B "$work/qcustomplot" -G Ninja \
  "${launcher[@]}" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix"
ninja_build qcustomplot "$work/qcustomplot"
logged qcustomplot-install cmake --install "$work/qcustomplot"
mkdir -p "$prefix/lib/cmake/QCustomPlotQt6"
printf '%s\n' "$qcustomplot_config" >"$prefix/lib/cmake/QCustomPlotQt6/QCustomPlotQt6Config.cmake"

stage "QScintilla $qsci_version"
printf '%s\n' "$qscintilla_cmake" >"$qsci_src/CMakeLists.txt"
logged qscintilla-configure "$qt_cmake" -S "$qsci_src" -B "$work/qscintilla" -G Ninja \
  "${launcher[@]}" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix"
ninja_build qscintilla "$work/qscintilla"
logged qscintilla-install cmake --install "$work/qscintilla"

# --- Stage 7: seal the cache. ---
stage "check and seal"
for f in bin/qt-cmake lib/libQt6Widgets.a lib/libQt6PrintSupport.a \
         plugins/platforms/libqwindows.a lib/libqcustomplot.a lib/libqscintilla2_qt6.a \
         include/qcustomplot.h include/Qsci/qsciscintilla.h; do
  [ -e "$prefix/$f" ] || fail "the build installed no $f"
done
printf 'qt-base %s\nqcustomplot %s\nqscintilla %s\narch %s\nrecipe %s\n' \
  "$qt_version" "$qcp_version" "$qsci_version" "$arch" "$recipe" >"$prefix/.complete"
rm -rf "$work"
say "done: $prefix ($(du -sh "$prefix" | cut -f1))"
echo "$prefix"
