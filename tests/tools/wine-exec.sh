#!/usr/bin/env bash
# tools/wine-exec against a planted wine: a start that ended before the program's first line (exit
# code 1, not a word) is made once more and the output says so; a program that printed anything, or
# ended otherwise, runs once, and its exit code and output are what wine-exec gives back.
#   wine-exec.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
# The bed is up and current first, so that wine-exec starts nothing of it through the planted wine.
"$root/tools/winebed" up
plant=$(mktemp -d)
trap 'rm -rf "$plant"' EXIT
# Each call takes the next line of answers: the exit code, then what the program prints (-: nothing).
cat >"$plant/wine" <<'WINE'
#!/usr/bin/env bash
calls=$(($(cat "$PLANT/calls") + 1))
echo "$calls" >"$PLANT/calls"
read -r code text < <(sed -n "${calls}p" "$PLANT/answers")
[ "$text" = - ] || echo "$text"
exit "$code"
WINE
chmod +x "$plant/wine"

failures=0
# check ANSWERS STATUS CALLS SAID: the answers, one per line; wine-exec's exit code; how many
# starts it made; whether it said that it started the program again (yes/no).
check() {
  printf '%s\n' "$1" >"$plant/answers"
  echo 0 >"$plant/calls"
  local output status=0
  output=$(PLANT=$plant PATH="$plant:$PATH" "$root/tools/wine-exec" planted.exe 2>&1) || status=$?
  local calls said=no
  calls=$(cat "$plant/calls")
  grep -q '^wine-exec: the program did not start .*; started again' <<<"$output" && said=yes
  # What the last start printed reaches the output; a failed one that printed nothing is named.
  local last
  last=$(sed -n "${calls}p" "$plant/answers" | cut -d' ' -f2-)
  if [ "$status" != "$2" ] || [ "$calls" != "$3" ] || [ "$said" != "$4" ] ||
    { [ "$last" != - ] && ! grep -qF -- "$last" <<<"$output"; } ||
    { [ "$last" = - ] && [ "$status" != 0 ] && ! grep -q "wine exited with $status and printed nothing" <<<"$output"; }; then
    echo "wine-exec-test: answers $(tr '\n' '|' <<<"$1"): exit $status, $calls starts, said again: $said;" \
      "expected exit $2, $3 starts, said again: $4; output:" >&2
    sed 's/^/  /' <<<"$output" >&2
    failures=$((failures + 1))
  fi
}
check '1 -
0 [  PASSED  ] 1 test.' 0 2 yes
check '1 -
1 -
0 [  PASSED  ] 1 test.' 1 2 yes
check '1 [  FAILED  ] 1 test.
0 [  PASSED  ] 1 test.' 1 1 no
check '5 -
0 [  PASSED  ] 1 test.' 5 1 no
check '0 -
0 [  PASSED  ] 1 test.' 0 1 no
check '0 [  PASSED  ] 1 test.' 0 1 no
[ "$failures" = 0 ] && echo "wine-exec-test: every planted start handled as it should be"
exit "$failures"
