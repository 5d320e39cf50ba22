# Sourced by the ADIF test scripts: fails when Node.js or npm is missing (scripts/setup.sh
# installs them), then installs the pinned packages of package-lock.json into WORK_DIR once
# (offline afterwards, while the lock file is unchanged and PACKAGE is there).
#   node_packages WHAT WORK_DIR SOURCE_DIR PACKAGE
node_packages() {
    local what=$1 work=$2 src=$3 package=$4 tool
    for tool in node npm; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "$what: '$tool' is missing (scripts/setup.sh installs it)" >&2
            exit 1
        fi
    done
    mkdir -p "$work"
    if ! cmp -s "$src/package-lock.json" "$work/package-lock.json" ||
        [ ! -f "$work/node_modules/$package/package.json" ]; then
        cp "$src/package.json" "$src/package-lock.json" "$work/"
        (cd "$work" && npm ci --no-audit --no-fund --loglevel=error)
    fi
}
