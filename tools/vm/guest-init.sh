#!/bin/busybox sh
# The guest's first process, run from the initramfs. Mounts the root shared by
# the host over virtio-9p (read-only, with a memory-backed overlay on top, so
# that every boot starts from the same root; writable when the image is being
# built), mounts the host's shared folders at their own paths, and hands over
# to the job folder's runner (tools/vm/guest-job.sh) named on the kernel
# command line.
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev

fail() {
  echo "vm guest: $*" >/dev/console
  echo 1 >/proc/sys/kernel/sysrq
  echo o >/proc/sysrq-trigger
  sleep 10
}

for m in $(cat /lib/modules/order); do
  insmod "/lib/modules/$m.ko" || fail "insmod $m failed"
done

arg() {
  for a in $(cat /proc/cmdline); do
    case $a in "$1="*) echo "${a#*=}"; return ;; esac
  done
}

# Reads through 9p go through the page cache (cache=loose): without it a large
# read can come back short, and Wine, which reads a program's image in one
# read, then runs code that is partly zeros.
opts=trans=virtio,version=9p2000.L,msize=262144,cache=loose
if [ "$(arg vzrootrw)" = 1 ]; then
  mount -t 9p -o "$opts" vzroot /newroot || fail "mounting the root failed"
else
  mount -t 9p -o "$opts,ro" vzroot /lower || fail "mounting the root failed"
  mount -t tmpfs -o size=75% tmpfs /upper
  mkdir -p /upper/data /upper/work
  mount -t overlay overlay -o lowerdir=/lower,upperdir=/upper/data,workdir=/upper/work /newroot ||
    fail "the overlay failed"
fi

for share in $(arg vzshares | tr ',' ' '); do
  tag=${share%%:*}
  path=${share#*:}
  mkdir -p "/newroot$path"
  mount -t 9p -o "$opts" "$tag" "/newroot$path" || fail "mounting $path failed"
done

job=$(arg vzjob)
for m in proc sys dev; do
  mount --move "/$m" "/newroot/$m"
done
exec switch_root /newroot /bin/bash "$job/runner.sh" "$job"
