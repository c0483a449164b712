#!/usr/bin/env bash
# `ze50321 ping` of an address on a link where nobody answers: the kernel's failed neighbour
# look-up comes back as "destination host unreachable" about our request, which ends the wait with
# "Device Not Found!" (not "Device Found!"), through the raw socket and through the datagram socket
# of a user without CAP_NET_RAW. In a network namespace of its own with a veth pair; skips (77)
# where no namespace can be made.
#
# ping-silent-link.sh [--wineserver WINESERVER] PROGRAM...
# PROGRAM... runs the tool (`ze50321`, or `wine64 ze50321.exe`). Under wine the sockets belong to
# the wine server, so it is ended before each ping and started anew inside the namespace, with the
# capabilities of that ping (the datagram case then goes through the system's echo service, which
# wine builds on a datagram socket without reading its error reports: it answers a time-out, which
# gives "Device Not Found!" as well, after the 5000 ms).
set -euo pipefail
wineserver=
if [ "${1:-}" = --wineserver ]; then
    wineserver=$2
    shift 2
fi
tool=("$@")

if ! unshare -n true 2>/dev/null; then
    echo "skipped: no network namespace can be made here (needs CAP_SYS_ADMIN and CAP_NET_ADMIN)"
    exit 77
fi

# The report: the request's 72 bytes quoted behind its own IPv4 and ICMP headers.
unreachable='{"address":"10.77.0.2","text":"Device Not Found!","found":false,"reply":"unreachable","bytes_received":100,"error":"","exit_code":1}'
timed_out='{"address":"10.77.0.2","text":"Device Not Found!","found":false,"reply":"timeout","bytes_received":0,"error":"","exit_code":1}'

# One link, one address on it, nobody behind it; the look-up gives up after one probe of 100 ms.
setup='ip link set lo up &&
    ip link add zeA type veth peer name zeB &&
    ip addr add 10.77.0.1/24 dev zeA && ip link set zeA up && ip link set zeB up &&
    sysctl -q -w net.ipv4.neigh.zeA.mcast_solicit=1 net.ipv4.neigh.zeA.retrans_time_ms=100 &&
    sysctl -q -w net.ipv4.ping_group_range="0 0"'

err_file=$(mktemp)
trap 'rm -f "$err_file"' EXIT
failed=0
check() {
    local what=$1 expected=$2 out err status
    shift 2
    if [ -n "$wineserver" ]; then
        "$wineserver" -k >/dev/null 2>&1 || true
        timeout 30 "$wineserver" -w || true
    fi
    set +e
    out=$(timeout 60 unshare -n sh -c "$setup && exec \"\$@\"" sh "$@" ping --json 10.77.0.2 2>"$err_file" | tr -d '\r')
    status=${PIPESTATUS[0]}
    set -e
    err=$(tr -d '\r' <"$err_file")
    if [ "$status" = 1 ] && [ "$out" = "$expected" ] && [ "$err" = "Device Not Found!" ]; then
        echo "$what: passed"
    else
        echo "$what: FAILED (exit $status)"
        echo "  stdout:   $out"
        echo "  expected: $expected"
        echo "  stderr:   $err"
        failed=1
    fi
}
check "raw socket" "$unreachable" "${tool[@]}"
check "datagram socket (no CAP_NET_RAW)" "$([ -n "$wineserver" ] && echo "$timed_out" || echo "$unreachable")" \
    setpriv --inh-caps=-net_raw --bounding-set=-net_raw "${tool[@]}"
exit "$failed"
