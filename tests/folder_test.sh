#!/usr/bin/env bash
# What other programs, other runs and a kill can do to a run's folder:
#  - a planted name (a link to a victim file or to /dev/null, a FIFO, a
#    directory) at every name a run writes, and at another program's name
#    beside it (left alone): the victim keeps its bytes, the
#    run never hangs, every output is a regular file with the right bytes,
#    and the run ends with status 0 or a clear status 2;
#  - four runs started together, round after round: all exit 0 and leave
#    the files of a lone run;
#  - a kill at each of the run's file-system calls in turn (strace), and
#    kill -9 at random moments: every output is the previous whole file or
#    the new whole file, and the next run leaves no stray temporary;
#  - the order of a run's system calls: each output flushed before its
#    rename, the folder flushed after the last rename (the two sources,
#    deleted again by the run, are renamed unflushed).
#   bash tests/folder_test.sh /ABSOLUTE/PATH/TO/valdoro
set -u
exe="$1"
fail=0
check() { if ! eval "$2"; then echo "FAIL: $1"; fail=1; fi; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
outputs=(
  "Valdoro_Dir 5802.sim" "Valdoro_Dir 5802.dat" "Valdoro_linea.dat"
  "Valdoro_Dir 5802_note.txt" "Valdoro_Dir 5802_rallentamenti.txt" "Valdoro_Dir 5802_scheda_treno.txt"
)
sources=("Valdoro_linea.txt" "Valdoro_Dir 5802-.txt")

good="$work/good"
mkdir "$good" && cp "$exe" "$good/valdoro" && "$good/valdoro" 2>/dev/null

# Exactly the program and the six good outputs, as regular files.
folder_good() {
  local dir="$1" f
  for f in "${outputs[@]}"; do
    [ -f "$dir/$f" ] && [ ! -L "$dir/$f" ] && cmp -s "$dir/$f" "$good/$f" || { echo "$f is not the new file"; return 1; }
  done
  [ "$(ls -A "$dir" | wc -l)" -eq 7 ] || { echo "left: $(ls -A "$dir" | tr '\n' ' ')"; return 1; }
}

# --- Planted names.
plant() {  # KIND PATH
  case "$1" in
    victim) ln -s "$work/victim" "$2" ;;
    devnull) ln -s /dev/null "$2" ;;
    fifo) mkfifo "$2" ;;
    directory) mkdir "$2" ;;
  esac
}
# The names the run writes, and beside each a name of another program's
# (an editor's NAME.tmp), which the run must leave alone.  Names the run
# draws for its temporaries are planted by the unit tests, which can know
# them in advance.
names=("${outputs[@]}" "${sources[@]}")
for f in "${outputs[@]}" "${sources[@]}"; do names+=("$f.tmp"); done
for kind in victim devnull fifo directory; do
  for name in "${names[@]}"; do
    dir="$work/plant"
    rm -rf "$dir" && mkdir "$dir" && cp "$exe" "$dir/valdoro"
    printf 'secret' >"$work/victim" && chmod 600 "$work/victim"
    plant "$kind" "$dir/$name"
    timeout 30 "$dir/valdoro" 2>"$work/err"; status=$?
    what="$kind at \"$name\""
    [[ "$name" == *.tmp ]] && what="$kind at the unrelated name \"$name\""
    check "$what: the victim keeps its bytes" '[ "$(cat "$work/victim")" = secret ]'
    check "$what: no hang (status $status)" '[ $status -ne 124 ]'
    if [ "$kind" = directory ] && [[ "$name" != *.tmp ]]; then
      # A directory cannot be replaced by a file: the run names it.
      check "$what: status 2 (got $status)" '[ $status -eq 2 ]'
      check "$what: message names it: $(tail -n1 "$work/err")" \
        'grep -q -x -F "valdoro: cannot write $dir/$name: Is a directory" "$work/err"'
      check "$what: the directory stays" '[ -d "$dir/$name" ]'
    else
      check "$what: status 0 (got $status)" '[ $status -eq 0 ]'
      if [[ "$name" == *.tmp ]]; then
        check "$what: left alone" '[ -e "$dir/$name" ] || [ -L "$dir/$name" ]'
        rm -rf "$dir/$name"
      fi
      check "$what: the six new files" 'folder_good "$dir"'
    fi
  done
done

# --- Simultaneous runs.
dir="$work/together"
mkdir "$dir" && cp "$exe" "$dir/valdoro"
for round in 1 2 3 4 5 6 7 8; do
  pids=()
  for i in 1 2 3 4; do "$dir/valdoro" 2>"$work/err$i" & pids+=($!); done
  for i in 1 2 3 4; do
    wait "${pids[$((i - 1))]}"; status=$?
    check "round $round, run $i: status 0 (got $status: $(cat "$work/err$i"))" '[ $status -eq 0 ]'
  done
  check "round $round: the files of a lone run" 'folder_good "$dir"'
done

