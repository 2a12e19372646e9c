# The product's own Ghostscript for Windows, cross-built with MinGW-w64 from
# Debian's ghostscript source package, and the libraries Debian strips from
# that source (lcms2, freetype, libpng, jbig2dec, openjpeg), each built static
# from Debian's own source package. Sourced by scripts/build-windows-deps,
# whose helpers (log, current, source_version, fetch_source, cmake_build) and
# variables (prefix, stamps, work, jobs, compiler, toolchain_sum, recipe) it
# uses.
#
# The result is the folder the converter expects under the system folder:
#   $prefix/ghostscript/kelp/bin/gswin32c.exe   the console program
#   $prefix/ghostscript/kelp/lib, .../fonts      searched first (-I), empty
#   $prefix/ghostscript/kelp/doc                 licence and copyright
# Ghostscript's own resources (the PostScript initialisation files, fonts,
# CMaps, colour profiles) are compiled into the program, so it needs no
# files beside it and works from any folder.

ghostscript_target=x86_64-w64-mingw32
ghostscript_cc=$ghostscript_target-gcc-posix

# The stamp of a library with its source version; empty when the source
# package is not known to apt.
library_identity() { # NAME PACKAGE
  local version
  version=$(source_version "$2")
  [ -n "$version" ] || { echo "no source package of $2: run scripts/install-packages" >&2; exit 1; }
  printf '%s %s %s %s %s\n' "$1" "$version" "$compiler" "$toolchain_sum" "$recipe"
}

# Runs a step with its output in a log, showing the log's end on failure.
logged() { # LOG COMMAND...
  local log_file=$1
  shift
  "$@" >>"$log_file" 2>&1 || { tail -n 40 "$log_file"; exit 1; }
}

# zlib is Debian's MinGW build; CMake is pointed at its static library, never
# at the DLL's import library beside it.
zlib_cmake_args=(-DZLIB_LIBRARY="/usr/$ghostscript_target/lib/libz.a"
                 -DZLIB_INCLUDE_DIR="/usr/$ghostscript_target/include")

build_lcms2() {
  local identity src bdir
  identity=$(library_identity lcms2 lcms2)
  current lcms2 "$identity" && return
  log "lcms2 ${identity#lcms2 }"
  src=$(fetch_source lcms2 "$(source_version lcms2)")
  bdir=$work/lcms2
  rm -rf "$bdir" && mkdir -p "$bdir"
  # The library alone: the utilities would want libjpeg and libtiff.
  (cd "$bdir" && logged "$bdir.log" "$src/configure" --host="$ghostscript_target" \
     CC="$ghostscript_cc" --prefix="$prefix" --enable-static --disable-shared \
     --without-jpeg --without-tiff --without-zlib)
  logged "$bdir.log" make -C "$bdir/src" -j "$jobs" install
  logged "$bdir.log" make -C "$bdir/include" install
  logged "$bdir.log" make -C "$bdir" install-pkgconfigDATA
  printf '%s\n' "$identity" >"$stamps/lcms2"
}

build_freetype() {
  local identity src
  identity=$(library_identity freetype freetype)
  current freetype "$identity" && return
  log "freetype ${identity#freetype }"
  src=$(fetch_source freetype "$(source_version freetype)")
  # With zlib: a freetype without it carries a zlib copy of its own, which
  # clashes with zlib's own library in Ghostscript's link.
  cmake_build freetype "$src" -DBUILD_SHARED_LIBS=OFF "${zlib_cmake_args[@]}" \
    -DFT_REQUIRE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON \
    -DFT_DISABLE_BROTLI=ON --
  cmake --install "$work/freetype" >/dev/null
  printf '%s\n' "$identity" >"$stamps/freetype"
}

