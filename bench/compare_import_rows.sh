#!/bin/sh
# Imports the same WSDL documents with two builds of quenbar-cli and compares
# every row of every repository table (fold columns included): a change to
# the import's speed must not change what it writes.
#
#   bench/compare_import_rows.sh OLD_CLI NEW_CLI DOCUMENT...
#
# The documents are imported one by one into one repository, then all of
# them again (re-imports replace interfaces and meet their own duplicate
# groups). A document that fails must fail with both builds, with the same
# message. Needs the sqlite3 shell.
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

run() {
    cli=$1
    out=$2
    shift 2
    for pass in 1 2; do
        for doc in "$@"; do
            # Failures are part of the result: the message goes in the log.
            "$cli" import-wsdl "$out" "$doc" >>"$out.log" 2>&1 || echo "failed: $doc" >>"$out.log"
        done
    done
    for table in Interfaces Operations InputsOutputs Parameters XDuplis; do
        echo "== $table"
        sqlite3 -header "$out/ParadoxDB/Interfaces.db" "select * from $table order by Kulcs"
    done >"$out.dump"
}

run "$old" "$work/old" "$@"
run "$new" "$work/new" "$@"
sed -i "s|$work/old|OUT|g" "$work/old.log"
sed -i "s|$work/new|OUT|g" "$work/new.log"
status=0
if ! cmp -s "$work/old.dump" "$work/new.dump"; then
    echo "Rows differ:"
    diff "$work/old.dump" "$work/new.dump" | head -40
    status=1
fi
if ! cmp -s "$work/old.log" "$work/new.log"; then
    echo "Messages differ:"
    diff "$work/old.log" "$work/new.log" | head -40
    status=1
fi
if [ $status -eq 0 ]; then
    echo "Same rows: $(wc -l <"$work/new.dump") lines from $# documents, imported twice"
fi
exit $status
