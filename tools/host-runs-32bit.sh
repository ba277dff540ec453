#!/usr/bin/env bash
# Exits 0 when this machine runs 32-bit x86 programs itself, 1 otherwise.
# The probe is the smallest such program: assembled and linked here, it only
# ends with exit code 0. Kernels built without 32-bit support refuse it.
set -u
command -v as >/dev/null && command -v ld >/dev/null || exit 1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf '.globl _start\n_start:\n  movl $1, %%eax\n  xorl %%ebx, %%ebx\n  int $0x80\n' >"$dir/probe.s"
as --32 -o "$dir/probe.o" "$dir/probe.s" 2>/dev/null &&
  ld -m elf_i386 -o "$dir/probe" "$dir/probe.o" 2>/dev/null &&
  "$dir/probe" 2>/dev/null || exit 1