build_libpng() {
  local identity src
  identity=$(library_identity libpng libpng1.6)
  current libpng "$identity" && return
  log "libpng ${identity#libpng }"
  src=$(fetch_source libpng1.6 "$(source_version libpng1.6)")
  # Ghostscript links libpng even without a PNG device.
  cmake_build libpng "$src" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
    -DPNG_EXECUTABLES=OFF "${zlib_cmake_args[@]}" --
  cmake --install "$work/libpng" >/dev/null
  printf '%s\n' "$identity" >"$stamps/libpng"
}

build_openjpeg() {
  local identity src
  identity=$(library_identity openjpeg openjpeg2)
  current openjpeg "$identity" && return
  log "openjpeg ${identity#openjpeg }"
  src=$(fetch_source openjpeg2 "$(source_version openjpeg2)")
  cmake_build openjpeg "$src" -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON -DBUILD_CODEC=OFF \
    -DBUILD_DOC=OFF --
  cmake --install "$work/openjpeg" >/dev/null
  printf '%s\n' "$identity" >"$stamps/openjpeg"
}

# jbig2dec's Debian source has no configure script; its library is a dozen
# C files, compiled here as its Makefile.am lists them.
build_jbig2dec() {
  local identity src version bdir file objects=()
  identity=$(library_identity jbig2dec jbig2dec)
  current jbig2dec "$identity" && return
  log "jbig2dec ${identity#jbig2dec }"
  version=$(source_version jbig2dec)
  src=$(fetch_source jbig2dec "$version")
  bdir=$work/jbig2dec
  rm -rf "$bdir" && mkdir -p "$bdir"
  for file in jbig2 jbig2_arith jbig2_arith_int jbig2_arith_iaid jbig2_huffman jbig2_hufftab \
      jbig2_segment jbig2_page jbig2_symbol_dict jbig2_text jbig2_generic jbig2_refinement \
      jbig2_mmr jbig2_halftone jbig2_image jbig2_image_pbm; do
    # MinGW's inline stdio functions would be defined in every object.
    logged "$bdir.log" "$ghostscript_cc" -O2 -D__CRT__NO_INLINE -c "$src/$file.c" -o "$bdir/$file.o"
    objects+=("$bdir/$file.o")
  done
  mkdir -p "$prefix/lib/pkgconfig" "$prefix/include"
  rm -f "$prefix/lib/libjbig2dec.a"
  logged "$bdir.log" "$ghostscript_target-ar" rcs "$prefix/lib/libjbig2dec.a" "${objects[@]}"
  cp "$src/jbig2.h" "$prefix/include/"
  version=${version#*:}
  sed -e "s|@prefix@|$prefix|" -e 's|@exec_prefix@|${prefix}|' -e 's|@libdir@|${prefix}/lib|' \
      -e 's|@includedir@|${prefix}/include|' -e "s|@VERSION@|${version%%[-+~]*}|" \
      "$src/jbig2dec.pc.in" >"$prefix/lib/pkgconfig/jbig2dec.pc"
  printf '%s\n' "$identity" >"$stamps/jbig2dec"
}

build_ghostscript() {
  local identity src version bdir out library
  version=$(source_version ghostscript)
  [ -n "$version" ] || { echo "no source package of ghostscript: run scripts/install-packages" >&2; exit 1; }
  # A library built anew means Ghostscript is linked anew.
  # The devices: pdfwrite and ps2write (PS) for the converter, and the
  # image formats an administrator's extra file types may name.
  local drivers=PS,BMP,JPEG,PNG,PCX,PBM
  identity="ghostscript $version $compiler $toolchain_sum $recipe drivers=$drivers"
  for library in lcms2 freetype libpng openjpeg jbig2dec libjpeg-turbo; do
    identity="$identity | $(cat "$stamps/$library")"
  done
  current ghostscript "$identity" && [ -f "$prefix/ghostscript/kelp/bin/gswin32c.exe" ] && return
  log "Ghostscript $version"
  src=$(fetch_source ghostscript "$version")
  # Ghostscript builds in its source folder: a copy, so that the unpacked
  # source stays as Debian ships it.
  bdir=$work/ghostscript
  rm -rf "$bdir" "$bdir.log"
  cp -a "$src" "$bdir"
  # This build uses Ghostscript's Unix platform files; on Windows a list of
  # folders (-I, GS_LIB, FONTPATH) is separated by ';', since ':' follows
  # every drive letter.
  sed -i 's/^const char gp_file_name_list_separator = .:.;/const char gp_file_name_list_separator = '"';'"';/' \
    "$bdir/base/gp_unifn.c"
  grep -q "gp_file_name_list_separator = ';'" "$bdir/base/gp_unifn.c" ||
    { echo "Ghostscript's list separator was not found to change" >&2; exit 1; }
  # MinGW-w64 has no setenv(), which a Debian patch calls.
  cat >"$bdir/setenv-shim.c" <<'SHIM'
#include <stdlib.h>
int setenv(const char *name, const char *value, int overwrite) {
  if (!overwrite && getenv(name) != NULL) return 0;
  return _putenv_s(name, value) == 0 ? 0 : -1;
}
SHIM
  logged "$bdir.log" "$ghostscript_cc" -O2 -c "$bdir/setenv-shim.c" -o "$bdir/setenv-shim.o"
  # The shipped configure script is older than its configure.ac.
  (cd "$bdir" && logged "$bdir.log" env NOCONFIGURE=1 ./autogen.sh)
  # Ghostscript's configure runs "$PKGCONFIG", a program, not a function.
  cat >"$bdir/pkg-config-target" <<WRAPPER
#!/bin/sh
PKG_CONFIG_LIBDIR='$prefix/lib/pkgconfig:/usr/$ghostscript_target/lib/pkgconfig' exec pkg-config --static "\$@"
WRAPPER
  chmod +x "$bdir/pkg-config-target"
  # PDF input needs jbig2dec and openjpeg (static: OPJ_STATIC). Nothing of
  # the host: no X, CUPS, fontconfig, ... (and no libtiff: no TIFF devices).
  (cd "$bdir" && logged "$bdir.log" ./configure --host="$ghostscript_target" \
     --build=x86_64-pc-linux-gnu CC="$ghostscript_cc" CCAUX=gcc PKGCONFIG="$bdir/pkg-config-target" \
     CPPFLAGS="-I$prefix/include -DOPJ_STATIC" LDFLAGS="-L$prefix/lib -static -static-libgcc" \
     LIBS=-lpthread --without-x --disable-cups --disable-gtk --without-libidn --without-libpaper \
     --without-tesseract --disable-fontconfig --disable-dbus --without-ijs --without-libtiff \
     --without-pcl --without-xps --without-gpdl --with-libiconv=no --without-urf --without-cal \
     --with-drivers="$drivers")
  # Resources compiled in; the default search path names no folder of the
  # build machine.
  logged "$bdir.log" make -C "$bdir" -j "$jobs" XTRALIBS="$bdir/setenv-shim.o" COMPILE_INITS=1 \
    GS_LIB_DEFAULT=
  out=$prefix/ghostscript/kelp
  rm -rf "$prefix/ghostscript"
  mkdir -p "$out/bin" "$out/lib" "$out/fonts" "$out/doc"
  "$ghostscript_target-strip" -o "$out/bin/gswin32c.exe" "$bdir/bin/gs.exe"
  cp "$bdir/LICENSE" "$out/doc/LICENSE"
  cp "$bdir/doc/COPYING" "$out/doc/COPYING"
  cp "$bdir/debian/copyright" "$out/doc/copyright"
  printf 'Built for 64-bit Windows from Debian'"'"'s source package ghostscript %s.\n' "$version" \
    >"$out/doc/VERSION"
  printf '%s\n' "$identity" >"$stamps/ghostscript"
}

build_windows_ghostscript() {
  build_lcms2
  build_freetype
  build_libpng
  build_openjpeg
  build_jbig2dec
  build_ghostscript
}
