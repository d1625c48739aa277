#!/usr/bin/env bash
# web/serve.py answers a request for this machine's own names on its port, and refuses any other
# Host (421) and none at all (400), so that no other site's name resolving here reaches it.
#   serve_test.sh web/serve.py
set -uo pipefail
scratch=$(mktemp -d)
server=
trap '[ -z "$server" ] || kill "$server"; rm -rf "$scratch"' EXIT
echo page > "$scratch/index.html"
python3 "$1" "$scratch" 0 > "$scratch/address" &
server=$!
for _ in $(seq 100); do
  grep -q http "$scratch/address" 2> /dev/null && break
  sleep 0.05
done
port=$(sed -n 's|.*http://127.0.0.1:\([0-9]*\)/.*|\1|p' "$scratch/address")
[ -n "$port" ] || { echo "FAILED: serve.py printed no address" >&2; exit 1; }
failures=0
status() {  # HOST-HEADER-ARGUMENTS...
  curl -s -o /dev/null -w '%{http_code}' "$@" "http://127.0.0.1:$port/index.html"
}
expect() {  # CODE DESCRIPTION CURL-ARGUMENTS...
  local code=$1 what=$2
  shift 2
  local got
  got=$(status "$@")
  if [ "$got" != "$code" ]; then
    echo "FAILED: $what: $got, not $code" >&2
    failures=$((failures + 1))
  fi
}
expect 200 "127.0.0.1 on its port"
expect 200 "localhost on its port" -H "Host: localhost:$port"
expect 421 "another name" -H "Host: example.com"
expect 421 "another name on its port" -H "Host: attacker.example:$port"
expect 421 "its own name on another port" -H "Host: localhost:1"
expect 421 "its own name without the port" -H "Host: localhost"
expect 400 "no Host at all" -H "Host:"
exit $((failures > 0))
