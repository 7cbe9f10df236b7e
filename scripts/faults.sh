#!/usr/bin/env bash
# The fault campaign: every operation of partwell is run once for each input/output call it
# makes, with that call failing (EIO, ENOSPC, EINTR, a short read or write, EACCES) or with the
# program killed right after it. The shim tests/faults/io_fault_shim.cpp, preloaded, counts the
# calls and makes the fault (libfiu's preload library cannot fail the Nth call of a process nor
# kill it there). A run must end with a correct result, or with exit status 1 and a message
# that names the file and the cause; never a crash, a sanitizer report or a hang; and it must
# leave the files as the check_* functions below require. After a kill, the same command run
# again must succeed and leave nothing stale. Prints the outcomes of the runs by operation and
# fault: done (a correct result), failed (status 1 and a message), killed (and the next run
# put it right), missed (the call was not reached: the threads that read files back may make
# their calls in another order), and FAULT.
# Exits 1 when any run broke a rule; the files of each such run are kept.
#
# Usage: scripts/faults.sh [--sample [STEP]] [--build DIR] [--only OP,...] [--kinds KIND,...]
#   --sample  only every STEP-th call point (7 unless given) of each operation and fault, the
#             points shifted from fault to fault, and at most 20 of them; for CI
#   --build   the build whose bin/ holds partwell, PartwellLite and pw_io_fault_shim.so
#             (build/native unless given)
#   --only    these operations alone (split-data split-sfx split-disks split-recovery merge-over
#             merge-delete merge-rebuild verify verify-report repair settings)
#   --kinds   these faults alone (eio enospc eintr short eacces kill)
# The split across disks needs root (a small tmpfs stands for the disk); without it, it is
# skipped. FAULT_TIMEOUT (seconds, 60 unless set) ends a run that hangs.
set -uo pipefail
cd "$(dirname "$0")/.."

step=1
most_runs=20
build=build/native
only=""
kinds=(eio enospc eintr short eacces kill)
all_ops=(split-data split-sfx split-disks split-recovery merge-over merge-delete merge-rebuild
  verify verify-report repair settings)
while [ $# -gt 0 ]; do
  case $1 in
    --sample)
      step=7
      if [[ ${2:-} =~ ^[0-9]+$ ]]; then step=$2; shift; fi ;;
    --build) build=$2; shift ;;
    --only) only=$2; shift ;;
    --kinds) IFS=, read -r -a kinds <<<"$2"; shift ;;
    *) echo "usage: $0 [--sample [STEP]] [--build DIR] [--only OP,...] [--kinds KIND,...]" >&2
       exit 2 ;;
  esac
  shift
done
ops=("${all_ops[@]}")
[ -z "$only" ] || IFS=, read -r -a ops <<<"$only"

bin=$(realpath "$build/bin")
partwell=$bin/partwell
shim=$bin/pw_io_fault_shim.so
for needed in "$partwell" "$bin/PartwellLite" "$shim"; do
  [ -f "$needed" ] || { echo "faults: no $needed (build partwell, PartwellLite, pw_io_fault_shim)" >&2; exit 2; }
done
limit=${FAULT_TIMEOUT:-60}
export LC_ALL=C.UTF-8
# A sanitized build has its runtime first in the library list only without the shim. (Not a
# pipe into grep -q: ldd, cut off, would fail the pipe and the test with it.)
if [[ $(ldd "$partwell") == *libasan* ]]; then
  export ASAN_OPTIONS=verify_asan_link_order=0:${ASAN_OPTIONS:-}
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/partwell-faults.XXXXXX")
F=$work/fixture     # the sources and the files the results are compared with
R=$work/run         # the folder of the run under way
disk=$work/disk     # the small disk of the split across disks
mkdir -p "$F" "$work/templates" "$work/faults"
cleanup() {
  if mountpoint -q "$disk" 2>/dev/null; then umount "$disk"; fi
  if [ "${fault_count:-1}" -eq 0 ]; then rm -rf "$work"; fi
}
trap cleanup EXIT

make_bytes() { # SIZE SEED FILE
  python3 -c 'import random,sys; r=random.Random(int(sys.argv[2])); sys.stdout.buffer.write(r.randbytes(int(sys.argv[1])))' "$1" "$2" >"$3"
}

# Answers the program on a terminal of its own: a request for another folder is met by taking
# the disk out (its files go to the collected folder) and pressing Enter, a question by retrying.
cat >"$work/disks.py" <<'EOF'
import os, pty, shutil, sys
disk, collected, log, argv = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
pid, fd = pty.fork()
if pid == 0:
    os.execvp(argv[0], argv)
