#!/bin/sh
# The generated documents of the demo job and of the round-trip fixtures,
# loaded with a SOAP client library.
#   zeep_generated.sh PYTHON3 QUENBAR_CLI EXAMPLES_DIR TESTS_DIR
set -eu
PY=$1 CLI=$2 EXAMPLES=$3 TESTS=$4
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
JOB=$("$EXAMPLES/prepare-demo" "$WORK/demo" | tail -n 1)
"$CLI" import --json "$JOB" >"$WORK/demo.json"
"$CLI" import-wsdl "$WORK/fixtures" "$TESTS"/wsdl/*.wsdl >/dev/null
"$CLI" generate --json "$WORK/fixtures" >"$WORK/fixtures.json"
exec "$PY" "$TESTS/zeep_load.py" "$TESTS/soap-encoding.xsd" "$WORK/demo/out" "$WORK/demo.json" \
    "$WORK/fixtures" "$WORK/fixtures.json"
