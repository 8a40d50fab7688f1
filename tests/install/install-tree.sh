#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks that everything a desktop and man(1) look for
# is there, and nothing else.
# usage: install-tree.sh BUILD_DIR
set -euo pipefail
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$1" --prefix "$prefix" >/dev/null

expected="bin/ardenox-cli
bin/ardenox-config
bin/ardenox-sim
share/applications/com.brannik.ArdenoXModbus.desktop
share/bash-completion/completions/ardenox-cli
share/doc/ardenox-modbus/README.md
share/doc/ardenox-modbus/changelog.gz
share/doc/ardenox-modbus/copyright
share/doc/ardenox-modbus/docs/after-write.png
share/doc/ardenox-modbus/docs/bus-wiring.svg
share/doc/ardenox-modbus/docs/connection-dialog-found.png
share/doc/ardenox-modbus/docs/field-guide.md
share/doc/ardenox-modbus/docs/main-window.png
share/doc/ardenox-modbus/docs/not-connected-hint.png
share/doc/ardenox-modbus/docs/scan-progress.png
share/doc/ardenox-modbus/docs/traffic-window.png
share/doc/ardenox-modbus/docs/two-four-wire.svg
share/doc/ardenox-modbus/docs/windows-connection-dialog.png
share/doc/ardenox-modbus/docs/windows-main-window.png
share/doc/ardenox-modbus/docs/windows-setup-welcome.png
share/icons/hicolor/16x16/apps/ardenox-config.png
share/icons/hicolor/24x24/apps/ardenox-config.png
share/icons/hicolor/32x32/apps/ardenox-config.png
share/icons/hicolor/48x48/apps/ardenox-config.png
share/icons/hicolor/64x64/apps/ardenox-config.png
share/icons/hicolor/scalable/apps/ardenox-config.svg
share/man/man1/ardenox-cli.1.gz
share/man/man1/ardenox-config.1.gz
share/man/man1/ardenox-sim.1.gz
share/metainfo/com.brannik.ArdenoXModbus.metainfo.xml"
actual=$(cd "$prefix" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
if [ "$actual" != "$expected" ]; then
    diff <(echo "$expected") <(echo "$actual")
    exit 1
fi
# The desktop entry names an icon and a program that were installed.
grep -qx 'Icon=ardenox-config' "$prefix/share/applications/com.brannik.ArdenoXModbus.desktop"
grep -qx 'Exec=ardenox-config' "$prefix/share/applications/com.brannik.ArdenoXModbus.desktop"
# The copyright is machine-readable, the changelog a valid gzip stream, and the pictures the README and
# the guide link to were installed beside them.
doc="$prefix/share/doc/ardenox-modbus"
head -1 "$doc/copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/'
gzip -t "$doc/changelog.gz"
for page in "$doc/README.md" "$doc/docs/field-guide.md"; do
    for link in $(grep -o '](\([^)#]*\.\(png\|svg\)\)' "$page" | sed 's/^](//'); do
        [ -f "$(dirname "$page")/$link" ] || { echo "$page links to missing $link"; exit 1; }
    done
done
