# Installing and packaging: `cmake --install` into a temporary prefix, the
# manual page checked by man, lexgrog and mandoc, then the Debian package
# built, inspected, installed, run and removed again.
set -euo pipefail
. scripts/lib.sh
need_packages cmake g++ dpkg-dev file man-db groff-base mandoc

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
version=$(project_version)
dir=build-pkg
tmp=$(mktemp -d)
installed=0
cleanup() {
    if [ "$installed" -eq 1 ]; then
        $sudo dpkg -r tenfall >/dev/null 2>&1 || true
    fi
    rm -rf "$tmp"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Runs an installed tenfall with no terminal, as CI does: it must refuse with
# exit status 1 and its one line on stderr, whatever arguments it is given.
check_refuses() {
    local status=0
    "$1" --help extra </dev/null >"$tmp/out" 2>"$tmp/err" || status=$?
    [ "$status" -eq 1 ] || fail "$1 exited $status without a terminal, not 1"
    [ ! -s "$tmp/out" ] || fail "$1 wrote to stdout without a terminal"
    [ "$(cat "$tmp/err")" = "tenfall: needs a terminal on standard input and output" ] ||
        fail "$1 said: $(cat "$tmp/err")"
}

# dpkg may be busy with another install on a shared machine; wait for it.
dpkg_retry() {
    local deadline=$((SECONDS + 300))
    until $sudo dpkg "$@" >"$tmp/dpkg.log" 2>&1; do
        if ! grep -q "lock" "$tmp/dpkg.log" || [ "$SECONDS" -ge "$deadline" ]; then
            cat "$tmp/dpkg.log" >&2
            return 1
        fi
        sleep 1
    done
}

cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DTENFALL_TESTS=OFF -DTENFALL_WERROR=ON >/dev/null
cmake --build "$dir" -j "$(jobs)" >/dev/null

echo "--- install into a temporary prefix"
prefix="$tmp/prefix"
cmake --install "$dir" --prefix "$prefix" >/dev/null
expected=$'games/tenfall\nshare/doc/tenfall/changelog.gz\nshare/doc/tenfall/copyright\nshare/man/man6/tenfall.6.gz'
actual=$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort)
[ "$actual" = "$expected" ] || fail "installed files are:"$'\n'"$actual"
[ -x "$prefix/games/tenfall" ] || fail "games/tenfall is not executable"
check_refuses "$prefix/games/tenfall"

echo "--- manual page"
page="$prefix/share/man/man6/tenfall.6.gz"
source=$(zcat "$page")
grep -q "^\.TH TENFALL 6 .*\"tenfall $version\"" <<<"$source" || fail "the manual page does not name version $version"
! grep -q "@" <<<"$source" || fail "the manual page has an unfilled @VARIABLE@"
lint=$(mandoc -Tlint -Wwarning "$page" 2>&1) || fail "mandoc: $lint"
[ -z "$lint" ] || fail "mandoc: $lint"
lexgrog "$page" >/dev/null || fail "lexgrog finds no NAME line"
warnings=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "man: $warnings"
rendered=$(MANWIDTH=80 man -E UTF-8 -l "$page" 2>/dev/null)
for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" ENVIRONMENT FILES; do
    grep -q "^$section\$" <<<"$rendered" || fail "the manual page has no $section section"
done

echo "--- Debian package"
rm -f "$dir"/*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
deb="$dir/tenfall_${version}-1_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "cpack made no $deb"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = tenfall ] || fail "Package is $(field Package)"
[ "$(field Version)" = "${version}-1" ] || fail "Version is $(field Version)"
[ "$(field Section)" = games ] || fail "Section is $(field Section)"
# The project's own Maintainer, whoever builds the package.
maintainer=$(sed -n 's/^set(TENFALL_MAINTAINER "\(.*\)"$/\1/p' cmake/install.cmake)
[ -n "$maintainer" ] && [ "$(field Maintainer)" = "$maintainer" ] || fail "Maintainer is $(field Maintainer)"
if author="$(git config user.name) <$(git config user.email)>" 2>/dev/null; then
    [ "$(field Maintainer)" != "$author" ] || fail "Maintainer is the git author, $author"
fi
[ -n "$(field Description)" ] || fail "no Description"
depends=$(field Depends)
[ -n "$depends" ] || fail "no Depends: the dependencies were not computed"
# Only the C and C++ runtimes: anything else would be a dependency the game
# does not need.
for dep in $(tr ',' '\n' <<<"$depends" | sed 's/(.*)//; s/|.*//; s/ //g'); do
    case "$dep" in
    libc6 | libstdc++6 | libgcc-s1 | libgcc1) ;;
    *) fail "unexpected dependency $dep in: $depends" ;;
    esac
done
contents=$(dpkg-deb -c "$deb" | awk '{print $NF}' | grep -v '/$' | sort)
[ "$contents" = $'./usr/games/tenfall\n./usr/share/doc/tenfall/changelog.Debian.gz\n./usr/share/doc/tenfall/changelog.gz\n./usr/share/doc/tenfall/copyright\n./usr/share/man/man6/tenfall.6.gz' ] ||
    fail "package contents are:"$'\n'"$contents"
dpkg-deb -I "$deb"

echo "--- dpkg -i, run, dpkg -r"
installed=1
dpkg_retry -i "$deb" || fail "dpkg -i failed"
dpkg-query -W -f='${Status}' tenfall | grep -q "install ok installed" || fail "tenfall is not installed"
[ -x /usr/games/tenfall ] || fail "/usr/games/tenfall is missing"
check_refuses /usr/games/tenfall
# Some minimal systems tell dpkg to leave out manual pages.
if ! grep -rqs '^path-exclude.*/usr/share/man' /etc/dpkg/dpkg.cfg /etc/dpkg/dpkg.cfg.d; then
    [ -f /usr/share/man/man6/tenfall.6.gz ] || fail "the manual page was not installed"
fi
dpkg_retry -r tenfall || fail "dpkg -r failed"
installed=0
[ ! -e /usr/games/tenfall ] || fail "/usr/games/tenfall is still there after dpkg -r"
[ ! -e /usr/share/man/man6/tenfall.6.gz ] || fail "the manual page is still there after dpkg -r"
! dpkg-query -W -f='${Status}' tenfall 2>/dev/null | grep -q "install ok installed" ||
    fail "tenfall is still installed"
echo "package $(basename "$deb") installs, runs and removes cleanly"

# One setting names another Maintainer, and the default comes back without it.
other="Someone Else <someone@tenfall.example>"
cmake -B "$dir" -DTENFALL_MAINTAINER="$other" >/dev/null
grep -qF "set(CPACK_DEBIAN_PACKAGE_MAINTAINER \"$other\")" "$dir/CPackConfig.cmake" ||
    fail "-DTENFALL_MAINTAINER does not reach the package"
cmake -B "$dir" -UTENFALL_MAINTAINER >/dev/null
grep -qF "set(CPACK_DEBIAN_PACKAGE_MAINTAINER \"$maintainer\")" "$dir/CPackConfig.cmake" ||
    fail "the default Maintainer does not come back"
echo "Maintainer: $maintainer by default, -DTENFALL_MAINTAINER overrides it"
