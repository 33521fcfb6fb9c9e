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
        $sudo apt-get "${wait[@]}" update -q >/dev/null && touch /tmp/.tenfall-apt-updated
    fi
    DEBIAN_FRONTEND=noninteractive $sudo apt-get "${wait[@]}" install -y -q --no-install-recommends \
        "${missing[@]}" >/dev/null
}

jobs() { nproc 2>/dev/null || echo 2; }

# The version in its one place, project(tenfall VERSION ...) in CMakeLists.txt.
project_version() {
    local version
    version=$(sed -n 's/^project(tenfall VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
    [ -n "$version" ] || { echo "no project version in CMakeLists.txt" >&2; return 1; }
    echo "$version"
}