seen = b""
with open(log, "wb") as out:
    while True:
        try:
            data = os.read(fd, 65536)
        except OSError:
            break
        if not data:
            break
        out.write(data)
        seen = (seen + data)[-200:]
        if seen.endswith(b"> "):
            for name in os.listdir(disk):
                shutil.move(os.path.join(disk, name), os.path.join(collected, name))
            os.write(fd, b"\n")
            seen = b""
        elif seen.endswith(b"] "):
            keys = seen[seen.rfind(b"[") + 1:-2]
            os.write(fd, b"r\n" if b"r" in keys.split(b"/") else b"y\n" if b"y" in keys else b"\n")
            seen = b""
_, status = os.waitpid(pid, 0)
code = os.waitstatus_to_exitcode(status)
sys.exit(128 - code if code < 0 else code)
EOF

# ---- helpers

fresh() { rm -rf "$R"; cp -a "$work/templates/$op" "$R"; }
listing() { (cd "$1" && ls -A | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//'); }
same_tree() { diff -rq "$1" "$2" >/dev/null 2>&1; }
same() { cmp -s "$1" "$2"; }
# ".NAME.partwell-" and six letters and digits: a file written under a temporary name.
is_temporary() { [[ $1 =~ ^\..*\.partwell-[A-Za-z0-9]{6}$ ]]; }
# The names in a folder; temporaries left out when the run could not remove its own (it was
# killed, or the removal was the call that failed), which the next run must remove.
names() {
  local name kept=()
  for name in $(listing "$1"); do
    if [ -z "$loose" ] || ! is_temporary "$name"; then kept+=("$name"); fi
  done
  echo "${kept[*]}"
}
program_env() { env XDG_CONFIG_HOME="$R/config" HOME="$R/home" "$@"; }
run_plain() { program_env timeout -k 5 "$limit" "$@" >"$R.out" 2>"$R.err"; }
# The message of a failure names a file (of the run, or the program's own) and a cause the
# program knows.
good_message() {
  local text
  text=$(cat "$R.err" "$R.out")
  [[ $text == *"$work/"* || $text == *"$bin/"* ]] || return 1
  ! grep -qiE 'unknown error|no error message|internal application error' <<<"$text"
}
# The merged file of the package whose master is $1 (in a folder of its own) is the source.
merges_to_source() {
  rm -rf "$R/check" && mkdir "$R/check"
  run_plain "$partwell" merge "$1" -d "$R/check" -y -q && same "$R/check/src.bin" "$F/$op.bin"
  local ok=$?
  rm -rf "$R/check"
  return $ok
}
# The package files beside master $1 are taken as whole only when they are.
no_false_whole() {
  [ -f "$1" ] || return 0
  run_plain "$partwell" verify "$1" -q || return 0
  merges_to_source "$1"
}
sorted() { printf '%s\n' "$@" | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//'; }

# ---- the operations. Each has a template (its files before a run), a command, and a check of
# the files after a run that ended as `done`, `failed` or `killed`, which sets `why` when a
# rule is broken. The source is always $F/$op.bin.

# The master (of extension $1) and the pieces, three unless `pieces` says otherwise.
package_names() {
  local index names="src.bin_00000.$1"
  for ((index = 1; index <= ${pieces:-3}; index++)); do names="$names src.bin_0000$index.fss"; done
  echo "$names"
}

template_split() { # SIZE
  make_bytes "$1" 1 "$F/$op.bin"
  mkdir -p "$T/out" && cp "$F/$op.bin" "$T/src.bin"
}
# A failed split leaves nothing; a killed one leaves files that no verify takes as whole, and
# the next run replaces them.
check_split() { # OUTCOME MASTER-EXTENSION [RECOVERY FILES]
  local master=$R/out/src.bin_00000.$2
  same "$R/src.bin" "$F/$op.bin" || { why="the source changed"; return; }
  case $1 in
    done)
      [ "$(names "$R/out")" = "$(sorted $(package_names "$2") ${3:-})" ] ||
        { why="package files: $(listing "$R/out")"; return; }
      merges_to_source "$master" || why="the package does not merge to the source" ;;
    failed) [ -z "$(names "$R/out")" ] || why="left behind: $(listing "$R/out")" ;;
    killed) no_false_whole "$master" || why="a package cut short verifies as whole" ;;
  esac
}

