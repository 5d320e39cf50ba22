# Sourced by the build scripts: when ccache is there, compile through it. The cache lives outside
# the clone (ccache's own folder in the user's home) and is keyed on paths relative to the source
# root ($root), so a fresh clone elsewhere on the same machine, or a second build folder, reuses
# what an earlier build compiled. Sets the array `launcher` for cmake.
launcher=()
if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    export CCACHE_BASEDIR=$root
    export CCACHE_NOHASHDIR=1
    export CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-8G}
    # The precompiled headers: ccache takes a file compiled with one when these are sloppy.
    export CCACHE_SLOPPINESS=${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}
fi
