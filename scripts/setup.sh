#!/usr/bin/env bash
# Installs what building and testing the runtime needs on a Debian 12 machine.
# Idempotent: packages already present are left alone, and apt is only asked
# when something is missing.
set -euo pipefail

# Packages for the host (amd64) side.
# xvfb: a virtual X server for the smoke test of the presented desktop.
# timgm6mb-soundfont: the small General MIDI sound font the NotePlayer plays with.
# pandoc: writes the rich-text documents of other programs the rich-edit tests read.
host_packages=(cmake make g++ g++-multilib qemu-user-static googletest file fonts-liberation fonts-ipafont-gothic libsqlite3-dev clang libclang-rt-14-dev xvfb
  timgm6mb-soundfont pandoc)
# Picture codecs for the native fuzz targets and benchmarks; imagemagick writes
# the other programs' picture files the codec tests read back.
host_packages+=(libpng-dev libjpeg62-turbo-dev libgif-dev imagemagick)
# Printing: poppler-utils (pdfinfo, pdftotext) checks the PDF files the host printer writes.
host_packages+=(poppler-utils)
# Packages whose 32-bit builds the runtime links against (multiarch i386).
# FluidSynth, libsndfile and ALSA: MIDI notes and sound files (src/platform/winmm).
# These, libX11, cairo and ICU's i18n library are loaded when first used: the
# build takes only their headers, the -dev packages bring the libraries too.
i386_packages=(libfreetype-dev libpng-dev libx11-dev libicu-dev libsqlite3-dev
  libfluidsynth-dev libsndfile1-dev libasound2-dev)
# Picture codecs (PNG is already above).
i386_packages+=(libjpeg62-turbo-dev libgif-dev)
# Printing: the host printer renders its pages with cairo's PDF surface.
i386_packages+=(libcairo2-dev)

missing=()
for p in "${host_packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
for p in "${i386_packages[@]}"; do
  dpkg -s "$p:i386" >/dev/null 2>&1 || missing+=("$p:i386")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all build dependencies are present"
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: missing packages: ${missing[*]} (run as root to install them)" >&2
  exit 1
fi

if [ ${#i386_packages[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup: enabling the i386 architecture for 32-bit libraries"
  dpkg --add-architecture i386
fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "setup: done"
