#!/usr/bin/env bash
# Makes a test certificate authority for one run with the openssl command, in DIR (made
# when missing): DIR/ca.pem (its certificate, the one to trust) and, each with its key
# (NAME.pem, NAME.key), certificates it signs for TLS servers on this machine:
#   good     for localhost, valid for 30 days
#   other    for another host (other.kasumido.example)
#   expired  for localhost, valid until the day before it was made
# and self, a self-signed certificate for localhost. EC keys (P-256): quick to make.
# Usage: test_authority.sh DIR
set -euo pipefail
dir=${1:?usage: test_authority.sh DIR}
mkdir -p "$dir"
cd "$dir"

quiet() { "$@" >/dev/null 2>&1 || { echo "test_authority: failed: $*" >&2; "$@"; exit 1; }; }
ec=(-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes)
quiet openssl req -x509 "${ec[@]}" -keyout ca.key -out ca.pem -days 30 \
  -subj "/CN=kasumido test CA" -addext basicConstraints=critical,CA:TRUE \
  -addext keyUsage=critical,keyCertSign,cRLSign
serial=1
signed() {  # name host days
  printf 'subjectAltName=DNS:%s\nextendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\n' \
    "$2" >"$1.ext"
  quiet openssl req -new "${ec[@]}" -keyout "$1.key" -out "$1.csr" -subj "/CN=$2"
  serial=$((serial + 1))
  quiet openssl x509 -req -in "$1.csr" -CA ca.pem -CAkey ca.key -set_serial "$serial" \
    -days "$3" -extfile "$1.ext" -out "$1.pem"
}
signed good localhost 30
signed other other.kasumido.example 30
signed expired localhost -1
quiet openssl req -x509 "${ec[@]}" -keyout self.key -out self.pem -days 30 -subj "/CN=localhost" \
  -addext subjectAltName=DNS:localhost
