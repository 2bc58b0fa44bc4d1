#!/usr/bin/env bash
# Usage: cli_faults.sh CLI
# The command line where the system fails it for real: system calls made to fail with strace,
# a file-size limit, a hang-up, standard output that cannot be written. Every row checks the
# exit status, what is printed, and that each photo holds its original or its optimized bytes,
# with no temporary file left.
set -uo pipefail

cli=$1
corpus=${SPARROWTRIM_CORPUS_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# Photos: two to rewrite (one larger than the size limit below), one with nothing to change.
mkdir "$work/expected"
cp "$corpus/exif-canon-40d-thumb-icc.jpg" "$work/expected/small.jpg"
cp "$corpus/camera-flir-vue-12-app1.jpg" "$work/expected/large.jpg"
cp "$corpus/restarts-dri.jpg" "$work/expected/lean.jpg"
cp "$corpus/phone-iphone-hdr-makernotes-dri.jpg" "$work/expected/big.jpg" # 1.9 MB, 20 kB to drop
chmod u+w "$work/expected"/*
cp -r "$work/expected" "$work/original"
"$cli" --quiet "$work/expected" || exit 1
for i in $(seq 1 300); do cp "$work/original/small.jpg" "$work/original/many-$i.jpg"; done
for i in $(seq 1 10); do cp "$work/original/big.jpg" "$work/original/big-$i.jpg"; done
cp "$work/expected/small.jpg" "$work/expected/many.jpg"

# The leak checker of a sanitizer build cannot work under strace.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
strace_works=1
strace -f -o /dev/null true 2>/dev/null || strace_works=0

# Sends a hang-up to the command line, run under strace, once it has handled some files.
hang_up() {
  "$@" &
  local tracer=$! child=""
  sleep 1
  child=$(cat "/proc/$tracer/task/$tracer/children" 2>/dev/null || pgrep -P "$tracer")
  kill -HUP $child
  wait $tracer
}

# Runs a command on another file system holding the photos PATTERN names, which come back here
# afterwards; a temporary file left there fails the command. Returns 99 where no such file
# system can be made here. TYPE: a size for a memory file system, "ntfs" (ntfs-3g), or "fuse"
# (bindfs: a view of this folder, the photos staying where they are).
on_disk() {
  local type=$1 pattern=$2 disk=$work/disk status
  shift 2
  mkdir -p "$disk"
  case $type in
    fuse) bindfs "$PWD" "$disk" 2>/dev/null || return 99 ;;
    ntfs) truncate -s 24M "$work/ntfs.img" && mkntfs -F -q -Q "$work/ntfs.img" >/dev/null 2>&1 &&
      ntfs-3g "$work/ntfs.img" "$disk" 2>/dev/null || return 99 ;;
    *) mount -t tmpfs -o "size=$type" tmpfs "$disk" 2>/dev/null || return 99 ;;
  esac
  [ "$type" = fuse ] || mv $pattern "$disk"/
  (cd "$disk" && eval "$*")
  status=$?
  [ -z "$(find "$disk" -name '.*sparrowtrim-tmp')" ] || status=98
  [ "$type" = fuse ] || mv "$disk"/*.jpg .
  umount "$disk"
  return $status
}

# name | command (run in the photos' folder, "$cli" and "$log" at hand) | status | stdout |
# stderr | rewritten: which photos must hold their optimized bytes (the others their original)
rows=(
  "GroupFlushFailsSoEachFileIsFlushed|strace -f -o /dev/null -e trace=syncfs -e inject=syncfs:error=EIO \$cli --quiet small.jpg large.jpg lean.jpg|0|||small large"
  "GroupAndFileFlushesFail|strace -f -o /dev/null -e trace=syncfs,fdatasync -e inject=syncfs,fdatasync:error=EIO \$cli --quiet small.jpg large.jpg|1|ERROR:  Could not write output file.	large.jpg|large.jpg: flushing the new file to the disk: Input/output error|"
  "SizeLimitEndsTheRun|ulimit -f 16; \$cli small.jpg large.jpg lean.jpg|1|Files processed: 3|large.jpg: writing the temporary file: File too large|small"
  "HangUpEndsTheRun|hang_up strace -f -o /dev/null -e trace=sync_file_range -e inject=sync_file_range:delay_exit=100000 \$cli --jobs 1 --log \"\$log\" many-*.jpg|1|Files processed: |sparrowtrim-cli: stopped; |many-1"
  "FewFilesMayBeOpen|ulimit -n 64; \$cli many-*.jpg small.jpg|0|301 Files optimized||small"
  "PhotoOpenForWritingLeftAsItIs|exec 3>>small.jpg; \$cli small.jpg large.jpg|1|ERROR:  Could not write output file.	small.jpg|small.jpg: another program has the file open for writing|large"
  "NearlyFullDiskTakesFilesOneByOne|on_disk 24000k 'big-*.jpg' \$cli --jobs 1 big-*.jpg|0|10 Files optimized||big-1 big-2 big-3 big-4 big-5 big-6 big-7 big-8 big-9 big-10"
  "OwnerAndModeThatCannotBeSetAreNotNeeded|chmod 600 small.jpg; strace -f -o /dev/null -e trace=fchown,fchmod -e inject=fchown,fchmod:error=ENOSYS \$cli -q small.jpg|0|||small"
  "FuseFilesFlushedEachWithoutSyncfs|on_disk fuse '' strace -f -o '$work/trace' -e trace=syncfs,fdatasync \$cli -q small.jpg many-1.jpg many-2.jpg '&& ! grep -q syncfs $work/trace && test \$(grep -c fdatasync $work/trace) -ge 3'|0|||small many-1 many-2"
  "FuseCopiesFlushedEachWithoutSyncfs|on_disk fuse '' strace -f -o '$work/trace' -e trace=syncfs,fdatasync \$cli -q -o copies small.jpg many-1.jpg many-2.jpg '&& ! grep -q syncfs $work/trace && test \$(grep -c fdatasync $work/trace) -ge 3 && rm -r copies'|0|||"
  "FusePhotoReplacedUnderneathIsLeftAsItIs|on_disk fuse '' strace -f -o /dev/null -e trace=fdatasync -e inject=fdatasync:delay_enter=1000000 \$cli many-1.jpg '& sleep 0.5; cp $work/original/lean.jpg $work/photos/many-1.jpg; wait; cmp -s many-1.jpg $work/original/lean.jpg; s=\$?; cp $work/original/many-1.jpg $work/photos/; exit \$s'|0||changed or replaced by another program|"
  "NtfsReadOnlyAttributeHonoured|on_disk ntfs small.jpg setfattr -n system.ntfs_attrib_be -v 0x00000001 small.jpg '&&' \$cli small.jpg|1|ERROR:  Cannot overwrite read-only file.||"
  "NtfsReadOnlyClearedWhenAskedOtherAttributesKept|on_disk ntfs small.jpg setfattr -n system.ntfs_attrib_be -v 0x00000023 small.jpg '&&' \$cli -q --process-read-only small.jpg '&& grep -q 0x00000022 <(getfattr -e hex -n system.ntfs_attrib_be small.jpg)'|0|||small"
  "OutputFull|\$cli small.jpg >/dev/full|1||write error: No space left on device|small"
  "PipelineGivesTheBytesOfARunInPlace|\$cli -q - <large.jpg >../piped && cmp ../piped ../expected/large.jpg && echo same|0|same||"
  "PipelineOutputFull|\$cli - <small.jpg >/dev/full|1||write error: No space left on device|"
  "PipelineInputTooLarge|truncate -s 3G ../big && \$cli - <../big \| wc -c \| sed 's/^/bytes: /'|1|bytes: 0|-: reading standard input: the input is too large|"
  "PipelineOutputOnATerminal|script -qec \"\$cli - <small.jpg\" /dev/null|2|standard output is a terminal||"
  "OutputReaderGone|{ sleep 1; \$cli small.jpg; } \| true|1||write error: Broken pipe|small"
  "OutputClosedAndTheLogOpened|\$cli --log \"\$log\" small.jpg >&-|1||write error: Bad file descriptor|small"
)

for row in "${rows[@]}"; do
  IFS='|' read name command status out err rewritten <<<"$row"
  started=$SECONDS
  if [[ $command == *strace* && $strace_works == 0 ]]; then
    echo "SKIP $name: strace cannot trace here"
    continue
  fi
  photos=$work/photos
  log=$work/run.log
  rm -rf "$photos" "$log" && cp -r "$work/original" "$photos"
  (cd "$photos" && eval "$command") >"$work/out" 2>"$work/err"
  actual=$?
  if [ "$actual" = 99 ]; then
    echo "SKIP $name: the file system it needs cannot be mounted here"
    continue
  fi
  problems=()
  [ "$actual" = "$status" ] || problems+=("exit status $actual, expected $status")
  [ -z "$out" ] || grep -qF -- "$out" "$work/out" || problems+=("no '$out' in the output")
  [ -z "$err" ] || grep -qF -- "$err" "$work/err" || problems+=("no '$err' in the error output")
  for photo in "$photos"/*.jpg; do
    base=$(basename "$photo" .jpg)
    source=$work/expected/${base%%-*}.jpg
    original=$work/original/$(basename "$photo")
    if [[ " $rewritten " == *" $base "* ]]; then
      cmp -s "$photo" "$source" || problems+=("$base.jpg is not optimized")
    elif ! cmp -s "$photo" "$original" && ! cmp -s "$photo" "$source"; then
      problems+=("$base.jpg holds neither its original nor its optimized bytes")
    elif [[ $base != many-* && $base != lean ]] && ! cmp -s "$photo" "$original"; then
      problems+=("$base.jpg was changed")
    fi
  done
  [ -z "$(find "$photos" -name '.*sparrowtrim-tmp')" ] || problems+=("temporary files left")
  [[ $command != *--log* ]] || head -1 "$log" | grep -q '^\*' || problems+=("the log is damaged")
  if [ ${#problems[@]} -eq 0 ]; then
    echo "ok   $name ($((SECONDS - started)) s)"
  else
    failures=$((failures + 1))
    printf 'FAIL %s: %s\n' "$name" "$(IFS=';'; echo "${problems[*]}")"
    sed 's/^/     out: /' "$work/out"
    sed 's/^/     err: /' "$work/err"
  fi
done
# The order on the disk: a group's new bytes are flushed before its files are switched in, and
# their folder after, before any of them is reported.
if [ $strace_works = 1 ]; then
  rows+=(FlushSwitchFlushReport)
  rm -rf "$photos" && cp -r "$work/original" "$photos"
  (cd "$photos" && strace -f -o "$work/trace" -e trace=syncfs,fdatasync,renameat2,fsync,write \
    "$cli" small.jpg large.jpg many-*.jpg >/dev/null)
  disorder=$(awk '/ (syncfs|fdatasync)\(/ { flushed = 1 }
    / renameat2\(/ { if (!flushed) print "switched before flushed"; switched = 1 }
    / fsync\(/ { switched = flushed = 0 }
    / write\(1,/ { if (switched) print "reported before the folder was flushed" }' "$work/trace")
  if [ -z "$disorder" ] && grep -q ' renameat2(' "$work/trace"; then
    echo "ok   FlushSwitchFlushReport"
  else
    failures=$((failures + 1))
    echo "FAIL FlushSwitchFlushReport: ${disorder:-nothing was switched}" | sort -u
  fi
fi
echo "$((${#rows[@]} - failures)) passed, $failures failed"
[ $failures -eq 0 ]
