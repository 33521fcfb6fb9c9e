# need_packages waits for a lock another apt holds, as on a fresh machine
# whose unattended upgrades run at boot: apt-get update on lists of its own
# (a local repository, no network) while perl holds their lock for 3 s must
# wait and then succeed, and give up after APT_LOCK_WAIT; apt-get on a dpkg
# database of its own must wait for dpkg's lock (DPkg::Lock::Timeout).
set -euo pipefail
. scripts/lib.sh

tmp=$(mktemp -d)
holder=""
trap '[ -z "$holder" ] || kill "$holder" 2>/dev/null; rm -rf "$tmp"' EXIT
mkdir -p "$tmp/lists/partial" "$tmp/repo"
: >"$tmp/repo/Packages"
echo "deb [trusted=yes] file:$tmp/repo ./" >"$tmp/sources.list"
update=(apt-get -q -o Dir::State::Lists="$tmp/lists" -o Dir::Etc::sourcelist="$tmp/sources.list"
    -o Dir::Etc::sourceparts="$tmp/repo" -o DPkg::Lock::Timeout=900 update)

# Holds the lock file $2 (fcntl, as apt takes it: struct flock on 64-bit
# Linux) for $1 seconds; says "held" once it has it.
hold_lock() {
    rm -f "$tmp/held"
    perl -e 'use Fcntl; open(my $f, ">", $ARGV[0]) or die "$!";
        fcntl($f, F_SETLKW, pack("s s x4 q q i x4", F_WRLCK, SEEK_SET, 0, 0, 0)) or die "$!";
        $| = 1; print "held\n"; sleep $ARGV[1];' "${2:-$tmp/lists/lock}" "$1" >"$tmp/held" &
    holder=$!
    until grep -q held "$tmp/held" 2>/dev/null; do sleep 0.1; done
}

mkdir -p "$tmp/dpkg/updates"
: >"$tmp/dpkg/status"
hold_lock 3 "$tmp/dpkg/lock-frontend"
start=$SECONDS
apt-get -q -o Dir::State::status="$tmp/dpkg/status" -o Dir::State::Lists="$tmp/lists" \
    -o DPkg::Lock::Timeout=900 check >/dev/null || { echo "FAIL: apt-get did not wait for dpkg's lock" >&2; exit 1; }
dpkg_waited=$((SECONDS - start))
[ "$dpkg_waited" -ge 2 ] || { echo "FAIL: apt-get got dpkg's lock while it was held" >&2; exit 1; }
wait "$holder"

hold_lock 3
start=$SECONDS
apt_waiting "${update[@]}" || { echo "FAIL: apt-get update did not wait for the lock" >&2; exit 1; }
waited=$((SECONDS - start))
[ "$waited" -ge 2 ] || { echo "FAIL: apt-get update got a held lock ($waited s)" >&2; exit 1; }
wait "$holder"

hold_lock 20
status=0
APT_LOCK_WAIT=2 apt_waiting "${update[@]}" 2>"$tmp/err" || status=$?
[ "$status" -ne 0 ] && grep -q "Could not get lock" "$tmp/err" ||
    { echo "FAIL: apt-get update did not give up on a lock held too long" >&2; exit 1; }
echo "need_packages: waited $dpkg_waited s for dpkg's lock and $waited s for apt's, and gives up after APT_LOCK_WAIT"
