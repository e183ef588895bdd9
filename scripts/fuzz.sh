#!/usr/bin/env bash
# Builds the fuzz targets (database, number formatting, Japanese converters,
# window layout and menu records, virtual volumes, movie headers, picture
# readers, rich text) with clang (libFuzzer, ASan, UBSan) in build-fuzz/ and
# runs each for a short while (FUZZ_SECONDS, default 60); FUZZ_TARGETS picks
# some.
# Crashes are left in build-fuzz/artifacts/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
build=${TESSERA_BUILD_DIR:-$root/build-fuzz}
seconds=${FUZZ_SECONDS:-60}
CC=clang CXX=clang++ TESSERA_BUILD_DIR=$build TESSERA_BUILD_TYPE=RelWithDebInfo \
  bash "$root/scripts/build.sh" -DTESSERA_NATIVE_ENGINES=ON -DTESSERA_FUZZ=ON
mkdir -p "$build/artifacts"
# The picture readers start from small files of each variant, written by
# ImageMagick here rather than kept as blobs.
seed_pictures() {
  local dir=$build/corpus src=$build/corpus/seed.png
  mkdir -p "$dir/bmp_picture_fuzz" "$dir/png_picture_fuzz" "$dir/jpeg_picture_fuzz" "$dir/gif_picture_fuzz"
  convert -size 5x3 gradient:red-blue "$src"
  local b=$dir/bmp_picture_fuzz p=$dir/png_picture_fuzz j=$dir/jpeg_picture_fuzz g=$dir/gif_picture_fuzz
  convert "$src" -type TrueColor BMP3:"$b/24.bmp"
  convert "$src" -colors 6 -type Palette -compress RLE BMP3:"$b/rle8.bmp"
  convert "$src" -colors 6 -type Palette BMP3:"$b/4.bmp"
  convert "$src" -monochrome BMP3:"$b/1.bmp"
  convert "$src" -alpha set -channel A -evaluate set 50% BMP:"$b/32a.bmp"
  convert "$src" -alpha off -define bmp:subtype=RGB565 BMP:"$b/16.bmp"
  convert "$src" -type Palette BMP2:"$b/os2.bmp"
  convert "$src" PNG24:"$p/24.png"
  convert "$src" PNG8:"$p/8.png"
  convert "$src" -alpha set -channel A -evaluate set 50% PNG32:"$p/32.png"
  convert "$src" -colorspace Gray PNG:"$p/grey.png"
  convert "$src" -interlace PNG -depth 16 PNG48:"$p/interlaced16.png"
  convert "$src" JPEG:"$j/baseline.jpg"
  convert "$src" -interlace JPEG JPEG:"$j/progressive.jpg"
  convert "$src" -colorspace CMYK JPEG:"$j/cmyk.jpg"
  convert "$src" -colorspace Gray JPEG:"$j/grey.jpg"
  convert "$src" GIF:"$g/plain.gif"
  convert "$src" -interlace GIF GIF:"$g/interlaced.gif"
  convert "$src" -transparent red GIF:"$g/transparent.gif"
  rm -f "$src"
}
seed_pictures
status=0
for target in ${FUZZ_TARGETS:-sql_fuzz file_fuzz format_fuzz japanese_fuzz layout_record_fuzz menu_record_fuzz volume_fuzz movie_header_fuzz bmp_picture_fuzz png_picture_fuzz jpeg_picture_fuzz gif_picture_fuzz rtf_fuzz}; do
  mkdir -p "$build/corpus/$target"
  corpora=("$build/corpus/$target")
  if [ -d "$root/fuzz/corpus/$target" ]; then corpora+=("$root/fuzz/corpus/$target"); fi
  echo "fuzz: running $target for $seconds s"
  "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$build/artifacts/$target-" -print_final_stats=1 \
    "${corpora[@]}" 2>&1 | tail -n 12 || status=1
done
exit $status
