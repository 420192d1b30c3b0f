#!/usr/bin/env bash
# zgtool as an operator uses it: known cipher texts, round trips, zg.ini, bad use.
set -u
zgtool=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0
check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" == "$3" ]; then echo "ok   $1"; else echo "FAIL $1: expected [$2] got [$3]"; failures=$((failures + 1)); fi
}
status() { "$@" >/dev/null 2>&1; echo $?; }

check "encrypt config" "A5,2C,FA," "$("$zgtool" encrypt 1.0)"
check "encrypt --key gateway" "9B,C8,D4,D5,4A," "$("$zgtool" encrypt --key gateway '1|a|b')"
check "encrypt --hex" "$("$zgtool" encrypt 青龙)" "$("$zgtool" encrypt --hex C7E0C1FA)"
check "decrypt" "青龙" "$("$zgtool" decrypt 53,E2,0B,0E,)"
check "decrypt lower case, no commas" "青龙" "$("$zgtool" decrypt 53e20b0e)"
check "decrypt --hex" "C7E0C1FA" "$("$zgtool" decrypt --hex 53,E2,0B,0E,)"
check "encrypt empty" "" "$("$zgtool" encrypt '')"
check "one output line" "1" "$("$zgtool" encrypt abc | wc -l)"

"$zgtool" init "$dir/zg.ini" --name '青龙一区' --version 1.0 --patch-name 'old patch.exe'
check "init + show" "name: 青龙一区
本地版本: 1.0
补丁名称: old patch.exe" "$("$zgtool" show "$dir/zg.ini")"
check "init stores ciphered name" "name=$("$zgtool" encrypt '青龙一区')" "$(grep -a '^name=' "$dir/zg.ini" | tr -d '\r')"
"$zgtool" init "$dir/zg.ini" --name X --version 2
check "init replaces an old file" "name: X
本地版本: 2
补丁名称: " "$("$zgtool" show "$dir/zg.ini")"

check "no command" 2 "$(status "$zgtool")"
check "unknown command" 2 "$(status "$zgtool" frobnicate)"
check "unknown key" 2 "$(status "$zgtool" encrypt --key other x)"
check "bad hex" 2 "$(status "$zgtool" encrypt --hex ABC)"
check "init without version" 2 "$(status "$zgtool" init "$dir/x.ini" --name N)"
check "show of a missing file" 1 "$(status "$zgtool" show "$dir/none.ini")"
check "init into a missing folder" 1 "$(status "$zgtool" init "$dir/no/such/zg.ini" --name N --version 1)"

echo "$failures failed"
[ "$failures" -eq 0 ]