# --- Kills at every step.  strace kills the run at the Nth call of each of
# its file-system steps in turn (every write of every piece, every flush of
# a file, every rename and delete, the flush of the folder): every output
# must be the previous whole file or the new whole file, and the next run
# must end cleanly, leaving no temporary.
# What is tested is the order of the run's calls, not the disk: on a
# memory file system where there is one, so that some hundred runs do not
# wait for a hundred times seven flushes.
killed=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d -p "$work")
trap 'rm -rf "$work" "$killed"' EXIT
dir="$killed/killed"
mkdir "$dir" && cp "$exe" "$dir/valdoro"
previous_outputs() { for f in "${outputs[@]}"; do printf 'previous %s' "$f" >"$dir/$f"; done; }
after_kill() {  # WHAT
  local f
  for f in "${outputs[@]}"; do
    check "$1: $f is whole" 'printf "previous %s" "$f" | cmp -s - "$dir/$f" || cmp -s "$dir/$f" "$good/$f"'
  done
  "$dir/valdoro" 2>/dev/null; status=$?
  check "$1: the next run ends cleanly (status $status)" '[ $status -eq 0 ]'
  check "$1: the next run leaves no stray file" 'folder_good "$dir"'
}
if command -v strace >/dev/null; then
  calls="write fdatasync fsync rename unlink"
  strace -f -qq -o "$work/counts" -e trace="${calls// /,}" "$dir/valdoro" 2>/dev/null
  for call in $calls; do
    total=$(grep -c -E "^[0-9]+ +$call\(" "$work/counts")
    check "the run makes $call calls (counted $total)" '[ "$total" -gt 0 ]'
    for n in $(seq 1 "$total"); do
      previous_outputs
      # In a subshell that ends by itself, so the shell says nothing of the kill.
      (strace -f -qq -o /dev/null -e trace="$call" -e inject="$call":signal=KILL:when="$n" "$dir/valdoro" 2>/dev/null
       exit $?) 2>/dev/null
      status=$?
      check "kill at $call $n of $total: the run was killed (status $status)" '[ $status -eq 137 ]'
      after_kill "kill at $call $n of $total"
    done
  done
else
  echo "FAIL: strace not found; install it with: bash scripts/setup.sh strace"; fail=1
fi

# And kill -9 at random moments, a second net, on the disk where runs take
# longer; how many of them met a live run is told, not required.
dir="$work/killed"
mkdir "$dir" && cp "$exe" "$dir/valdoro"
hits=0
for round in $(seq 1 12); do
  previous_outputs
  "$dir/valdoro" 2>/dev/null &
  pid=$!
  sleep "0.0$(( RANDOM % 10 ))$(( RANDOM % 10 ))"
  kill -9 "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
  [ $? -eq 137 ] && hits=$((hits + 1))
  after_kill "random kill $round"
done
echo "random kills: $hits of 12 met a live run"

# --- Order of the system calls.
if command -v strace >/dev/null; then
  dir="$work/traced"
  mkdir "$dir" && cp "$exe" "$dir/valdoro"
  strace -f -qq -e trace=openat,open,fsync,fdatasync,rename,renameat,renameat2 -o "$work/trace" "$dir/valdoro" 2>/dev/null
  order=$(awk -v dir="$dir" '
    # fd -> what it was opened as: a temporary, or the folder itself.
    /open(at)?\(/ && / = [0-9]+$/ {
      match($0, /"[^"]*"/); name = substr($0, RSTART + 1, RLENGTH - 2); fd = $NF
      kind[fd] = (name ~ /\.valdoro-tmp$/) ? "tmp" : (name == dir && /O_DIRECTORY/) ? "dir" : ""
      file[fd] = name; next
    }
    /(fsync|fdatasync)\([0-9]+\) += 0$/ {
      match($0, /\([0-9]+\)/); fd = substr($0, RSTART + 1, RLENGTH - 2)
      if (kind[fd] == "tmp") flushed[file[fd]] = 1
      if (kind[fd] == "dir") lastdirflush = NR
      next
    }
    /rename/ && / = 0$/ {
      match($0, /"[^"]*"/); from = substr($0, RSTART + 1, RLENGTH - 2)
      # The two sources are deleted again by the same run: no flush for them.
      source = (from ~ /\/Valdoro_linea\.txt\./ || from ~ /\/Valdoro_Dir 5802-\.txt\./)
      if (!source && !(from in flushed)) print "renamed before its flush: " from
      renames++; lastrename = NR
    }
    END {
      if (renames < 8) print "only " renames " renames"
      if (lastdirflush <= lastrename) print "no folder flush after the last rename"
    }' "$work/trace")
  check "each output flushed before its rename, the folder after the last: $order" '[ -z "$order" ]'
  # A link at a name is never followed: every file opened in the folder is
  # opened with O_NOFOLLOW, and every file created is created new.  (O_EXCL
  # alone refuses a link at a new name too; O_NOFOLLOW is kept as a second
  # guard, and this holds it there.)
  opens=$(awk -v dir="$dir" '
    /open(at)?\(/ && !/O_DIRECTORY/ {
      match($0, /"[^"]*"/); name = substr($0, RSTART + 1, RLENGTH - 2)
      if (index(name, dir "/") != 1) next
      n++
      if (!/O_NOFOLLOW/) print "opened without O_NOFOLLOW: " name
      if (/O_CREAT/ && !/O_EXCL/) print "created without O_EXCL: " name
    }
    # The eight files written (the two sources among them), the two sources read.
    END { if (n < 10) print "only " n " files opened in the folder" }' "$work/trace")
  check "every file in the folder opened without following a link, every one created new: $opens" '[ -z "$opens" ]'
else
  echo "FAIL: strace not found; install it with: bash scripts/setup.sh strace"; fail=1
fi

[ $fail -eq 0 ] && echo "folder test passed"
exit $fail
