#!/usr/bin/env bash
# Builds the Debian package of kvhost, the effect plug-ins, the frei0r modules and the man page from the
# release build:   scripts/package.sh [OUTPUT_FOLDER]      (default build/packages)
# The package is kv-curves_<version>_<arch>.deb; install it with apt or dpkg, or look inside with
# dpkg-deb --contents.
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-build/packages}"
scripts/install-deps.sh
scripts/build.sh release kvhost morrowby tarnwick kv-curves-absolute kv-curves-relative kvhost_manpage
mkdir -p "$out"
out="$(cd "$out" && pwd)"
staging="$(mktemp -d)"
trap 'rm -rf "$staging"' EXIT
cpack --config build/release/CPackConfig.cmake -G DEB -B "$staging" >/dev/null 2>"$staging/cpack.log" || {
    cat "$staging/cpack.log" >&2
    exit 1
}
package=$(find "$staging" -maxdepth 1 -name '*.deb' -print -quit)
if [[ -z "$package" ]]; then
    echo "$0: cpack made no package" >&2
    exit 1
fi
mv "$package" "$out/"
echo "$out/$(basename "$package")"
