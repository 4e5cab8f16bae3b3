#!/usr/bin/env bash
# Prints the nginx server block that serves a copy of the publisher's site
# (nginx-site.conf.in beside this script) listening on LISTEN ("127.0.0.1:8080", or
# "127.0.0.1:8443 ssl") with the folder ROOT, EXTRA (further directives of the server
# block, e.g. its certificate) in place of the extra locations' line.
# Usage: nginx_site_block.sh LISTEN ROOT [EXTRA]
set -euo pipefail
listen=${1:?usage: nginx_site_block.sh LISTEN ROOT [EXTRA]}
root=$(cd "${2:?usage: nginx_site_block.sh LISTEN ROOT [EXTRA]}" && pwd)
sed -e "s|@LISTEN@|$listen|" -e "s|@ROOT@|$root|" -e "s|# @EXTRA_LOCATIONS@|${3:-}|" \
  "$(dirname "$0")/nginx-site.conf.in"
