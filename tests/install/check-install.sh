#!/bin/sh
# check-install.sh BUILD_DIR: installs the build into a fresh prefix and checks what a user
# meets there: the programs run, the desktop entry is valid, every man page renders cleanly.
set -eu
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
"$prefix/bin/orqctl" --help | grep -q '^usage: orqctl'
"$prefix/bin/orqctl" --version
test -x "$prefix/bin/orq-sim"
test -f "$prefix/share/bash-completion/completions/orqctl"
test -f "$prefix/share/doc/orq/orq-adapter.rules.example"
# Whoever receives the program learns its licence, and what changed, where Debian looks.
grep -q '^License: GPL-3+$' "$prefix/share/doc/orq/copyright"
gzip -cd "$prefix/share/doc/orq/changelog.gz" | head -n1 | grep -q '^orq ('
# The completion offers what a user would type next.
complete_line() {
  bash -c '. /usr/share/bash-completion/bash_completion; . "$1"; shift
           COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
           _orqctl; echo "${COMPREPLY[*]}"' sh "$prefix/share/bash-completion/completions/orqctl" "$@"
}
test "$(complete_line orqctl preset 3d)" = "3d-soft 3d-hard 3d-extreme"
test "$(complete_line orqctl mon)" = "monitor"
test "$(complete_line orqctl monitor --co)" = "--count"
if [ -x "$prefix/bin/orq" ]; then
  desktop-file-validate "$prefix/share/applications/orq.desktop"
  for size in 16x16 32x32 48x48 256x256 scalable; do
    ls "$prefix/share/icons/hicolor/$size/apps/orq."* >/dev/null
  done
fi
test "$(ls "$prefix"/share/man/man1/*.1.gz | wc -l)" -eq 3
for page in "$prefix"/share/man/man1/*; do
  # man reports troff's warnings on standard error: a clean page says nothing there.
  warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  if [ -n "$warnings" ]; then
    echo "$page: $warnings" >&2
    exit 1
  fi
  MANWIDTH=80 man -l "$page" | grep -q 'NAME'
done
echo "installed and checked: $(ls "$prefix/bin" | tr '\n' ' ')"
