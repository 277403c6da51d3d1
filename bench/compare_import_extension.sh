#!/bin/sh
# Checks that a build of quenbar-cli that reads more of WSDL than an earlier
# one only turns errors into imports: every document that the old build
# imports must give the same rows for its first port type with the new one
# (the first interface and everything below it, and the duplicate groups
# the old build made, in the same order); the new build may add interfaces
# and groups after them.
#
#   bench/compare_import_extension.sh OLD_CLI NEW_CLI DOCUMENT...
#
# Each document goes into a repository of its own. Prints one line per
# document ("same", "CHANGED", "now imports", "fails", "NOW FAILS") and a
# summary; exits 1 when any document changed or stopped importing. Needs
# the sqlite3 shell.
set -eu
if [ $# -lt 3 ]; then
    echo "usage: $0 OLD_CLI NEW_CLI DOCUMENT..." >&2
    exit 2
fi
old=$1
new=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The rows of the first interface, and the first $2 duplicate groups.
dump() {
    db=$1/ParadoxDB/Interfaces.db
    groups=$2
    sqlite3 "$db" "select * from Interfaces where Kulcs = 1"
    for table in Operations InputsOutputs Parameters; do
        sqlite3 "$db" "select * from $table where InterfacesKulcs = 1 order by Kulcs"
    done
    sqlite3 "$db" "select * from XDuplis order by Kulcs limit $groups"
}

same=0 changed=0 gained=0 failing=0 lost=0 n=0
for doc in "$@"; do
    n=$((n + 1))
    o=$work/old$n
    w=$work/new$n
    if "$old" import-wsdl "$o" "$doc" >"$o.log" 2>&1; then old_ok=1; else old_ok=0; fi
    if "$new" import-wsdl "$w" "$doc" >"$w.log" 2>&1; then new_ok=1; else new_ok=0; fi
    if [ $old_ok -eq 1 ] && [ $new_ok -eq 1 ]; then
        groups=$(sqlite3 "$o/ParadoxDB/Interfaces.db" "select count(*) from XDuplis")
        if [ "$(dump "$o" "$groups")" = "$(dump "$w" "$groups")" ]; then
            same=$((same + 1))
            echo "same: $doc"
        else
            changed=$((changed + 1))
            echo "CHANGED: $doc"
            dump "$o" "$groups" >"$o.dump"
            dump "$w" "$groups" >"$w.dump"
            diff "$o.dump" "$w.dump" | head -10 | sed 's/^/    /'
        fi
    elif [ $old_ok -eq 1 ]; then
        lost=$((lost + 1))
        echo "NOW FAILS: $doc: $(tail -1 "$w.log")"
    elif [ $new_ok -eq 1 ]; then
        gained=$((gained + 1))
        echo "now imports: $doc"
    else
        failing=$((failing + 1))
        echo "fails: $doc: $(tail -1 "$w.log")"
    fi
done
echo "$n documents: $same same, $gained now import, $failing fail with both, $changed changed, $lost no longer import"
[ $changed -eq 0 ] && [ $lost -eq 0 ]
