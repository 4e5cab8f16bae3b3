#!/usr/bin/env bash
# Makes a test certificate authority for one run with the openssl command, in DIR (made
# when missing): DIR/ca.pem (its certificate, the one to trust) and, each with its key
# (NAME.pem, NAME.key), certificates it signs for TLS servers on this machine:
#   good     for localhost, valid for 30 days
#   other    for another host (other.kasumido.example)
#   expired  for localhost, valid until the day before it was made
#   future   for localhost, valid from the day after it was made
#   forged   good's certificate with one bit of its signature changed (good.key fits it)
# and self, a self-signed certificate for localhost. EC keys (P-256): quick to make.
# Wine's certificate chain check rejects an ECDSA signature whose r or s has a leading
# zero byte (about one signature in 128) as "signature cannot be verified", so every
# certificate is signed again until both are 32 bytes long: the Windows client's tests
# then see the same authority on every run.
# Usage: test_authority.sh DIR
set -euo pipefail
dir=${1:?usage: test_authority.sh DIR}
mkdir -p "$dir"
cd "$dir"

quiet() { "$@" >/dev/null 2>&1 || { echo "test_authority: failed: $*" >&2; "$@"; exit 1; }; }
ec=(-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes)

# Whether the ECDSA signature of certificate FILE has r and s of 32 bytes each (the DER
# integers carry a 0x00 before a top bit that is set; a shorter integer has neither).
full_signature() {
  local hex i der_length length
  hex=$(openssl x509 -in "$1" -noout -text | sed -n '/Signature Value/,$p' | tail -n +2 |
    tr -d ' :\n')
  i=4 # past the SEQUENCE's tag and length
  for _ in r s; do
    der_length=$((16#${hex:i+2:2}))
    length=$der_length
    [[ ${hex:i+4:2} == 00 ]] && length=$((length - 1))
    ((length == 32)) || return 1
    i=$((i + 4 + 2 * der_length))
  done
}

# Runs the openssl command that makes FILE until FILE's signature is full-length.
make_fully_signed() {  # file command...
  local file=$1
  shift
  rm -f "$file"
  until [[ -f $file ]] && full_signature "$file"; do quiet "$@"; done
}

make_fully_signed ca.pem openssl req -x509 "${ec[@]}" -keyout ca.key -out ca.pem -days 30 \
  -subj "/CN=kasumido test CA" -addext basicConstraints=critical,CA:TRUE \
  -addext keyUsage=critical,keyCertSign,cRLSign
serial=1
request() {  # name host: NAME.key, NAME.csr and NAME.ext for a server named host
  printf 'subjectAltName=DNS:%s\nextendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\n' \
    "$2" >"$1.ext"
  quiet openssl req -new "${ec[@]}" -keyout "$1.key" -out "$1.csr" -subj "/CN=$2"
  serial=$((serial + 1))
}
signed() {  # name host days
  request "$1" "$2"
  make_fully_signed "$1.pem" openssl x509 -req -in "$1.csr" -CA ca.pem -CAkey ca.key \
    -set_serial "$serial" -days "$3" -extfile "$1.ext" -out "$1.pem"
}
signed good localhost 30
signed other other.kasumido.example 30
signed expired localhost -1
# Only the ca command sets a start date; it keeps its records in ca-db.
mkdir -p ca-db
: >ca-db/index.txt
cat >ca-db/ca.cnf <<'EOF'
[ca]
default_ca = test
[test]
database = ca-db/index.txt
new_certs_dir = ca-db
serial = ca-db/serial
default_md = sha256
policy = any
unique_subject = no
[any]
commonName = supplied
EOF
request future localhost
printf '%02x\n' "$serial" >ca-db/serial
make_fully_signed future.pem openssl ca -batch -config ca-db/ca.cnf -cert ca.pem \
  -keyfile ca.key -in future.csr -extfile future.ext -notext -out future.pem \
  -startdate "$(date -u -d '+1 day' +%Y%m%d%H%M%SZ)" \
  -enddate "$(date -u -d '+30 days' +%Y%m%d%H%M%SZ)"
openssl x509 -in good.pem -outform DER -out forged.der
python3 -c 'import sys; b = bytearray(open(sys.argv[1], "rb").read()); b[-1] ^= 1
open(sys.argv[1], "wb").write(b)' forged.der
quiet openssl x509 -inform DER -in forged.der -out forged.pem
cp good.key forged.key
make_fully_signed self.pem openssl req -x509 "${ec[@]}" -keyout self.key -out self.pem -days 30 \
  -subj "/CN=localhost" -addext subjectAltName=DNS:localhost
