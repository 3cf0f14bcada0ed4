#!/usr/bin/env bash
# commandline_check.sh PROGRAM MANPAGE VERSION
# (VERSION: the project's version and build, "1.13 (B001)")
# The shared command-line layout of our programs, and the manual page in
# step with --help: the same options, and for talo7100-cli the same commands.
set -u
program=$1
manpage=$2
version_expected=$3
name=$(basename "$program")
failed=0
fail() { echo "FAIL: $*"; failed=1; }

help=$("$program" --help) || fail "--help exits with $?"
[[ $(sed -n 1p <<<"$help") == "Usage: $name "* ]] || fail "first line: $(sed -n 1p <<<"$help")"
[[ $(sed -n 2p <<<"$help") == "       $name --help | --version" ]] ||
  fail "second line: $(sed -n 2p <<<"$help")"
[[ -z $(sed -n 3p <<<"$help") ]] || fail "no blank line after the usage lines"

version=$("$program" --version) || fail "--version exits with $?"
[[ $version == "$name $version_expected" ]] || fail "--version: $version"

# A wrong option: status 2, the problem and a one-line hint on stderr only.
out=$("$program" --no-such-option 2>/tmp/cl_err.$$ </dev/null)
status=$?
err=$(cat /tmp/cl_err.$$)
rm -f /tmp/cl_err.$$
[[ $status == 2 ]] || fail "wrong option exits with $status"
[[ -z $out ]] || fail "wrong option writes to stdout: $out"
[[ $(wc -l <<<"$err") == 2 ]] || fail "wrong option message is not two lines: $err"
[[ $(sed -n 1p <<<"$err") == "$name: "*"no-such-option"* ]] || fail "wrong option message: $err"
[[ $(sed -n 2p <<<"$err") == "Try $name --help." ]] || fail "wrong option hint: $err"

# Options and commands, in --help and in the manual page.
plain=$(sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' -e 's/\\e/\\/g' "$manpage")
options_of() { grep -o -- '--[a-z][a-z-]*' | sort -u; }
diff <(options_of <<<"$help") <(options_of <<<"$plain") >/tmp/cl_diff.$$ ||
  fail "options differ between --help (<) and $(basename "$manpage") (>): $(cat /tmp/cl_diff.$$)"
rm -f /tmp/cl_diff.$$
commands=$(sed -n '/^Commands:/,$p' <<<"$help" | sed -n 's/^  \([a-z][a-z]*\).*/\1/p')
for command in $commands; do
  grep -qE "^\.B[IR]? $command( |$)" <<<"$plain" || fail "command $command missing from the manual page"
done
mancommands=$(sed -n '/^\.SH COMMANDS/,/^\.SH [^C]/p' <<<"$plain" | sed -n 's/^\.B[IR]* \([a-z][a-z]*\).*/\1/p')
for command in $mancommands; do
  grep -qE "^  $command( |$)" <<<"$help" || fail "the manual page has a command $command that --help lacks"
done
exit $failed
