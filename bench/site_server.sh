# Sourced by the run benchmarks: start_site_server ROOT [ARG...] starts the release site
# server ("$bin") on ROOT at a free port with its request log in "$work/requests.log"
# and the further arguments, and sets server_pid and port once it listens (it exits the
# script when the server does not start).
start_site_server() {
  local root=$1
  shift
  "$bin/kasumido-site-server" --root "$root" --port 0 --request-log "$work/requests.log" "$@" \
    >"$work/server.txt" 2>&1 &
  server_pid=$!
  port=
  for _ in $(seq 1 100); do
    port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/server.txt")
    [[ -n $port ]] && return 0
    sleep 0.05
  done
  echo "$(basename "$0"): the site server did not start" >&2
  exit 1
}
