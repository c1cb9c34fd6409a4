#!/usr/bin/env bash
# An eBook compiled here, opened on another release: a Debian 13 system made
# with debootstrap that has only what a reader has (GTK 3, WebKitGTK 4.1,
# GStreamer's base and good plugins: other releases of ICU, glibc and the
# rest). There the eBook's own program must start and show its window, and
# reader_check (the viewer's windows, as the program runs them) must see
# the first page, whole-book search find words of several scripts on their
# pages, and a video play. The display is an Xvfb of this machine, shared
# into the system.
# The system is kept in BUILD_DIR/debian-trixie and reused by the next run.
# ZORBIN_DEBIAN_SUITE=sid checks Debian's next release the same way, and
# ZORBIN_DEBIAN_MIRROR names another mirror.
# Needs root (chroot, mounts) and Debian's package archive; where either is
# missing it says so and is skipped (exit status 77).
# Usage: debian13_reader.sh BUILD_DIR SOURCE_DIR COMPILER READER_CHECK
set -euo pipefail
build=$1 source=$2 compiler=$3 reader_check=$4
skip() { echo "SKIPPED: $*"; exit 77; }

[ "$(id -u)" -eq 0 ] || skip "the Debian 13 system needs root (chroot and mounts), as CI has"
command -v debootstrap >/dev/null || skip "debootstrap is not installed (scripts/install-deps.sh installs it)"
unshare --mount true 2>/dev/null || skip "no mount namespace can be made here"

suite=${ZORBIN_DEBIAN_SUITE:-trixie}
cache=$build/debian-$suite root=$build/debian-$suite/root
mirror=${ZORBIN_DEBIAN_MIRROR:-http://deb.debian.org/debian}
packages="libgtk-3-0t64 libwebkit2gtk-4.1-0 librsvg2-common gstreamer1.0-plugins-base gstreamer1.0-plugins-good"

# The system, made once for this package list.
if [ "$(cat "$cache/ready" 2>/dev/null)" != "$packages" ]; then
  rm -rf "$cache"
  mkdir -p "$cache"
  echo "making a Debian $suite system in $root"
  debootstrap --variant=minbase "$suite" "$root" "$mirror" >"$cache/debootstrap.log" 2>&1 ||
    { tail -5 "$cache/debootstrap.log"; skip "debootstrap could not reach $mirror"; }
  # shellcheck disable=SC2086
  unshare --mount --propagation private sh -c "mount -t proc proc '$root/proc' &&
    chroot '$root' env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $packages" \
    >"$cache/apt.log" 2>&1 || { tail -20 "$cache/apt.log"; echo "FAIL: the reader's packages did not install"; exit 1; }
  echo "$packages" >"$cache/ready"
fi
echo "Debian $(cat "$root/etc/debian_version"): $(chroot "$root" dpkg-query -W -f='${Package} ${Version}\n' \
  libwebkit2gtk-4.1-0 'libicu[0-9]*' libc6 2>/dev/null | tr '\n' ' ')"

work=$(mktemp -d)
check=$root/zorbin-check
cleanup() {
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work" "$check"
}
trap cleanup EXIT

# The book: the example book, a page in several scripts and a page with a video.
book=$work/book
cp -r "$source/examples/book" "$book"
cat >"$book/languages.html" <<'HTML'
<!DOCTYPE html><html><head><meta charset="utf-8"><title>Tea in other tongues</title></head><body>
<p lang="fr">Le thé vert se boit au café, sans sucre.</p>
<p lang="el">Το τσάι είναι ζεστό.</p>
<p lang="ru">Крепкий чёрный чай с лимоном.</p>
<p lang="ja">緑茶は日本のお茶です。</p>
<p lang="zh">我喜欢喝绿茶。</p>
<p lang="th">ชาเขียวร้อน</p>
</body></html>
HTML
mkdir -p "$book/media"
gst-launch-1.0 -q videotestsrc num-buffers=150 ! video/x-raw,width=160,height=120,framerate=30/1 ! vp8enc deadline=1 ! \
  webmmux ! filesink location="$book/media/clip.webm" >/dev/null
echo '<!DOCTYPE html><html><body><video src="media/clip.webm" muted></video></body></html>' >"$book/video.html"
title="A Small Guide to Tea, on Debian $suite"
"$compiler" build "$book" --title "$title" -q -o "$work/book.exe"

mkdir -p "$check"
cp "$work/book.exe" "$reader_check" "$check/"

# The display: an Xvfb of this machine, its socket shared into the system.
Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
display=:$(cat "$work/display")

# Runs a command in the system, with /proc, /dev, a private /tmp (home and
# runtime folder included) and the display's socket; the mounts end with it.
in_reader_system() {
  unshare --mount --propagation private sh -c '
    root=$1; shift
    mount -t proc proc "$root/proc" && mount --rbind /dev "$root/dev" && mount -t tmpfs tmpfs "$root/tmp" &&
    mkdir -p -m 1777 "$root/tmp/.X11-unix" && mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix" &&
    mkdir -p -m 700 "$root/tmp/home" "$root/tmp/runtime" &&
    exec chroot "$root" env -i PATH=/usr/bin:/bin HOME=/tmp/home XDG_RUNTIME_DIR=/tmp/runtime DISPLAY="$DISPLAY" "$@"
  ' sh "$root" "$@"
}
export DISPLAY=$display

status=0
# The eBook's own program starts and shows its window.
in_reader_system /zorbin-check/book.exe >"$work/book.log" 2>&1 &
book_pid=$!
shown=no
for _ in $(seq 200); do
  if xwininfo -root -tree 2>/dev/null | grep -qF "\"$title\""; then shown=yes; break; fi
  kill -0 "$book_pid" 2>/dev/null || break
  sleep 0.1
done
if [ $shown = yes ]; then
  echo "ok:   the eBook's program starts and shows its window"
else
  echo "FAIL: the eBook's program showed no window: $(head -c 2000 "$work/book.log")"
  status=1
fi
pkill -TERM -f /zorbin-check/book.exe 2>/dev/null || true
wait "$book_pid" 2>/dev/null || true

# What its reader meets first.
in_reader_system /zorbin-check/reader_check /zorbin-check/book.exe video.html \
  brewing=chapters/brewing.html CAFE=languages.html "τσάι=languages.html" "черный=languages.html" \
  "緑茶=languages.html" "绿茶=languages.html" "ชาเขียว=languages.html" 2>"$work/check.log" || status=1
[ $status -eq 0 ] || { echo "reader_check's errors:"; tail -20 "$work/check.log"; }
exit $status
