#!/usr/bin/env bash
# Builds the virtual machine that runs the 32-bit Windows programs where this
# machine's kernel refuses 32-bit executables: a Debian kernel, an initramfs
# of busybox and the virtio/9p/overlay modules, and a Debian root holding
# 32-bit Wine, Xvfb and the X tools the end-to-end tests use, with one Wine
# prefix made in it once.
#   build-image.sh        prints the image's folder, building it when missing
# Everything comes from the Debian mirror this machine's apt uses. The image
# is kept in a cache folder (VZ_VM_CACHE, by default ~/.cache/vzgfx-vm) under
# a name made from its recipe (tools/vm/recipe), so it is built once per
# machine and again only when the recipe changes. The build works in a folder
# of its own and renames it when every stage is done: an interrupted or failed
# build is never taken for a finished one, and the next build goes on from
# the last stage that was finished.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=${VZ_VM_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vzgfx-vm}
source "$here/recipe"

recipe_id=$( { cat "$here/recipe" "$here/guest-init.sh" "$here/make-prefix.sh"; } | sha256sum | cut -c1-16)
image=$cache/image-$recipe_id
[ -f "$image/finished" ] && { echo "$image"; exit 0; }

mkdir -p "$cache"
exec 9>"$cache/build.lock"
flock 9
[ -f "$image/finished" ] && { echo "$image"; exit 0; }

log() { echo "vm image: $*" >&2; }
start=$(date +%s)
elapsed() { echo "$(( $(date +%s) - start )) s"; }
# Holding the lock, a folder of another recipe still being built is left over.
for old in "$cache"/building-*; do
  [ -e "$old" ] && [ "$old" != "$cache/building-$recipe_id" ] && rm -rf --one-file-system "$old"
done
work=$cache/building-$recipe_id
mkdir -p "$work"
mounted=()
unmount_all() {
  local m
  for m in "${mounted[@]}"; do umount -l "$m" 2>/dev/null || true; done
  mounted=()
}
trap unmount_all EXIT
trap 'exit 1' INT TERM HUP

