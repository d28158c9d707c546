#!/usr/bin/env bash
# Takes the screenshots of the software-centre entry from the real window
# under a virtual X server, into resources/desktop/screenshots/:
#   main-password.png  the program started with a database file, asking for its password
#   database.png       that database open, a record selected
# Needs xvfb, xdotool and imagemagick (not needed to build or test).
# Usage: bash scripts/take-screenshots.sh   (after building build/app/keyvale)
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${KEYVALE_IN_XVFB:-}" ]; then
    for tool in xvfb-run xdotool import; do
        command -v "$tool" >/dev/null || { echo "$tool is missing" >&2; exit 1; }
    done
    KEYVALE_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1920x1080x24" bash "$0"
fi

out=$PWD/resources/desktop/screenshots
keyvale=$PWD/build/app/keyvale
cli=$PWD/build/cli/keyvale-cli
home=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$home"' EXIT
mkdir -m 0700 "$home/runtime"
export HOME=$home XDG_RUNTIME_DIR=$home/runtime XDG_CONFIG_HOME=$home/config
export QT_QPA_PLATFORM=xcb
password="a long main password"
cd "$home"
mkdir Documents && cd Documents

# A small database to show: a few folders and one record.
printf '%s\n%s\n' "$password" "$password" | "$cli" create Personal.kvdb >/dev/null
printf '%s\n' "$password" | "$cli" mkdir Personal.kvdb Bank >/dev/null
printf '%s\n' "$password" | "$cli" mkdir Personal.kvdb Mail >/dev/null
printf '%s\n' "$password" | "$cli" mkdir Personal.kvdb Shopping >/dev/null
printf '%s\n%s\n' "$password" "Kx7#pR2m!vQ9" | "$cli" add --login anna.berg \
    --email anna.berg@example.org --url https://bank.example.org Personal.kvdb "Bank/Online banking" >/dev/null
printf '%s\n%s\n' "$password" "hT4&wZ8q" | "$cli" add --login anna \
    --email anna.berg@example.org --url https://mail.example.org Personal.kvdb "Mail/Webmail" >/dev/null
printf '%s\n' "$password" | "$cli" create Work.kvdb >/dev/null 2>&1 <<<"$password
$password" || true

"$keyvale" Personal.kvdb &
pid=$!
window=$(xdotool search --sync --classname '^keyvale$' | head -1)
# The menu entry's StartupWMClass must name the window's class.
xprop -id "$window" WM_CLASS | grep -q '"keyvale", "Keyvale"' ||
    { echo "unexpected window class: $(xprop -id "$window" WM_CLASS)" >&2; exit 1; }
sleep 3 # the password panel slides in
import -window "$window" "$out/main-password.png"

xdotool type --window "$window" --delay 20 "$password"
xdotool key --window "$window" Return
sleep 3
# Open the folder "Bank" (the first row of the tree) and select its record.
xdotool mousemove --window "$window" 80 392 click 1
sleep 0.5
xdotool key --window "$window" Right Down
sleep 1
import -window "$window" "$out/database.png"
echo "$out/main-password.png"
echo "$out/database.png"
