#!/usr/bin/env bash
# Runs one command in the virtual machine of tools/vm/ and brings back its
# standard output, standard error and exit status.
#   run.sh COMMAND [ARGUMENTS...]
# The guest boots (about 10 s), sees the project tree, the current folder and
# the folders in VZ_VM_SHARES (colon-separated) at their own paths, writable,
# runs the command in the current folder with this environment (less the
# host's own paths and display) and powers off. Standard input, when it is not
# a terminal, is read to its end first and passed in.
#   VZ_VM_TIMEOUT   seconds the guest may run (default 900); past it the guest
#                   is stopped and the run fails with exit status 124
#   VZ_VM_IMAGE     the image folder (default: tools/vm/build-image.sh's)
# A guest that stops without reporting the command's status (a crash, a
# kernel fault) fails the run with exit status 125 and the end of its console.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
project=$(cd "$here/../.." && pwd)
[ $# -gt 0 ] || { echo "usage: tools/vm/run.sh COMMAND [ARGUMENTS...]" >&2; exit 2; }
image=${VZ_VM_IMAGE:-$(bash "$here/build-image.sh")}
limit=${VZ_VM_TIMEOUT:-900}
what="$*"
[ ${#what} -gt 200 ] && what="${what:0:200}…"

mkdir -p "$project/build/vm-jobs"
job=$(mktemp -d "$project/build/vm-jobs/job.XXXXXX")
qemu_pid=""
tail_pids=()
# Stops the emulator: a TERM first (it ends at once), then a KILL.
stop_emulator() {
  kill "$1" 2>/dev/null || return 0
  for _ in $(seq 1 50); do
    kill -0 "$1" 2>/dev/null || return 0
    sleep 0.1
  done
  kill -9 "$1" 2>/dev/null
}
cleanup() {
  # Nothing here may fail: under set -e that would replace the job's status.
  if [ -n "$qemu_pid" ]; then stop_emulator "$qemu_pid" || true; fi
  for p in "${tail_pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$job"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

cp "$here/guest-job.sh" "$job/runner.sh"
printf '%q ' "$@" >"$job/cmd.sh"
pwd >"$job/cwd"
# The environment, less what belongs to this machine's own session.
export -p | grep -Ev '^declare -x (PATH|HOME|PWD|OLDPWD|SHLVL|DISPLAY|XAUTHORITY|TMPDIR|TERM|USER|LOGNAME|SHELL|HOSTNAME|MAIL|WINEPREFIX|WINELOADER|LD_[A-Z_]*|SSH_[A-Z_]*|XDG_[A-Z_]*)(=|$)' >"$job/env" || true
if [ ! -t 0 ]; then
  cat >"$job/stdin" 2>/dev/null || rm -f "$job/stdin"
fi
: >"$job/stdout"
: >"$job/stderr"
: >"$job/status"
: >"$job/console.log"

# The folders the guest sees: the project, the current folder and the extra
# ones, each once (a folder inside another shared one comes with it).
candidates=("$project" "$PWD")
IFS=: read -r -a extra <<<"${VZ_VM_SHARES:-}"
candidates+=("${extra[@]}")
shares=()
while IFS= read -r dir; do
  [ -n "$dir" ] || continue
  covered=0
  for s in "${shares[@]}"; do
    case $dir/ in "$s"/*) covered=1 ;; esac
  done
  [ "$covered" = 1 ] || shares+=("$dir")
done < <(for d in "${candidates[@]}"; do [ -n "$d" ] && realpath -m "$d"; done | sort -u)

fs_args=()
share_list=""
root_mode=",readonly=on"
[ "${VZ_VM_ROOT_WRITABLE:-0}" = 1 ] && root_mode=""
fs_args+=(-fsdev "local,id=vzroot,path=$image/root,security_model=none$root_mode"
          -device "virtio-9p-pci,fsdev=vzroot,mount_tag=vzroot")
i=0
for s in "${shares[@]}"; do
  case $s in *[,:\ ]*) echo "vm: cannot share $s (a comma, colon or space in its path)" >&2; exit 2 ;; esac
  fs_args+=(-fsdev "local,id=share$i,path=$s,security_model=none"
            -device "virtio-9p-pci,fsdev=share$i,mount_tag=share$i")
  share_list+="${share_list:+,}share$i:$s"
  i=$((i + 1))
done
# The guest trusts its emulated time stamp counter (read without leaving the
# emulated processor, where the HPET is a device to emulate on every read)
# and runs without the kernel's speculation mitigations, which under
# emulation only cost time (page-table switches on every system call).
append="console=ttyS0 quiet panic=-1 clocksource=tsc tsc=reliable mitigations=off"
append+=" vzjob=$job vzshares=$share_list"
[ "${VZ_VM_ROOT_WRITABLE:-0}" = 1 ] && append+=" vzrootrw=1"

# -cpu max without SMAP: with SMAP on, the emulator faults in the kernel at the
# return to every 32-bit process ("supervisor read access in user mode" at an
# iret), so 32-bit Wine dies at once. No KVM here: plain software emulation,
# one host thread per virtual processor.
qemu-system-x86_64 -accel tcg,thread=multi -cpu max,-smap -smp "${VZ_VM_CPUS:-2}" \
  -m "${VZ_VM_MEMORY:-4096}" -nodefaults -display none -no-reboot \
  -kernel "$image/vmlinuz" -initrd "$image/initrd.img" -append "$append" \
  "${fs_args[@]}" \
  -serial "file:$job/console.log" -serial "file:$job/stdout" \
  -serial "file:$job/stderr" -serial "file:$job/status" \
  </dev/null >"$job/qemu.log" 2>&1 &
qemu_pid=$!
# The time limit: a watchdog that stops the emulator, and ends by itself
# within a second of the emulator's end.
(
  for _ in $(seq 1 "$limit"); do
    sleep 1
    kill -0 "$qemu_pid" 2>/dev/null || exit 0
  done
  : >"$job/timed-out"
  stop_emulator "$qemu_pid"
) &
tail -n +1 -f --pid="$qemu_pid" "$job/stdout" &
tail_pids+=($!)
tail -n +1 -f --pid="$qemu_pid" "$job/stderr" >&2 &
tail_pids+=($!)
qemu_status=0
wait "$qemu_pid" || qemu_status=$?
qemu_pid=""
for p in "${tail_pids[@]}"; do wait "$p" 2>/dev/null || true; done
tail_pids=()

status=$(awk '$1 == "status" { print $2 }' "$job/status" | tr -d '\r' | tail -n 1)
if [ -n "$status" ]; then
  exit "$status"
fi
if [ -f "$job/timed-out" ]; then
  echo "vm: the guest was stopped after $limit s, still running: $what" >&2
  exit 124
fi
echo "vm: the guest stopped without finishing: $what (emulator status $qemu_status)" >&2
echo "vm: the end of its console and of the emulator's messages:" >&2
tail -n 30 "$job/console.log" | sed 's/^/  | /' >&2
tail -n 10 "$job/qemu.log" | sed 's/^/  | /' >&2
exit 125
