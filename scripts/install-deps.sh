#!/bin/sh
# Installs every Debian package that building, running and testing Skyglass needs.
# Does nothing when all of them are present; uses sudo only when not root.
set -eu

# The tools and libraries the build uses (Exempi and expat read the XMP
# metadata of partial panoramas, Little CMS converts colour profiles, libheif
# and libwebp decode HEIF, AVIF and WebP: Debian's libheif has its HEVC and
# AV1 decoders built in), Mesa's drivers that render OpenGL under Xvfb, the X
# server, the fonts, the real colour profiles, the desktop's tools and MIME
# types and ffmpeg (whose v360 filter projects cylindrical panoramas) the
# tests run with, and clang for the fuzzing build (with llvm's
# symbolizer, so that a sanitizer's report names the lines).
packages="
build-essential cmake
libirrlicht-dev libgl1-mesa-dri libx11-dev libxtst-dev
libjpeg62-turbo-dev libpng-dev zlib1g-dev libexempi-dev libexpat1-dev liblcms2-dev
libheif-dev libwebp-dev
qt6-base-dev qt6-base-dev-tools
libgtest-dev
xvfb
fonts-liberation2 colord-data desktop-file-utils shared-mime-info ffmpeg
clang libclang-rt-14-dev llvm
"

missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

[ -z "$missing" ] && exit 0

as_root=""
[ "$(id -u)" -eq 0 ] || as_root="sudo"

echo "Installing:$missing"
$as_root apt-get update -qq
DEBIAN_FRONTEND=noninteractive $as_root apt-get install -y -qq --no-install-recommends $missing
