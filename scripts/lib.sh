# Helpers shared by the build and test scripts.

# Installs the named Debian packages that are not installed yet.
need_packages() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "installing ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    # A fresh machine's unattended upgrades, or another stage's install, may
    # hold the dpkg lock for minutes after boot: wait for it, not fail.
    local wait=(-o DPkg::Lock::Timeout=900)
    if [ ! -e /tmp/.tenfall-apt-updated ]; then
        apt_waiting $sudo apt-get "${wait[@]}" update -q && touch /tmp/.tenfall-apt-updated
    fi
    DEBIAN_FRONTEND=noninteractive apt_waiting $sudo apt-get "${wait[@]}" install -y -q \
        --no-install-recommends "${missing[@]}"
}

# Runs an apt command again while another apt holds one of its locks, for up
# to APT_LOCK_WAIT seconds (900): DPkg::Lock::Timeout waits for dpkg's lock,
# but apt 2.6 gives up at once on its lists and archives locks. Its output
# shows only when it fails.
apt_waiting() {
    local deadline=$((SECONDS + ${APT_LOCK_WAIT:-900})) log status
    log=$(mktemp)
    until "$@" >"$log" 2>&1; do
        status=$?
        if ! grep -q "Could not get lock" "$log" || [ "$SECONDS" -ge "$deadline" ]; then
            cat "$log" >&2
            rm -f "$log"
            return "$status"
        fi
        sleep 2
    done
    rm -f "$log"
}

jobs() { nproc 2>/dev/null || echo 2; }

# The version in its one place, project(tenfall VERSION ...) in CMakeLists.txt.
project_version() {
    local version
    version=$(sed -n 's/^project(tenfall VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
    [ -n "$version" ] || { echo "no project version in CMakeLists.txt" >&2; return 1; }
    echo "$version"
}