# The mirror: the first Debian archive in this machine's apt sources that
# carries the release.
mirror=$(
  { cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null || true; } |
    awk -v s="$suite" '$1 == "deb" { for (i = 2; i <= NF; i++) if ($i ~ /^[a-z]+:\/\//) { if ($(i+1) == s) { print $i; exit } break } }'
)
if [ -z "$mirror" ]; then
  mirror=$(
    { cat /etc/apt/sources.list.d/*.sources 2>/dev/null || true; } |
      awk -v s="$suite" '
        /^$/ { if (u != "" && ok) { print u; exit } u = ""; ok = 0 }
        /^URIs:/ { u = $2 }
        /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == s) ok = 1 }
        END { if (u != "" && ok) print u }' | head -n 1
  )
fi
[ -n "$mirror" ] || { log "no Debian mirror for $suite in this machine's apt sources"; exit 1; }
log "building $image (recipe $recipe_id)"

# Stage 1, the kernel and the initramfs: the release's current amd64 kernel,
# unpacked, not installed (32-bit emulation built in, 9p and overlayfs as
# modules); busybox, the modules with what they depend on in load order, and
# the init script.
if [ ! -f "$work/boot.done" ]; then
  rm -rf "$work/boot"
  mkdir -p "$work/boot/deb"
  kernel_pkg=$(apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-[0-9]/ { print $2; exit }')
  [ -n "$kernel_pkg" ] || { log "apt does not know linux-image-amd64 (run apt-get update)"; exit 1; }
  (cd "$work/boot/deb" && apt-get download -qq -o APT::Sandbox::User=root "$kernel_pkg" >/dev/null) ||
    { log "could not download $kernel_pkg"; exit 1; }
  dpkg-deb -x "$work"/boot/deb/*.deb "$work/boot/kernel"
  kver=$(ls "$work/boot/kernel/lib/modules")
  tree=$work/boot/kernel/lib/modules/$kver
  initrd=$work/boot/initrd
  mkdir -p "$initrd"/{bin,dev,proc,sys,lower,upper,newroot,lib/modules}
  declare -A added=()
  order=()
  add_module() {
    local name=$1 file dep
    [ -n "${added[$name]:-}" ] && return 0
    added[$name]=1
    file=$(find "$tree" \( -name "$name.ko*" -o -name "${name//_/-}.ko*" \) | head -n 1)
    [ -n "$file" ] || { log "module $name missing from $kernel_pkg"; return 1; }
    case $file in
      *.ko) cp "$file" "$initrd/lib/modules/$name.ko" ;;
      *.ko.xz) xz -dc "$file" >"$initrd/lib/modules/$name.ko" ;;
      *) log "module $file: unknown compression"; return 1 ;;
    esac
    for dep in $(tr '\0' '\n' <"$initrd/lib/modules/$name.ko" | sed -n 's/^depends=//p' | tr ',' ' '); do
      add_module "$dep"
    done
    order+=("$name")
  }
  for m in "${modules[@]}"; do add_module "$m"; done
  printf '%s\n' "${order[@]}" >"$initrd/lib/modules/order"
  cp /bin/busybox "$initrd/bin/busybox"
  cp "$here/guest-init.sh" "$initrd/init"
  chmod +x "$initrd/init"
  (cd "$initrd" && find . | /bin/busybox cpio -o -H newc 2>/dev/null | gzip -1 >"$work/initrd.img")
  cp "$work/boot/kernel/boot/vmlinuz-$kver" "$work/vmlinuz"
  rm -rf "$work/boot"
  touch "$work/boot.done"
  log "kernel $kver, modules ${order[*]} ($(elapsed))"
fi

# Stage 2, the root: a minimal Debian, then the recipe's packages installed in
# a chroot, and busybox (the guest's job ends by powering the machine off).
if [ ! -f "$work/root.done" ]; then
  rm -rf --one-file-system "$work/root"
  log "debootstrap ($(elapsed))"
  debootstrap --variant=minbase --arch=amd64 "$suite" "$work/root" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    { tail -n 20 "$work/debootstrap.log" >&2; log "debootstrap failed"; exit 1; }
  rm -f "$work/debootstrap.log"
  echo "deb $mirror $suite main" >"$work/root/etc/apt/sources.list"
  cp /etc/resolv.conf "$work/root/etc/resolv.conf" 2>/dev/null || true
  for m in proc sys dev; do
    mount --bind "/$m" "$work/root/$m"
    mounted=("$work/root/$m" "${mounted[@]}")
  done
  chroot_apt() { chroot "$work/root" env DEBIAN_FRONTEND=noninteractive apt-get -qq "$@"; }
  chroot "$work/root" dpkg --add-architecture i386
  log "installing ${root_packages[*]} ($(elapsed))"
  ok=0
  for attempt in 1 2 3; do
    if chroot_apt update && chroot_apt install -y --no-install-recommends "${root_packages[@]}" >"$work/apt.log" 2>&1; then
      ok=1
      break
    fi
    log "install attempt $attempt failed"
    tail -n 5 "$work/apt.log" >&2 || true
    sleep 15
  done
  [ "$ok" = 1 ] || { log "the root's packages could not be installed"; exit 1; }
  chroot_apt clean
  rm -rf "$work/root/var/lib/apt/lists"/* "$work/apt.log"
  unmount_all
  cp /bin/busybox "$work/root/usr/local/bin/busybox"
  touch "$work/root.done"
  log "root installed ($(elapsed))"
fi

# Stage 3, the Wine prefix, made once inside the guest with its root writable
# (minutes under emulation; more than 20 on a machine busy with other work).
if [ ! -f "$work/prefix.done" ]; then
  rm -rf "$work/root/opt/vzgfx/wine32"
  log "making the Wine prefix in the guest ($(elapsed))"
  VZ_VM_IMAGE=$work VZ_VM_ROOT_WRITABLE=1 VZ_VM_TIMEOUT=${VZ_VM_PREFIX_TIMEOUT:-3600} \
    bash "$here/run.sh" bash "$here/make-prefix.sh" >&2 ||
    { log "making the Wine prefix in the guest failed"; exit 1; }
  [ -f "$work/root/opt/vzgfx/wine32/system.reg" ] || { log "the guest made no Wine prefix"; exit 1; }
  touch "$work/prefix.done"
fi

touch "$work/finished"
rm -rf --one-file-system "$image"
mv "$work" "$image"
log "done in $(elapsed): $(du -sh "$image" | cut -f1)"
echo "$image"
