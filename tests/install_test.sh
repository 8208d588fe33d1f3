#!/usr/bin/env bash
# make install and make package, checked: the files laid out under DESTDIR,
# the desktop entry, the manual pages, the package's file list, its
# dependencies (computed, not written by hand) and lintian's verdict.
#   tests/install_test.sh BUILD_DIR
set -euo pipefail
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

expected="usr/bin/corvel
usr/bin/corvel-cli
usr/share/applications/corvel.desktop
usr/share/doc/corvel/README.md
usr/share/doc/corvel/changelog.gz
usr/share/doc/corvel/copyright
usr/share/doc/corvel/docs/architecture.md
usr/share/doc/corvel/docs/behaviour.md
usr/share/doc/corvel/docs/benchmarks.md
usr/share/doc/corvel/docs/cli.md
usr/share/doc/corvel/docs/testing.md
usr/share/doc/corvel/docs/window.md
usr/share/icons/hicolor/scalable/apps/corvel.svg
usr/share/man/man1/corvel-cli.1.gz
usr/share/man/man1/corvel.1.gz"

DESTDIR="$tmp/root" cmake --install "$build" --prefix /usr > /dev/null
got=$(cd "$tmp/root" && find . -type f | sed 's|^\./||' | sort)
[ "$got" = "$expected" ] || fail "installed files differ:"$'\n'"$got"
"$tmp/root/usr/bin/corvel-cli" --version | grep -qx "corvel-cli [0-9.]*" || fail "corvel-cli --version"

desktop-file-validate "$tmp/root/usr/share/applications/corvel.desktop" || fail "desktop entry"
grep -qx 'MimeType=video/x-ms-asf;video/x-ms-wmv;audio/x-ms-wma;' "$tmp/root/usr/share/applications/corvel.desktop" ||
  fail "MIME types"
for page in "$tmp"/root/usr/share/man/man1/*.1.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 > "$tmp/page.txt")
  [ -z "$warnings" ] || fail "$page: $warnings"
  grep -q "EXIT STATUS" "$tmp/page.txt" || fail "$page has no exit status"
done
# Every subcommand of corvel-cli has its section in the manual page.
for sub in info scan verify save repair reconstruct join avi frames; do
  zcat "$tmp/root/usr/share/man/man1/corvel-cli.1.gz" | grep -qx ".SS $sub" || fail "no section for $sub"
done

(cd "$build" && cpack -G DEB -B "$tmp/package" > /dev/null)
deb=$(ls "$tmp"/package/corvel_*.deb)
listed=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./||' | sort)
[ "$listed" = "$expected" ] || fail "package files differ:"$'\n'"$listed"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libstdc++6 libqt6widgets6 libavcodec; do
  echo "$depends" | grep -q "$lib" || fail "Depends lacks $lib: $depends"
done
verdict=$(lintian "$deb" 2>&1 | grep -E '^(E|W):' || true)
[ -z "$verdict" ] || fail "lintian: $verdict"
echo "install and package: ok ($deb)"
