# Shared by the realport tests, on the host and in the guest (sourced by bash).

failures=0
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }

# check NAME COMMAND...: runs the command, says "ok" or "FAILED" with its time; a failure is
# counted, not fatal, so that one boot reports every check.
check() {
    local name=$1 started rc=0
    shift
    started=$(now)
    "$@" || rc=$?
    if [ $rc -eq 0 ]; then
        echo "check $name: ok ($(since "$started") s)"
    else
        echo "check $name: FAILED ($(since "$started") s)"
        failures=$((failures + 1))
    fi
}

# fail TEXT: says what is wrong and fails the function it ends.
fail() {
    echo "  $*"
    return 1
}

# await SECONDS COMMAND...: true once the command succeeds, tried every 0.1 s for at most SECONDS.
await() {
    local until
    until=$(awk -v s="$1" -v n="$(now)" 'BEGIN { printf "%.1f", n + s }')
    shift
    until "$@"; do
        if awk -v u="$until" -v n="$(now)" 'BEGIN { exit !(n > u) }'; then
            return 1
        fi
        sleep 0.1
    done
}

# contains TEXT PART...: true when TEXT holds every PART; otherwise says which is missing.
contains() {
    local text=$1 part
    shift
    for part in "$@"; do
        if [[ $text != *"$part"* ]]; then
            echo "  missing \"$part\" in:"
            printf '%s\n' "$text" | sed 's/^/    /'
            return 1
        fi
    done
}

# A converter's job: a firmware file of BYTES random bytes and a project folder with a 29-byte image.
make_job() { # folder bytes
    mkdir -p "$1/project/bin"
    head -c "$2" /dev/urandom >"$1/vod50321.sim"
    head -c 29 /dev/urandom >"$1/project/bin/bank.bin"
}

# memory_holds MEMORY FILE OFFSET [erased]: the simulator's memory image holds FILE at OFFSET and the
# rest of its last block zero, byte for byte; with "erased", the block after it is still erased (0xFF).
memory_holds() {
    local memory=$1 file=$2 offset=$3 size blocks expected
    size=$(stat -c %s "$file")
    blocks=$(((size + 127) / 128))
    expected=$(mktemp)
    cp "$file" "$expected"
    truncate -s $((blocks * 128)) "$expected"
    [ "${4:-}" = erased ] && head -c 128 /dev/zero | tr '\0' '\377' >>"$expected"
    if ! cmp -s "$expected" <(tail -c +$((offset + 1)) "$memory" | head -c "$(stat -c %s "$expected")"); then
        rm -f "$expected"
        fail "$memory does not hold $file at offset $offset byte for byte"
        return 1
    fi
    rm -f "$expected"
}

# The image lies at 0x24000, the memory image starts at 0x4000.
FirmwareOffset=0
ImageOffset=$((0x24000 - 0x4000))
