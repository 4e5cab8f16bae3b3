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
#   demo_start_tls_site ROOT
#                          the same over HTTPS: nginx serves ROOT on a free loopback port
#                          with a certificate for localhost from a test authority made for
#                          this run (tests/support/test_authority.sh, in $demo/tls);
#                          demo_origin is then "https://localhost:PORT" and demo_trust
#                          the authority's certificate, which a run trusts through
#                          SSL_CERT_FILE. Requests are logged in $demo/requests.log too.
#
# A run in the demo's host folder then takes KASUMIDO_SITE_ORIGIN="$demo_origin" and
# TEMP="$demo/temp" (and SSL_CERT_FILE="$demo_trust" over HTTPS).

demo=
demo_checkout=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
demo_origin=
demo_trust=
demo_server_pid=

demo_stop_site() {
  if [[ -n $demo_server_pid ]]; then kill "$demo_server_pid" 2>/dev/null || true; fi
  demo_server_pid=
}

# A port on 127.0.0.1 that was free a moment ago.
demo_free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
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

demo_start_tls_site() {
  local root=$1 port nginx config
  nginx=$(PATH="$PATH:/usr/sbin:/sbin" command -v nginx) || {
    echo "demo: nginx is not installed (scripts/setup.sh)" >&2
    return 1
  }
  bash "$demo_checkout/tests/support/test_authority.sh" "$demo/tls"
  demo_trust="$demo/tls/ca.pem"
  port=$(demo_free_port)
  mkdir -p "$demo/nginx/temp"
  config="$demo/nginx/nginx.conf"
  {
    [[ $(id -u) -eq 0 ]] && echo "user root;"
    printf 'daemon off;\nmaster_process off;\nworker_processes 1;\npid %s;\n' "$demo/nginx/nginx.pid"
    printf 'error_log %s;\nevents { worker_connections 64; }\nhttp {\n' "$demo/nginx/error.log"
    printf "log_format demo '%s';\naccess_log %s demo;\n" '$request_uri' "$demo/requests.log"
    for kind in client_body proxy fastcgi uwsgi scgi; do
      printf '%s_temp_path %s;\n' "$kind" "$demo/nginx/temp/$kind"
    done
    bash "$demo_checkout/tools/site_server/nginx_site_block.sh" "127.0.0.1:$port ssl" "$root" \
      "ssl_certificate $demo/tls/good.pem; ssl_certificate_key $demo/tls/good.key;"
    echo "}"
  } >"$config"
  "$nginx" -p "$demo/nginx/" -e "$demo/nginx/error.log" -c "$config" >"$demo/server.txt" 2>&1 &
  demo_server_pid=$!
  trap demo_stop_site EXIT
  for _ in $(seq 1 100); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      demo_origin="https://localhost:$port"
      return 0
    fi
    sleep 0.05
  done
  echo "demo: nginx did not start" >&2
  cat "$demo/server.txt" "$demo/nginx/error.log" >&2 || true
  return 1
}
