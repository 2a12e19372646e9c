# Where the Windows build's third-party libraries live, for the scripts that
# build them and the scripts that use them (sourced, not run).
#
# The folder is a cache outside every build folder: scripts/build-windows-deps
# fills it once and later runs reuse it while what it holds still matches the
# recipes.
windows_deps_dir=${VELLORA_WINDOWS_DEPS:-${XDG_CACHE_HOME:-$HOME/.cache}/vellora/mingw-w64}
windows_deps_prefix=$windows_deps_dir/prefix
