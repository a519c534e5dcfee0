#!/usr/bin/env bash
# A fresh data folder made by the README's run command (scripts/run): after
# the first start it holds the four list templates, as the repository keeps
# them; a template the user changed survives the next start, and one the
# user removed comes back. The program runs on Qt's offscreen platform and
# is ended as the system ends it (SIGTERM), which must give status 0.
#
#   first_start.sh BUILD_DIR
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "$1" && pwd)"
work="$(mktemp -d)"
pid=""
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

data="$work/Orbisca"
mkdir -m 700 "$work/run"
export ORBISCA_DATA="$data" BUILD_DIR="$build" QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/run"
export ORBISCA_REGISTRY_DIR="$work/registry" ORBISCA_PROFILE_DIR="$work/profile"
templates=(Report4_1.kvf Report4_2.kvf Report4_3.kvf Report4_4.kvf)

fail() {
  echo "FAILED: $*" >&2
  echo "--- program output" >&2
  cat "$work/run.log" >&2 || true
  exit 1
}

start() {
  "$root/scripts/run" >"$work/run.log" 2>&1 &
  pid=$!
}

# Waits until every file named exists in the data folder (60 s at most).
wait_for() {
  for _ in $(seq 600); do
    local all=1
    for f in "$@"; do [ -e "$data/$f" ] || all=0; done
    [ "$all" = 1 ] && return 0
    kill -0 "$pid" 2>/dev/null || fail "the program ended before $* appeared"
    sleep 0.1
  done
  fail "$* did not appear in $data"
}

stop() {
  kill -TERM "$pid"
  local status=0
  wait "$pid" || status=$?
  pid=""
  [ "$status" = 0 ] || fail "the program ended with status $status"
}

start
wait_for orbisca4.mdb "${templates[@]}"
for t in "${templates[@]}"; do
  cmp -s "$data/$t" "$root/app/templates/$t" || fail "$t differs from app/templates/$t"
done
stop

# The user's own stock list, and a journal template removed.
printf 'modello del negozio' >"$data/Report4_1.kvf"
rm "$data/Report4_3.kvf"
start
wait_for Report4_3.kvf
[ "$(cat "$data/Report4_1.kvf")" = "modello del negozio" ] || fail "the user's Report4_1.kvf was replaced"
cmp -s "$data/Report4_3.kvf" "$root/app/templates/Report4_3.kvf" || fail "Report4_3.kvf came back different"
stop
echo "first start: the data folder holds the four templates; the user's stay"
