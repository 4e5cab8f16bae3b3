# The demo's world, sourced by demo.sh and screenshots.sh (not run on its own):
#
#   demo_host_folder BIN [PROGRAM]
#                          lays out a host folder in a new temporary folder: Shelvio.ini with
#                          every category on, the program (BIN/kasumido, or the file
#                          PROGRAM) copied (not linked) into its sub-folder "plugin" with the
#                          tools found in BIN, and a temporary folder of its own. Sets demo
#                          (the temporary folder).
#   demo_start_site ROOT   serves the site folder ROOT on a free loopback port with the
#                          site server, its requests logged in $demo/requests.log. Sets
#                          demo_origin. The server is stopped when the calling script ends.
#
# A run in the demo's host folder then takes KASUMIDO_SITE_ORIGIN="$demo_origin" and
# TEMP="$demo/temp".

demo=
demo_origin=
demo_server_pid=

demo_stop_site() {
  if [[ -n $demo_server_pid ]]; then kill "$demo_server_pid" 2>/dev/null || true; fi
  demo_server_pid=
}

demo_host_folder() {
  local bin=$1 program=${2:-$1/kasumido} tool
  demo=$(mktemp -d /tmp/kasumido-demo.XXXXXX)
  mkdir -p "$demo/host/plugin" "$demo/temp"
  # Copied, not linked: the program finds the host's files relative to its own folder.
  cp "$program" "$bin/kasumido-site-server" "$demo/host/plugin/"
  for tool in kasumido-master-table kasumido-version-info; do
    if [[ -x $bin/$tool ]]; then cp "$bin/$tool" "$demo/host/plugin/"; fi
  done
  printf '[TSetup]\r\nDLLBooks_Checked=True\r\nDLLBunko_Checked=True\r\nDLLComic_Checked=True\r\nCheckEdited_Checked=True\r\nTimeOut_Text=10\r\n' \
    >"$demo/host/Shelvio.ini"
}

demo_start_site() {
  local root=$1 port=
  "$demo/host/plugin/kasumido-site-server" --root "$root" --port 0 \
    --request-log "$demo/requests.log" >"$demo/server.txt" 2>&1 &
  demo_server_pid=$!
  trap demo_stop_site EXIT
  for _ in $(seq 1 100); do
    port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$demo/server.txt")
    [[ -n $port ]] && break
    sleep 0.05
  done
  if [[ -z $port ]]; then
    echo "demo: the site server did not start" >&2
    cat "$demo/server.txt" >&2
    return 1
  fi
  demo_origin="http://127.0.0.1:$port"
}