template_split-data() { template_split 100000; }
command_split-data() { cmd=("$partwell" split "$R/src.bin" -d "$R/out" -n 4 --data-only -y -q); }
check_split-data() { check_split "$1" fsm; }

# The master holds the lite program, and a split file is at least as large: two pieces.
template_split-sfx() {
  sfx_size=$(( $(stat -c %s "$bin/PartwellLite") + 1000 ))
  template_split $(( sfx_size * 3 / 2 ))
}
command_split-sfx() {
  cmd=("$partwell" split "$R/src.bin" -d "$R/out" -s "$sfx_size" --self-extracting -y -q)
}
check_split-sfx() {
  pieces=2 check_split "$1" exe
  if [ "$1" = done ] && [ -z "$why" ] && [ ! -x "$R/out/src.bin_00000.exe" ]; then
    why="the master cannot be run"
  fi
}

template_split-recovery() { template_split 100000; }
command_split-recovery() {
  cmd=("$partwell" split "$R/src.bin" -d "$R/out" -n 4 --manifest --recovery 2 -y -q)
}
# When only the recovery files fail, the package stays whole and the message says so.
check_split-recovery() {
  if [ "$1" = failed ] && grep -q "recovery files could not be written" "$R.err"; then
    [ "$(names "$R/out")" = "$(sorted src.bin.sha256 $(package_names fsm))" ] ||
      { why="after the recovery files failed: $(listing "$R/out")"; return; }
    merges_to_source "$R/out/src.bin_00000.fsm" || why="the package kept does not merge"
    return
  fi
  check_split "$1" fsm "src.bin.par2 src.bin.sha256 src.bin.vol0+1.par2 src.bin.vol1+1.par2"
  if [ "$1" = done ] && [ -z "$why" ] && command -v par2 >/dev/null; then
    (cd "$R/out" && par2 verify -q src.bin.par2 >/dev/null 2>&1) || why="par2 finds the recovery files bad"
  fi
}

