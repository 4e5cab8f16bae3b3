#!/usr/bin/env bash
# The TLS peers of the network tests, for one test run, all on free 127.0.0.1 ports and
# reached by the name "localhost":
#  - a test certificate authority made with the openssl command (DIR/ca.pem) and, signed
#    by it, a certificate for localhost, one for another host, an expired one and one
#    not yet valid for localhost; a forged copy of the good one; and a self-signed one
#    for localhost (tests/support/test_authority.sh);
#  - nginx serving DIR/root over TLS with each of them (good, other, expired, future,
#    forged, self-signed), one that chooses its certificate by the name the client
#    sends (sni: localhost's when asked for it, another host's otherwise), one that
#    offers nothing newer than TLS 1.1 (old) and one whose only cipher no client offers
#    (cipher), and plain HTTP (plain); "/to-http" on the good server relocates to the
#    plain one and "/to-https" on the plain one to the good one, "/moved" relocates to
#    "/target.html"; and the sample site (samples/site) over TLS with the good
#    certificate (site), served as tools/site_server/nginx-site.conf.in serves it, and
#    again (astray) with two of its comic detail pages relocated to servers the client
#    cannot trust: pcd=4001 to the self-signed one and pcd=4099 to the other host's;
#  - tinyproxy that opens CONNECT tunnels (proxy) and one that refuses them (refusing);
#  - the project's own TLS peer tests/support/tls_peer.py (own, stall and closing).
# Usage: tls_peers.sh start DIR   makes DIR afresh, starts the peers and writes
#                                 DIR/peers.env (NAME=PORT lines) once every one accepts
#        tls_peers.sh stop DIR    stops them
set -euo pipefail
command=${1:?usage: tls_peers.sh start|stop DIR}
dir=$(realpath -m "${2:?usage: tls_peers.sh start|stop DIR}")
here=$(cd "$(dirname "$0")" && pwd)
export PATH="$PATH:/usr/sbin:/sbin"

stop() {
  for pid_file in "$dir"/*.pid; do
    [[ -f $pid_file ]] || continue
    kill "$(cat "$pid_file")" 2>/dev/null || true
    rm -f "$pid_file"
  done
}

if [[ $command == stop ]]; then
  stop
  exit 0
fi

stop
rm -rf "$dir"
mkdir -p "$dir/root" "$dir/temp"
cd "$dir"

# ---- Certificates ------------------------------------------------------------------
bash "$here/test_authority.sh" "$dir"

# ---- The documents -----------------------------------------------------------------
printf 'target page' >root/target.html
printf 'listing' >root/page.html
head -c $((5 * 1024 * 1024 + 3)) /dev/urandom >root/large.bin

# ---- Ports ---------------------------------------------------------------------------
names=(good other expired future forged self sni old cipher plain site astray proxy refusing
  own stall closing)
mapfile -t ports < <(python3 - "${#names[@]}" <<'EOF'
import socket, sys
sockets = []
for _ in range(int(sys.argv[1])):
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    sockets.append(s)
for s in sockets:
    print(s.getsockname()[1])
EOF
)
declare -A port
for i in "${!names[@]}"; do port[${names[$i]}]=${ports[$i]}; done

# ---- nginx -----------------------------------------------------------------------------
tls_server() {  # name cert [extra directives]
  cat <<EOF
server {
  listen 127.0.0.1:${port[$1]} ssl;
  server_name localhost;
  ssl_certificate $dir/$2.pem;
  ssl_certificate_key $dir/$2.key;
  ${3:-}
  root $dir/root;
  location = /moved { return 302 /target.html; }
  location = /to-http { return 302 http://localhost:${port[plain]}/target.html; }
}
EOF
}
{
  [[ $(id -u) -eq 0 ]] && echo "user root;"
  cat <<EOF
daemon on;
worker_processes 1;
pid $dir/nginx.pid;
error_log $dir/nginx-error.log info;
events { worker_connections 256; }
http {
  access_log $dir/nginx-access.log;
  client_body_temp_path $dir/temp/body;
  proxy_temp_path $dir/temp/proxy;
  fastcgi_temp_path $dir/temp/fastcgi;
  uwsgi_temp_path $dir/temp/uwsgi;
  scgi_temp_path $dir/temp/scgi;
  default_type application/octet-stream;
EOF
  tls_server good good
  tls_server other other
  tls_server expired expired
  tls_server future future
  tls_server forged forged
  tls_server self self
  tls_server old good "ssl_protocols TLSv1 TLSv1.1; ssl_ciphers DEFAULT:@SECLEVEL=0;"
  tls_server cipher good "ssl_protocols TLSv1.2; ssl_ciphers NULL-SHA256:@SECLEVEL=0;"
  # sni: another host's certificate unless the client names localhost.
  cat <<EOF
server {
  listen 127.0.0.1:${port[sni]} ssl default_server;
  server_name other.kasumido.example;
  ssl_certificate $dir/other.pem;
  ssl_certificate_key $dir/other.key;
  root $dir/root;
}
EOF
  tls_server sni good
  certificate="ssl_certificate $dir/good.pem; ssl_certificate_key $dir/good.key;"
  site_block() {  # name [extra directives]
    bash "$here/../../tools/site_server/nginx_site_block.sh" "127.0.0.1:${port[$1]} ssl" \
      "$here/../../samples/site" "$certificate ${2:-}"
  }
  site_block site
  detail=/comic/detail/bk_detail.php?pcd=
  site_block astray "$(for moved in 4001:self 4099:other; do
    printf 'if ($request_uri = "%s") { return 302 https://localhost:%s$request_uri; } ' \
      "$detail${moved%:*}" "${port[${moved#*:}]}"
  done)"
  cat <<EOF
server {
  listen 127.0.0.1:${port[plain]};
  server_name localhost;
  root $dir/root;
  location = /to-https { return 302 https://localhost:${port[good]}/target.html; }
}
}
EOF
} >nginx.conf
nginx -p "$dir/" -c "$dir/nginx.conf" -e "$dir/nginx-error.log"

# ---- tinyproxy ---------------------------------------------------------------------
proxy() {  # name [extra lines]
  cat >"$1.conf" <<EOF
Port ${port[$1]}
Listen 127.0.0.1
Timeout 30
MaxClients 20
Allow 127.0.0.1
LogLevel Info
LogFile "$dir/$1.log"
PidFile "$dir/$1.pid"
${2:-}
EOF
  tinyproxy -c "$dir/$1.conf"
}
proxy proxy
proxy refusing "ConnectPort 1"  # tunnels only to port 1: every other is refused

# ---- the project's own TLS peer ----------------------------------------------------------
python3 "$here/tls_peer.py" good.pem good.key "${port[own]}" "${port[stall]}" \
  "${port[closing]}" >own.log 2>&1 </dev/null &
echo $! >own.pid

# ---- Wait until every peer accepts ---------------------------------------------------
for name in "${names[@]}"; do
  for _ in $(seq 100); do
    if (exec 3<>"/dev/tcp/127.0.0.1/${port[$name]}") 2>/dev/null; then continue 2; fi
    sleep 0.1
  done
  echo "tls_peers: $name (port ${port[$name]}) does not accept" >&2
  cat nginx-error.log ./*.log >&2 || true
  stop
  exit 1
done
for name in "${names[@]}"; do echo "$name=${port[$name]}"; done >peers.env
