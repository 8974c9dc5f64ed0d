#!/usr/bin/env bash
# What other programs, other runs and a kill can do to a run's folder:
#  - a planted name (a link to a victim file or to /dev/null, a FIFO, a
#    directory) at every name a run writes: the victim keeps its bytes, the
#    run never hangs, every output is a regular file with the right bytes,
#    and the run ends with status 0 or a clear status 2;
#  - four runs started together, round after round: all exit 0 and leave
#    the files of a lone run;
#  - a kill -9 at random moments: every output is the previous whole file or
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

# --- Kills.
dir="$work/killed"
mkdir "$dir" && cp "$exe" "$dir/valdoro"
for round in $(seq 1 12); do
  for f in "${outputs[@]}"; do printf 'previous %s' "$f" >"$dir/$f"; done
  "$dir/valdoro" 2>/dev/null &
  pid=$!
  sleep "0.0$(( RANDOM % 10 ))$(( RANDOM % 10 ))"
  kill -9 "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
  for f in "${outputs[@]}"; do
    check "kill $round: $f is whole" \
      'printf "previous %s" "$f" | cmp -s - "$dir/$f" || cmp -s "$dir/$f" "$good/$f"'
  done
  "$dir/valdoro" 2>/dev/null; status=$?
  check "kill $round: the next run ends cleanly (status $status)" '[ $status -eq 0 ]'
  check "kill $round: the next run leaves no stray file" 'folder_good "$dir"'
done

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
else
  echo "FAIL: strace not found; install it with: bash scripts/setup.sh strace"; fail=1
fi

[ $fail -eq 0 ] && echo "folder test passed"
exit $fail
