#!/usr/bin/env bash
# Installs the Debian packages needed to build and test the project.
# Idempotent: packages already installed are left alone, and nothing is
# fetched when all are present. Works as root or through sudo.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  zlib1g-dev libdeflate-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libgtk-3-dev librsvg2-common adwaita-icon-theme xvfb xauth x11-utils
  libwebkit2gtk-4.1-dev libgstreamer1.0-dev
  # whole-book search: word breaking, the index
  libicu-dev libsqlite3-dev
  # the book's contents: EPUB, NCX and Devhelp tables
  libxml2-dev
  libjson-glib-dev
  # password protection: Argon2id and AES-256-GCM-SIV
  libgcrypt20-dev
  librsvg2-bin desktop-file-utils appstream groff-base bash-completion
  # the Debian package's checker
  lintian
  # an eBook opened in a Debian 13 system: debootstrap makes it
  debootstrap
  # media in eBooks: the players a reader's WebKit uses, and for the tests
  # the tools and encoders that make their clips
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
  gstreamer1.0-tools gstreamer1.0-plugins-ugly fonts-dejavu-core
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#packages[@]} packages are present"
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "install-deps: missing ${missing[*]}; run this script as root or install sudo" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
