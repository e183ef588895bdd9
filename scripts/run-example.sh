#!/usr/bin/env bash
# Installs what is missing, builds the runtime and runs the bundled example
# applications: images appended to a copy of the runtime, loaded, linked and
# run. hello greets through a message box; tally counts words with a
# Dictionary, sorts them and formats their shares; the Address Book is a
# desktop application, driven headless through a user's session by a script
# (or, with TESSERA_DISPLAY=x11 and a display, opened for you to use).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
build=${TESSERA_BUILD_DIR:-$root/build}
echo "run: starting examples/hello (message boxes print to standard error when headless)"
"$build/run32" "$build/examples/hello/hello"
echo "run: starting examples/tally"
"$build/run32" "$build/examples/tally/tally"

book="$build/examples/addressbook/addressbook"
session="$build/addressbook-session"
rm -rf "$session"
mkdir -p "$session"
cd "$session"
if [ "${TESSERA_DISPLAY:-}" = x11 ] && [ -n "${DISPLAY:-}" ]; then
  echo "run: opening examples/addressbook on $DISPLAY; its database is $(dirname "$book")/AddressBook.tdb"
  exec "$build/run32" "$book"
fi
echo "run: starting examples/addressbook, driven by examples/addressbook/addressbook.script"
echo "run: it adds three contacts, edits one, sorts, exports, prints and quits; its transcript:"
TESSERA_SCRIPT="$root/examples/addressbook/addressbook.script" TESSERA_DESKTOP_SIZE=640x420 \
  TESSERA_PRINT_FOLDER="$session" "$build/run32" "$book"
echo "run: the database is $(dirname "$book")/AddressBook.tdb (reopened by the next run);"
echo "run: screenshots of the main window and the dialogs, the export and the printed"
echo "run: pages are in $session:"
ls "$session"
