#!/usr/bin/env bash
# test_package.sh BUILD_DIR: packs the build tree as it is (cpack, no rebuild);
# lintian must find no error. The program must then find its libraries and
# plug-in, and its bash completion must complete, in the package unpacked into
# a scratch root (dpkg -x), in `cmake --install` under another prefix, and in
# the build tree. As root with CI or OSTREL_TEST_DPKG set, also dpkg -i and
# dpkg -r on this machine, which must leave none of the package's files.
# Exit status 0 passed, 1 failed, 77 skipped (a packaging tool is missing).
set -euo pipefail
build=$(cd "$1" && pwd)
for tool in cpack dpkg-deb dpkg-shlibdeps lintian; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (see scripts/install-deps)"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail cpack; }
deb=$work/out/ostrelcli_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "cpack made no $deb: $(ls "$work/out")"
lintian --fail-on error "$deb" || fail "lintian reports errors"

# check PROGRAM COMPLETION: the program runs its plug-in's command; the
# completion script, with PROGRAM first in PATH, completes from its tree.
check() {
  local program=$1 script=$2
  "$program" hardware ipmi sdr list --help | grep -q '^  --include-all-sensors  *-a ' || fail "$program: no sdr list help"
  [ "$("$program" --version)" = "ostrelcli $version"$'\n'"plug-in hardware-ipmi $version" ] ||
    fail "$program --version: $("$program" --version)"
  local complete='source "$0"; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _ostrelcli; echo "${COMPREPLY[*]}"'
  for line in "hardware ipmi s:sel sdr" "--formatter j:json" "hardware ipmi fru get -n :0 1 2 3 all"; do
    read -ra words <<<"ostrelcli ${line%%:*}"
    [[ ${line%%:*} != *" " ]] || words+=("")
    result=$(PATH="$(dirname "$program"):$PATH" bash -c "$complete" "$script" "${words[@]}")
    [ "$result" = "${line#*:}" ] || fail "$script: '${line%%:*}' completes to '$result'"
  done
}

dpkg-deb -x "$deb" "$work/root"
check "$work/root/usr/bin/ostrelcli" "$work/root/usr/share/bash-completion/completions/ostrelcli"
zcat "$work/root/usr/share/man/man1/ostrelcli.1.gz" | grep -q '^\.SS "hardware ipmi sdr list"$' ||
  fail "ostrelcli(1) lacks the plug-in's commands"
for shell in zsh:zsh/vendor-completions/_ostrelcli fish:fish/vendor_completions.d/ostrelcli.fish; do
  ! command -v "${shell%%:*}" >/dev/null || "${shell%%:*}" -n "$work/root/usr/share/${shell#*:}" || fail "${shell#*:}"
done
cmake --install "$build" --prefix "$work/prefix" >/dev/null
check "$work/prefix/bin/ostrelcli" "$work/prefix/share/bash-completion/completions/ostrelcli"
check "$build/bin/ostrelcli" "$build/packaging/bash/ostrelcli"

if [ "$(id -u)" -eq 0 ] && [ -n "${CI:-}${OSTREL_TEST_DPKG:-}" ]; then
  dpkg-query -W ostrelcli >/dev/null 2>&1 && fail "the package ostrelcli is installed here already"
  dpkg -i "$deb" >/dev/null
  check /usr/bin/ostrelcli /usr/share/bash-completion/completions/ostrelcli
  # Its files and its own directories; not the shared ones such as /usr/bin.
  owned=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ || $6 ~ /ostrelcli\/$/ {print substr($6, 2)}')
  dpkg -r ostrelcli >/dev/null
  ! dpkg-query -W ostrelcli >/dev/null 2>&1 || fail "dpkg -r left the package known to dpkg"
  for f in $owned; do
    [ ! -e "$f" ] && [ ! -L "$f" ] || fail "dpkg -r left $f"
  done
fi
echo "PASS: $deb"
