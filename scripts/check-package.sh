#!/usr/bin/env bash
# Builds the Debian package, installs it on this machine, checks the
# installed programs, desktop entry, AppStream metadata and the package
# itself (lintian), then removes it and checks that nothing of it is left.
# Needs root (CI runs as root); run after scripts/test.sh, whose build it reuses.
set -euo pipefail
cd "$(dirname "$0")/.."

CHECK_PACKAGES=(lintian desktop-file-utils appstream man-db)
bash scripts/install-packages.sh "${CHECK_PACKAGES[@]}"

bash scripts/package.sh
deb=$(ls "${BUILD_DIR:-build}"/tolvi_*_amd64.deb)
# Each step is one check; set -e ends the run at the first that fails.
checks=0
current=""
step() { [ -n "$current" ] && checks=$((checks + 1)); current="$*"; printf '\n== %s\n' "$*"; }
trap '[ -n "$current" ] && printf "failed at: %s\nPackage: %d passed, 1 failed\n" "$current" "$checks"' ERR

step "install $deb"
dpkg -i "$deb"

# Everything below runs the installed programs, in a home of their own.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export HOME="$scratch" XDG_DATA_HOME="$scratch/share"

step "tolvi-cli --version"
/usr/bin/tolvi-cli --version | tee "$scratch/version.txt"
grep -q "^tolvi-cli $(dpkg-deb -f "$deb" Version)\$" "$scratch/version.txt"
grep -q "^Data folder: $XDG_DATA_HOME/Karvex/Tolvi\$" "$scratch/version.txt"

step "tolvi-cli --demo info"
/usr/bin/tolvi-cli --demo info

step "a download archived through the SQLite driver the package depends on"
/usr/bin/tolvi-cli --demo download -o "$scratch/demo.csv"
/usr/bin/tolvi-cli archive list | tee "$scratch/archive.txt"
grep -q "generation 1: .* 1 downloads" "$scratch/archive.txt"

step "man -w tolvi-cli"
test "$(man -w tolvi-cli)" = /usr/share/man/man1/tolvi-cli.1.gz
man -w tolvi tolvi-sim

step "the collection's systemd units start the installed tolvi-cli"
grep -qx "ExecStart=/usr/bin/tolvi-cli collect" /usr/lib/systemd/user/tolvi-collect.service
grep -qx "WantedBy=timers.target" /usr/lib/systemd/user/tolvi-collect.timer
test ! -e /etc/systemd/user/timers.target.wants/tolvi-collect.timer   # shipped disabled

step "the user manual where F1 looks for it"
test -s "/usr/share/tolvi/Tolvi-M Download Software Manual.pdf"

step "the program folder is not writable for a user"
setpriv --reuid=nobody --regid=nogroup --clear-groups sh -c 'test ! -w /usr/bin'

step "desktop-file-validate"
desktop-file-validate /usr/share/applications/tolvi.desktop

step "appstreamcli validate"
appstreamcli validate --no-net /usr/share/metainfo/com.karvex.tolvi.metainfo.xml

step "lintian"
lintian --fail-on error,warning "$deb"

step "remove"
mapfile -t files < <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^[^.]*\./, ""); print }')
dpkg --purge tolvi
left=()
for f in "${files[@]}" /usr/share/tolvi /usr/share/doc/tolvi; do
  [ -e "$f" ] && left+=("$f")
done
if dpkg-query -W tolvi >/dev/null 2>&1 && [ "$(dpkg-query -W -f='${Status}' tolvi)" != "unknown ok not-installed" ]; then
  left+=("the package record")
fi
if [ ${#left[@]} -gt 0 ]; then
  printf 'left after removal: %s\n' "${left[@]}" >&2
  false
fi
checks=$((checks + 1))
echo "Package: $checks passed, 0 failed"
