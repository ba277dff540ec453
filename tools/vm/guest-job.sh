#!/bin/bash
# The guest's job runner: the first process once the guest has switched to its
# root (tools/vm/run.sh copies it into each job's folder). Sets up what a
# Debian system has at boot, runs the job's command in its folder with the
# host's environment, sends its standard output, standard error and exit
# status back over the serial ports, and powers the guest off.
job=$1
mkdir -p /dev/pts /dev/shm
# What a booted Debian system has in /dev beyond the kernel's devices (the
# scripts' process substitutions read /dev/fd).
ln -sfn /proc/self/fd /dev/fd
ln -sf /proc/self/fd/0 /dev/stdin
ln -sf /proc/self/fd/1 /dev/stdout
ln -sf /proc/self/fd/2 /dev/stderr
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
# /tmp and /run in memory of their own (Wine keeps its server's socket and
# lock in /tmp), unless a shared folder lies in /tmp.
grep -q ' /tmp/' /proc/mounts || mount -t tmpfs tmpfs /tmp
mount -t tmpfs tmpfs /run
/usr/local/bin/busybox hostname vzgfx-vm
/usr/local/bin/busybox ifconfig lo 127.0.0.1 up
for port in ttyS1 ttyS2 ttyS3; do
  stty -F "/dev/$port" raw -echo
done
export HOME=/root TMPDIR=/tmp LANG=C.UTF-8
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
# The image's Wine prefix (made once when the image was built).
[ -f /opt/vzgfx/wine32/system.reg ] && export WINEPREFIX=/opt/vzgfx/wine32
source "$job/env"
cd "$(cat "$job/cwd")" || echo "vm guest: no folder $(cat "$job/cwd")" >/dev/ttyS2
stdin=/dev/null
[ -f "$job/stdin" ] && stdin=$job/stdin
# The command's output goes through pipes, not straight to the serial ports:
# programs that see a terminal write terminal controls (Wine's console
# does, around every character).
mkfifo /run/vzgfx-out /run/vzgfx-err
cat /run/vzgfx-out >/dev/ttyS1 &
out_pid=$!
cat /run/vzgfx-err >/dev/ttyS2 &
err_pid=$!
bash "$job/cmd.sh" <"$stdin" >/run/vzgfx-out 2>/run/vzgfx-err
status=$?
# A process the command left running (a Wine server) may hold the pipes open:
# what was written is passed on, then the copies end.
for _ in $(seq 1 100); do
  kill -0 "$out_pid" 2>/dev/null || kill -0 "$err_pid" 2>/dev/null || break
  sleep 0.1
done
kill "$out_pid" "$err_pid" 2>/dev/null
echo "status $status" >/dev/ttyS3
sync
/usr/local/bin/busybox poweroff -f
