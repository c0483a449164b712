#!/usr/bin/env bash
# `ze50321 ping` of an address on a link where nobody answers: the kernel's failed neighbour
# look-up comes back as "destination host unreachable" about our request, which ends the wait with
# "Device Not Found!" (not "Device Found!"), through the raw socket and through the datagram socket
# of a user without CAP_NET_RAW. In a network namespace of its own with a veth pair; skips (77)
# where no namespace can be made. Usage: ping-silent-link.sh ZE50321
set -euo pipefail
tool=$1

if ! unshare -n true 2>/dev/null; then
    echo "skipped: no network namespace can be made here (needs CAP_SYS_ADMIN and CAP_NET_ADMIN)"
    exit 77
fi

expected='{"address":"10.77.0.2","text":"Device Not Found!","found":false,"reply":"unreachable","bytes_received":100,"error":"","exit_code":1}'
# The request's 72 bytes quoted behind the report's IPv4 and ICMP headers.

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
    local what=$1 out err status
    shift
    set +e
    out=$(timeout 30 unshare -n sh -c "$setup && exec \"\$@\"" sh "$@" --json 10.77.0.2 2>"$err_file")
    status=$?
    set -e
    err=$(cat "$err_file")
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
check "raw socket" "$tool" ping
check "datagram socket (no CAP_NET_RAW)" setpriv --inh-caps=-net_raw --bounding-set=-net_raw "$tool" ping
exit "$failed"
