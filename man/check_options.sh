#!/bin/sh
# The long options a program's --help names and those its manual page names
# must be the same.
#   check_options.sh PROGRAM PAGE
set -eu
program=$1
page=$2
from_help=$("$program" --help | grep -o -- '--[a-z][a-z-]*' | sort -u)
# The page writes options as \-\-name in roff.
from_page=$(sed 's/\\-/-/g' "$page" | grep -o -- '--[a-z][a-z-]*' | sort -u)
if [ "$from_help" != "$from_page" ]; then
  echo "$page and $program --help name different options:" >&2
  printf '%s\n' "$from_help" > "${TMPDIR:-/tmp}/options-help.$$"
  printf '%s\n' "$from_page" | diff "${TMPDIR:-/tmp}/options-help.$$" - >&2 || true
  rm -f "${TMPDIR:-/tmp}/options-help.$$"
  exit 1
fi