# A small memory disk: each piece fills an empty one, so the split asks for a disk per piece.
template_split-disks() {
  mkdir -p "$disk"
  mount -t tmpfs -o size=16k partwell-faults "$disk" || return 1
  disk_size=$(( $(stat -f -c '%a * %S' "$disk") ))
  template_split $(( 2 * (disk_size - 56) + 1000 ))
  mkdir -p "$T/collected"
}
setup_split-disks() { find "$disk" -mindepth 1 -delete; }
command_split-disks() {
  driver=(python3 "$work/disks.py" "$disk" "$R/collected" "$R.log")
  cmd=("$partwell" split "$R/src.bin" -d "$disk" -s "$disk_size" -y)
}
# The split starts again with the disk in the drive as the kill left it, and new disks after it.
before_rerun_split-disks() { find "$R/collected" -mindepth 1 -delete; }
# The disks taken out hold whole package files only: no part of one that failed and was
# written again on the next disk.
check_split-disks() {
  local name
  same "$R/src.bin" "$F/$op.bin" || { why="the source changed"; return; }
  case $1 in
    done)
      for name in $(listing "$R/collected"); do
        [ ! -e "$disk/$name" ] || { why="$name is on an earlier disk and on the last"; return; }
      done
      mkdir -p "$R/whole"
      cp "$R/collected"/* "$disk"/* "$R/whole/" 2>/dev/null
      [ "$(names "$R/whole")" = "$(package_names fsm)" ] || { why="package files: $(listing "$R/whole")"; return; }
      merges_to_source "$R/whole/src.bin_00000.fsm" || why="the package does not merge to the source"
      rm -rf "$R/whole" ;;
    failed) [ -z "$(names "$disk")" ] || why="left on the disk: $(listing "$disk")" ;;
  esac
}

template_package() { # SIZE [SPLIT OPTIONS]
  local size=$1
  shift
  make_bytes "$size" 2 "$F/$op.bin"
  mkdir -p "$T/pkg" "$T/out" "$work/make"
  cp "$F/$op.bin" "$work/make/src.bin"
  XDG_CONFIG_HOME=$work/make/config "$partwell" split "$work/make/src.bin" -d "$T/pkg" -n 4 -y -q "$@"
  rm -rf "$work/make"
}
master() { echo "$R/pkg/src.bin_00000.fsm"; }
# Every package file still there is as it was.
package_intact() {
  local name
  for name in $(listing "$R/pkg"); do same "$R/pkg/$name" "$T/pkg/$name" || return 1; done
}
merged_is() { [ "$(names "$R/out")" = src.bin ] && same "$R/out/src.bin" "$1"; }

template_merge-over() { template_package 100000 && make_bytes 20000 3 "$T/out/src.bin"; }
command_merge-over() { cmd=("$partwell" merge "$(master)" -d "$R/out" -y -q); }
check_merge-over() {
  same_tree "$R/pkg" "$T/pkg" || { why="the package changed"; return; }
  case $1 in
    done) merged_is "$F/$op.bin" || why="merged: $(listing "$R/out")" ;;
    failed) merged_is "$T/out/src.bin" || why="the file merged over changed: $(listing "$R/out")" ;;
    killed)
      merged_is "$F/$op.bin" || merged_is "$T/out/src.bin" ||
        why="the file merged over is neither the old one nor the merged one: $(listing "$R/out")" ;;
  esac
}

template_merge-delete() { template_package 100000; }
command_merge-delete() { cmd=("$partwell" merge "$(master)" -d "$R/out" --delete-when-done -y -q); }
# Before the first package file goes: the merged file flushed, put in place and its folder
# flushed, in that order.
durable_before_delete() {
  awk -F'\t' -v out="$R/out" -v pkg="$R/pkg/" '
    function ok() { return $3 ~ /^0/ }
    $2 == "fsync" && ok() && index($4, out "/.src.bin.partwell-") == 1 { synced = 1 }
    $2 == "rename" && ok() && synced && $5 == out "/src.bin" { renamed = 1 }
    $2 == "fsync" && ok() && renamed && ($4 == out || $4 == out "/") { durable = 1 }
    $2 == "unlink" && ok() && index($4, pkg) == 1 { exit !durable }
  ' "$R.trace"
}
check_merge-delete() {
  if [ -f "$R.trace" ] && ! durable_before_delete; then
    why="a package file went before the merged file was on the disk"
    return
  fi
  package_intact || { why="a package file changed"; return; }
  # A package that has begun to go is not merged again.
  same_tree "$R/pkg" "$T/pkg" || no_rerun=1
  case $1 in
    done)
      merged_is "$F/$op.bin" || { why="merged: $(listing "$R/out")"; return; }
      [ -n "$faulted" ] || [ -z "$(listing "$R/pkg")" ] || why="the package was not deleted" ;;
    failed)
      same_tree "$R/pkg" "$T/pkg" || { why="the package changed"; return; }
      if grep -q "is complete, but the package was kept" "$R.err"; then
        merged_is "$F/$op.bin" || why="merged: $(listing "$R/out")"
      else
        [ -z "$(names "$R/out")" ] || why="left: $(listing "$R/out")"
      fi ;;
    killed)
      if [ -z "$no_rerun" ]; then
        [ -z "$(names "$R/out")" ] || merged_is "$F/$op.bin" || why="left: $(listing "$R/out")"
      else
        merged_is "$F/$op.bin" || why="the package went, the merged file is not whole"
      fi ;;
  esac
}

# Piece 2 is missing; the merge rebuilds it from the recovery files into a temporary beside
# the merged file.
template_merge-rebuild() {
  template_package 100000 --manifest --recovery 2 && rm "$T/pkg/src.bin_00002.fss"
}
command_merge-rebuild() { cmd=("$partwell" merge "$(master)" -d "$R/out" -y -q); }
check_merge-rebuild() {
  same_tree "$R/pkg" "$T/pkg" || { why="the package changed"; return; }
  case $1 in
    done) merged_is "$F/$op.bin" || why="merged: $(listing "$R/out")" ;;
    failed) [ -z "$(names "$R/out")" ] || why="left: $(listing "$R/out")" ;;
    killed)
      [ -z "$(names "$R/out")" ] || merged_is "$F/$op.bin" || why="left: $(listing "$R/out")" ;;
  esac
}

template_verify() { template_package 100000 --manifest --recovery 2; }
command_verify() { cmd=("$partwell" verify "$(master)" -q); }
check_verify() { same_tree "$R/pkg" "$T/pkg" || why="the package changed: $(listing "$R/pkg")"; }
template_verify-report() { template_verify; }
command_verify-report() { cmd=("$partwell" verify "$(master)" --report); }
check_verify-report() { check_verify "$@"; }

# Piece 2 is damaged and piece 3 missing; repair rebuilds both from the two recovery volumes.
template_repair() {
  template_package 100000 --manifest --recovery 2 || return 1
  cp -a "$T/pkg" "$F/repaired"
  printf 'damage' | dd of="$T/pkg/src.bin_00002.fss" bs=1 seek=5000 conv=notrunc status=none
  rm "$T/pkg/src.bin_00003.fss"
}
command_repair() { cmd=("$partwell" repair "$(master)" -q); }
# Short of success, each file is as it was or rebuilt whole: never half written.
check_repair() {
  local name
  if [ "$1" = done ]; then
    same_tree "$R/pkg" "$F/repaired" || why="not repaired: $(listing "$R/pkg")"
    return
  fi
  for name in $(names "$R/pkg"); do
    same "$R/pkg/$name" "$F/repaired/$name" || same "$R/pkg/$name" "$T/pkg/$name" ||
      { why="$name is neither as it was nor rebuilt"; return; }
  done
  [ -f "$R/pkg/src.bin_00002.fss" ] || why="the damaged piece is gone"
}

settings_folder() { echo "$1/config/Velmont Computing"; }
template_settings() {
  mkdir -p "$T/config"
  XDG_CONFIG_HOME=$T/config "$partwell" settings 'Split\Files' 5 >/dev/null || return 1
  cp -a "$T" "$work/make"
  XDG_CONFIG_HOME=$work/make/config "$partwell" settings 'Split\Files' 7 >/dev/null &&
    cp "$(settings_folder "$work/make")/Partwell.reg" "$F/settings-new.reg" && rm -rf "$work/make"
}
command_settings() { cmd=("$partwell" settings 'Split\Files' 7); }
# The settings file is the old one or the new one, whole.
check_settings() {
  local folder old
  folder=$(settings_folder "$R")
  old=$(settings_folder "$T")/Partwell.reg
  [ "$(names "$folder")" = Partwell.reg ] || { why="left: $(listing "$folder")"; return; }
  case $1 in
    done) same "$folder/Partwell.reg" "$F/settings-new.reg" || why="the settings file is not the new one" ;;
    failed) same "$folder/Partwell.reg" "$old" || why="the settings file changed" ;;
    killed)
      same "$folder/Partwell.reg" "$F/settings-new.reg" || same "$folder/Partwell.reg" "$old" ||
        why="the settings file is neither the old nor the new one" ;;
  esac
}

# ---- one run

crashed() {
  grep -qE 'AddressSanitizer|LeakSanitizer|runtime error:|terminate called|Segmentation fault' \
    "$R.err" "$R.out" 2>/dev/null
}

# Runs the command with fault KIND at call N (none: only traced) and sets `outcome` (done,
# failed, killed, missed: the call was never reached, or FAULT) and `why`.
run_once() { # KIND N
  local kind=$1 n=$2 rc fault_env=() faulted_call
  fresh
  if declare -F "setup_$op" >/dev/null; then "setup_$op"; fi
  rm -f "$R.trace" "$R.out" "$R.err" "$R.log"
  driver=()
  "command_$op"
  [ "$kind" = none ] || fault_env=(PW_FAULT_KIND="$kind" PW_FAULT_AT="$n")
  # The shim goes into the program alone, not into the helpers that start it.
  program_env timeout -k 5 "$limit" "${driver[@]}" env LD_PRELOAD="$shim" \
    PW_FAULT_TRACE="$R.trace" "${fault_env[@]}" "${cmd[@]}" >"$R.out" 2>"$R.err"
  rc=$?
  [ ! -f "$R.log" ] || cat "$R.log" >>"$R.err"
  why="" faulted="" loose="" no_rerun=""
  faulted_call=$(grep -m1 'FAULT' "$R.trace" 2>/dev/null | cut -f2)
  [ -z "$faulted_call" ] || faulted=1
  [ "$kind" != kill ] && [ "$faulted_call" != unlink ] || loose=1
  if crashed; then outcome=FAULT why="crash or sanitizer report (status $rc)"; return; fi
  case $rc in
    0) outcome=done ;;
    1) outcome=failed ;;
    4) outcome=failed ;;  # verify --report: the report names the bad pieces
    124) outcome=FAULT why="hung"; return ;;
    137) outcome=killed ;;
    *) outcome=FAULT why="exit status $rc"; return ;;
  esac
  if [ "$rc" = 4 ] && [ "$op" != verify-report ]; then outcome=FAULT why="exit status 4"; return; fi
  if [ "$outcome" = killed ] && [ "$kind" != kill -o -z "$faulted" ]; then
    outcome=FAULT why="killed"
    return
  fi
  if [ "$outcome" = failed ] && ! good_message; then
    outcome=FAULT why="message: $(head -c 300 "$R.err")"
    return
  fi
  "check_$op" "$outcome"
  if [ -n "$why" ]; then outcome=FAULT; return; fi
  # What a kill or a failed removal left, the next run must clear up.
  if [ -n "$loose" ] && [ -z "$no_rerun" ]; then
    "command_$op"
    if declare -F "before_rerun_$op" >/dev/null; then "before_rerun_$op"; fi
    rm -f "$R.trace" "$R.log"
    faulted="" loose=""
    if ! run_plain "${driver[@]}" "${cmd[@]}"; then
      outcome=FAULT why="the next run failed: $(head -c 300 "$R.err")"
      return
    fi
    "check_$op" done
    [ -z "$why" ] || { outcome=FAULT why="after the next run: $why"; return; }
  fi
  [ -n "$faulted_call" ] || [ "$kind" = none ] || outcome=missed
}

# ---- the campaign

letter_of() {
  case $1 in eio) echo E ;; enospc) echo S ;; eintr) echo I ;; short) echo H ;; eacces) echo A ;; kill) echo K ;; esac
}

declare -A count
fault_count=0
started=$SECONDS
faults_list=()
table=()
columns='%-15s %-7s %6s %6s %6s %6s %6s %6s %6s'
row() { table+=("$(printf "$columns" "$@")"); }
for op in "${ops[@]}"; do
  T=$work/templates/$op
  mkdir -p "$T"
  if [ "$op" = split-disks ] && { [ "$(id -u)" -ne 0 ] || ! "template_$op" 2>/dev/null; }; then
    table+=("$(printf '%-23s %s' "$op" "skipped: mounting a tmpfs needs root")")
    continue
  fi
  [ "$op" = split-disks ] || "template_$op" || { echo "faults: cannot make the files of $op" >&2; exit 2; }
  run_once none 0
  if [ "$outcome" != done ]; then
    fault_count=$((fault_count + 1))
    faults_list+=("$op without a fault: $why $(head -c 300 "$R.err")")
    table+=("$(printf '%-23s %s' "$op" "FAULT without a fault")")
    continue
  fi
  cp "$R.trace" "$work/$op.trace"
  for index in "${!kinds[@]}"; do
    kind=${kinds[$index]}
    calls=$(cut -f1 "$work/$op.trace" | grep -c "$(letter_of "$kind")")
    for name in done failed killed missed FAULT; do count[$name]=0; done
    runs=0
    # A sample takes at most `most_runs` call points of each operation and fault.
    every=$step
    if [ "$step" -gt 1 ] && [ $(( (calls + every - 1) / every )) -gt "$most_runs" ]; then
      every=$(( (calls + most_runs - 1) / most_runs ))
    fi
    for ((n = 1; n <= calls; n++)); do
      (( (n - 1 + index) % every == 0 )) || continue
      run_once "$kind" "$n"
      runs=$((runs + 1))
      count[$outcome]=$(( ${count[$outcome]} + 1 ))
      [ "$outcome" = FAULT ] || continue
      fault_count=$((fault_count + 1))
      kept=$work/faults/$op-$kind-$n
      mkdir -p "$kept" && cp -a "$R" "$kept/files" && cp "$R".* "$kept/" 2>/dev/null
      faults_list+=("$op $kind at call $n ($(grep -m1 FAULT "$R.trace" 2>/dev/null | cut -f2,4 | tr '\t' ' ')): $why")
      echo "FAULT $op $kind $n: $why" >&2
    done
    row "$op" "$kind" "$calls" "$runs" "${count[done]}" "${count[failed]}" "${count[killed]}" \
      "${count[missed]}" "${count[FAULT]}"
  done
  if [ "$op" = split-disks ]; then umount "$disk"; fi
done

printf "$columns\n" operation fault calls runs done failed killed missed FAULT
printf '%s\n' "${table[@]}"
printf '%s\n' "${table[@]}" | awk '$3 ~ /^[0-9]+$/ { for (i = 3; i <= 9; i++) sum[i] += $i }
  END { printf "%-23s", "all"; for (i = 3; i <= 9; i++) printf " %6d", sum[i]; print "" }'
echo "$(( SECONDS - started )) s, $( [ "$step" = 1 ] && echo "every call point" || echo "every ${step}th call point")"
if [ "$fault_count" -gt 0 ]; then
  printf 'FAULT %s\n' "${faults_list[@]}"
  echo "the files of each are kept in $work/faults"
  exit 1
fi
