# Sourced: whether this machine runs 32-bit x86 code, asked once, before any
# Wine step. Wine's 32-bit loader is a 32-bit program, so where the kernel
# refuses one (ia32_emulation off, some hypervisors, ARM hosts) no Wine can
# load the DLL. The probe is a program of three instructions assembled here,
# run directly: no emulator is asked.
#
# lumi_probe_machine sets
#   LUMI_RUNS_32BIT     yes or no
#   LUMI_PROBE          what was probed
#   LUMI_KERNEL_SAID    what the kernel answered
#   LUMI_MACHINE        one line: the answer, what was probed, what the kernel said
# and prints LUMI_MACHINE. It returns non-zero only when the probe cannot be built.
#
# LUMI_REHEARSE_NO_32BIT=1 forces the answer "no", for rehearsing that path on
# a machine that runs 32-bit code; every line that reports the answer says so.
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
lumi_no_32bit_words="this machine runs no 32-bit x86 code"

lumi_probe_machine() {
  local dir=$root/build/probe
  local exit_code=32  # what the probe asks the kernel to exit with
  mkdir -p "$dir"
  # exit(32) through the 32-bit system call gate.
  printf '.globl _start\n_start:\n  movl $1, %%eax\n  movl $%d, %%ebx\n  int $0x80\n' "$exit_code" >"$dir/probe32.s"
  if ! as --32 -o "$dir/probe32.o" "$dir/probe32.s" || ! ld -m elf_i386 -o "$dir/probe32" "$dir/probe32.o"; then
    echo "machine probe: could not assemble and link $dir/probe32 with 'as --32' and 'ld -m elf_i386'" >&2
    return 1
  fi

  local said status=0 kernel
  said=$("$dir/probe32" 2>&1) || status=$?
  if [ "$status" -eq "$exit_code" ]; then
    LUMI_RUNS_32BIT=yes
    kernel="it ran and exited with status $exit_code, as it asks"
  else
    LUMI_RUNS_32BIT=no
    if [ "$status" -gt 128 ] && [ "$status" -lt 160 ]; then
      kernel="it was killed by signal SIG$(kill -l "$status")"
    elif [ -n "$said" ]; then
      kernel="\"${said##*: }\""
    else
      kernel="it exited with status $status, not $exit_code"
    fi
  fi
  LUMI_PROBE="${dir#"$root"/}/probe32, a 32-bit x86 ELF program of three instructions, assembled just now"
  LUMI_KERNEL_SAID=$kernel
  local probed="probed: ${dir#"$root"/}/probe32, a 32-bit x86 ELF program; the kernel answered: $kernel"
  if [ "$LUMI_RUNS_32BIT" = yes ]; then
    LUMI_MACHINE="this machine runs 32-bit x86 code ($probed)"
  else
    LUMI_MACHINE="$lumi_no_32bit_words ($probed)"
  fi
  if [ "${LUMI_REHEARSE_NO_32BIT:-}" = 1 ]; then
    LUMI_RUNS_32BIT=no
    LUMI_MACHINE="$lumi_no_32bit_words $(lumi_rehearsal_mark) (the probe found: $LUMI_MACHINE)"
  fi
  echo "machine: $LUMI_MACHINE"
}

# Appended to every line that reports the answer while it is forced.
lumi_rehearsal_mark() {
  [ "${LUMI_REHEARSE_NO_32BIT:-}" = 1 ] && echo "[REHEARSAL: LUMI_REHEARSE_NO_32BIT=1 forced this answer]"
  return 0
}
